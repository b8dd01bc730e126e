// The host application: open workbooks, the calling cell, volatile cells, the status bar
// and the worksheet functions in both calling styles.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "common/host_services.hpp"
#include "host/document/book.hpp"

namespace host {

// A cell of an open workbook, as the formula engine names the cell it evaluates.
struct CellRef {
  const Sheet* sheet = nullptr;
  std::int32_t row = 0;
  std::int32_t column = 0;
  auto operator<=>(const CellRef&) const = default;
};

class Spreadsheet : public kx::Application {
 public:
  static std::shared_ptr<Spreadsheet> create();

  void mark_volatile() override;
  void set_status_bar(std::string_view text) override;
  std::string status_bar() const override { return status_bar_; }
  std::shared_ptr<kx::Workbook> workbook(std::string_view name) override { return book(name); }
  kx::Value call(kx::WorksheetFn fn, std::span<const kx::Value> arguments) override;
  std::optional<double> call_number(kx::WorksheetFn fn, std::span<const double> arguments) override;
  std::shared_ptr<kx::WorksheetFunctionObject> worksheet_function() override;
  char decimal_separator() const override { return decimal_separator_; }

  void set_decimal_separator(char separator) { decimal_separator_ = separator; }
  void show_message(std::string_view text) override;
  // The text of the last message box, and a listener that shows each one (kx prints it).
  const std::string& last_message() const { return last_message_; }
  void on_message(std::function<void(std::string_view)> listener) { message_listener_ = std::move(listener); }
  // The beep counts, so that a caller can tell a refused value; the listener sounds it.
  void beep() override;
  int beep_count() const { return beep_count_; }
  void on_beep(std::function<void()> listener) { beep_listener_ = std::move(listener); }
  // Called with every new status-bar text, e.g. to show progress on a terminal.
  void on_status_bar(std::function<void(std::string_view)> listener) { status_listener_ = std::move(listener); }

  // Workbooks: the first one opened is the active one.
  std::shared_ptr<Book> book(std::string_view name) const;
  std::shared_ptr<Book> find_book(std::string_view name) const;
  std::shared_ptr<Book> add_book(std::string name);
  void add_book(std::shared_ptr<Book> book);
  const std::vector<std::shared_ptr<Book>>& books() const { return books_; }
  std::shared_ptr<Book> active_book() const;
  // An address on the active workbook's first sheet, or on the sheet it names.
  kx::RangeRef range(std::string_view address) const override;

  // The cell being evaluated, set by the formula engine; Volatile marks it. A cell the engine
  // already knows to be volatile is not looked up again: a simulation marks cells by the million.
  void set_calling_cell(std::optional<CellRef> cell, bool known_volatile = false) {
    calling_cell_ = cell;
    calling_cell_known_volatile_ = known_volatile;
    calling_cell_marked_ = false;
  }
  std::optional<CellRef> calling_cell() const { return calling_cell_; }
  // Whether the calling cell marked itself volatile since it was set.
  bool calling_cell_marked() const { return calling_cell_marked_; }
  bool is_volatile(const CellRef& cell) const { return volatile_cells_.count(cell) > 0; }
  const std::set<CellRef>& volatile_cells() const { return volatile_cells_; }

 protected:
  Spreadsheet() = default;

 private:
  std::vector<std::shared_ptr<Book>> books_;
  std::string status_bar_;
  std::function<void(std::string_view)> status_listener_;
  std::string last_message_;
  std::function<void(std::string_view)> message_listener_;
  int beep_count_ = 0;
  std::function<void()> beep_listener_;
  std::optional<CellRef> calling_cell_;
  bool calling_cell_known_volatile_ = false;
  bool calling_cell_marked_ = false;
  std::set<CellRef> volatile_cells_;
  char decimal_separator_ = '.';
  std::shared_ptr<kx::WorksheetFunctionObject> worksheet_function_;
};

}  // namespace host
