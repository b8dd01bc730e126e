#include "host/document/spreadsheet.hpp"

#include <fmt/format.h>

#include "common/text_compare.hpp"
#include "common/text_lookup.hpp"
#include "host/document/address.hpp"
#include "host/formula/limits.hpp"
#include "host/worksheet/worksheet_functions.hpp"

namespace host {
namespace {

// Application.WorksheetFunction: the same functions, raising where the application's
// members return an error value.
class RaisingWorksheetFunction : public kx::WorksheetFunctionObject {
 public:
  kx::Value call(kx::WorksheetFn fn, std::span<const kx::Value> arguments) override {
    try {
      return compute_worksheet_fn(fn, arguments);
    } catch (const kx::Failure& failure) {
      throw kx::Failure(kx::error::kHostFailure,
                        fmt::format("Unable to get the {} property of the WorksheetFunction class ({})",
                                    kx::worksheet_fn_name(fn), failure.what()));
    }
  }
};

}  // namespace

std::shared_ptr<Spreadsheet> Spreadsheet::create() {
  struct Constructible : Spreadsheet {};
  return std::make_shared<Constructible>();
}

void Spreadsheet::mark_volatile() {
  if (!calling_cell_ || calling_cell_marked_) return;
  calling_cell_marked_ = true;
  if (!calling_cell_known_volatile_) volatile_cells_.insert(*calling_cell_);
}

void Spreadsheet::set_status_bar(std::string_view text) {
  status_bar_.assign(text);  // keeps its buffer: fitting sets a text per observation
  if (status_listener_) status_listener_(status_bar_);
}

void Spreadsheet::show_message(std::string_view text) {
  last_message_ = std::string(text);
  if (message_listener_) message_listener_(last_message_);
}

void Spreadsheet::beep() {
  ++beep_count_;
  if (beep_listener_) beep_listener_();
}

kx::Value Spreadsheet::call(kx::WorksheetFn fn, std::span<const kx::Value> arguments) {
  try {
    return compute_worksheet_fn(fn, arguments);
  } catch (const LimitExceeded&) {
    throw;  // too much asked is no value the formula could go on with
  } catch (const kx::Failure& failure) {
    return kx::ErrorValue{failure.number()};
  }
}

std::optional<double> Spreadsheet::call_number(kx::WorksheetFn fn, std::span<const double> arguments) {
  return compute_worksheet_number(fn, arguments);
}

std::shared_ptr<kx::WorksheetFunctionObject> Spreadsheet::worksheet_function() {
  if (!worksheet_function_) worksheet_function_ = std::make_shared<RaisingWorksheetFunction>();
  return worksheet_function_;
}

std::shared_ptr<Book> Spreadsheet::find_book(std::string_view name) const {
  for (const auto& book : books_) {
    if (kx::equals_ignore_case(book->name(), name)) return book;
  }
  return nullptr;
}

std::shared_ptr<Book> Spreadsheet::book(std::string_view name) const {
  if (auto found = find_book(name)) return found;
  throw kx::Failure(kx::error::kSubscriptOutOfRange, "No workbook named \"" + std::string(name) + "\" is open");
}

std::shared_ptr<Book> Spreadsheet::add_book(std::string name) {
  auto created = Book::create(std::move(name));
  add_book(created);
  return created;
}

void Spreadsheet::add_book(std::shared_ptr<Book> book) {
  if (find_book(book->name()))
    throw kx::Failure(kx::error::kHostFailure, "A workbook named \"" + book->name() + "\" is already open");
  books_.push_back(std::move(book));
}

std::shared_ptr<Book> Spreadsheet::active_book() const {
  for (const auto& book : books_) {
    if (!kx::equals_ignore_case(book->name(), kx::kAddinWorkbookName)) return book;
  }
  throw kx::Failure(kx::error::kHostFailure, "No workbook is open");
}

kx::RangeRef Spreadsheet::range(std::string_view address) const {
  const auto book = active_book();
  if (book->sheets().empty()) throw kx::Failure(kx::error::kHostFailure, "Workbook " + book->name() + " has no sheet");
  return book->sheets().front()->range(address);
}

}  // namespace host
