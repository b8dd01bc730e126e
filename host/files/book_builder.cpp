#include "host/files/book_builder.hpp"

#include <cmath>

#include "host/document/address.hpp"

namespace host {

BookBuilder::BookBuilder(std::string book_name, const ReadLimits& limits)
    : book_(Book::create(std::move(book_name))), limits_(limits) {}

Sheet& BookBuilder::add_sheet(std::string name) {
  if (name.empty()) fail_reading("a sheet has no name");
  if (book_->find_sheet(name)) fail_reading("two sheets are named \"" + name + "\"");
  return *book_->add_sheet(std::move(name));
}

void BookBuilder::set_value(Sheet& sheet, std::int32_t row, std::int32_t column, kx::Value value) {
  if (value.is_empty()) return;
  if (value.is_number() && !std::isfinite(value.number())) value = kx::ErrorValue{kx::error::kXlNum};
  charge(sheet, row, column, value.is_text() ? static_cast<std::int64_t>(value.text().size()) : 0);
  sheet.set_value(row, column, std::move(value));
}

void BookBuilder::set_formula(Sheet& sheet, std::int32_t row, std::int32_t column, std::string text, kx::Value cached,
                              bool intersects) {
  if (text.empty()) fail_reading("the formula of " + cell_name(sheet, row, column) + " is empty");
  if (cached.is_number() && !std::isfinite(cached.number())) cached = kx::ErrorValue{kx::error::kXlNum};
  const auto cached_bytes = cached.is_text() ? static_cast<std::int64_t>(cached.text().size()) : 0;
  charge(sheet, row, column, static_cast<std::int64_t>(text.size()) + cached_bytes);
  check_formulas(1);
  ++formulas_;
  sheet.set_formula(row, column, std::move(text));
  Cell& cell = sheet.cell(row, column);
  cell.value = std::move(cached);
  cell.intersects = intersects;
}

void BookBuilder::define_name(std::string name, std::string formula_text, const Sheet* scope) {
  if (!is_valid_defined_name(name)) fail_reading("\"" + name + "\" cannot be a defined name");
  if (formula_text.empty()) fail_reading("the name \"" + name + "\" is defined as nothing");
  const auto bytes = static_cast<std::int64_t>(name.size() + formula_text.size());
  check_text(bytes);
  text_bytes_ += bytes;
  book_->define_name(std::move(name), std::move(formula_text), scope);
}

void BookBuilder::charge_cells(std::int64_t count) {
  check_cells(count);
  cells_ += count;
}

void BookBuilder::check_cells(std::int64_t count) const {
  if (count > limits_.max_cells - cells_) {
    fail_reading("it holds more than " + std::to_string(limits_.max_cells) + " cells");
  }
}

void BookBuilder::check_formulas(std::int64_t count) const {
  if (count > limits_.max_formula_cells - formulas_) {
    fail_reading("it holds more than " + std::to_string(limits_.max_formula_cells) + " formulas");
  }
}

void BookBuilder::check_text(std::int64_t bytes) const {
  if (bytes > limits_.max_text_bytes - text_bytes_) {
    fail_reading("its texts and formulas take more than " + std::to_string(limits_.max_text_bytes) + " bytes");
  }
}

void BookBuilder::charge(const Sheet& sheet, std::int32_t row, std::int32_t column, std::int64_t text_bytes) {
  if (row < 1 || row > kMaxRows) {
    fail_reading("sheet \"" + sheet.name() + "\" has more rows than a sheet holds (" + std::to_string(kMaxRows) + ")");
  }
  if (column < 1 || column > kMaxColumns) {
    fail_reading("sheet \"" + sheet.name() + "\" has more columns than a sheet holds (" + std::to_string(kMaxColumns) +
                 ")");
  }
  charge_cells(1);
  check_text(text_bytes);
  text_bytes_ += text_bytes;
}

void BookBuilder::warn(const Sheet& sheet, std::int32_t row, std::int32_t column, const std::string& message) {
  if (++warnings_ <= kMaxReadWarnings) book_->add_read_warning(cell_name(sheet, row, column) + ": " + message);
}

std::shared_ptr<Book> BookBuilder::finish() {
  if (book_->sheets().empty()) fail_reading("it holds no sheet");
  if (warnings_ > kMaxReadWarnings) {
    book_->add_read_warning("and " + std::to_string(warnings_ - kMaxReadWarnings) + " more such cells");
  }
  return book_;
}

std::string BookBuilder::cell_name(const Sheet& sheet, std::int32_t row, std::int32_t column) {
  return sheet.name() + "!" + column_letters(column) + std::to_string(row);
}

std::string quoted_excerpt(std::string_view text) {
  constexpr std::size_t kShown = 40;
  std::size_t cut = text.size();
  if (cut > kShown) {
    cut = kShown;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
  }
  std::string quoted = "\"";
  quoted.append(text.substr(0, cut));
  if (cut < text.size()) quoted.append("...");
  quoted.push_back('"');
  return quoted;
}

void fail_reading(const std::string& message) { throw kx::Failure(kx::error::kHostFailure, message); }

}  // namespace host
