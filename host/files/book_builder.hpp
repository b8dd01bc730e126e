// Fills a workbook for a file reader and holds every reader to the same limits.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/value.hpp"
#include "host/document/book.hpp"
#include "host/files/workbook_files.hpp"

namespace host {

class BookBuilder {
 public:
  BookBuilder(std::string book_name, const ReadLimits& limits);

  // Fails when the name is empty or taken.
  Sheet& add_sheet(std::string name);
  std::size_t sheet_count() const { return book_->sheets().size(); }
  Sheet& sheet(std::size_t index) { return *book_->sheets().at(index); }
  Sheet* find_sheet(std::string_view name) { return book_->find_sheet(name).get(); }

  // Rows and columns from 1. An empty value leaves the cell empty; a number that is no
  // finite double becomes #NUM!. Fails outside the sheet or beyond the limits.
  void set_value(Sheet& sheet, std::int32_t row, std::int32_t column, kx::Value value);
  // The formula text without its leading "="; cached is the result the file stored. A legacy
  // formula (`intersects`) takes one cell of a range where one value is expected.
  void set_formula(Sheet& sheet, std::int32_t row, std::int32_t column, std::string text, kx::Value cached,
                   bool intersects = false);

  // Defines a name for the workbook (scope null) or for one sheet; the formula text without
  // "=". Fails for a name that is not valid, as no spreadsheet program writes one.
  void define_name(std::string name, std::string formula_text, const Sheet* scope);

  // Counts cells a reader holds aside (for instance to remember which cells an array
  // formula covers) against the same budget as written cells.
  void charge_cells(std::int64_t count);
  // Fails when this many cells, still to be written, would break the limit.
  void check_cells(std::int64_t count) const;
  // The same for formula cells.
  void check_formulas(std::int64_t count) const;
  // Fails when a text of this many bytes, still to be stored, would break the limit.
  void check_text(std::int64_t bytes) const;

  // Notes a cell the host cannot hold as the file has it, saying what was made of it. The
  // first kMaxReadWarnings are kept word for word, the rest only counted, so that a hostile
  // file cannot flood the terminal.
  void warn(const Sheet& sheet, std::int32_t row, std::int32_t column, const std::string& message);
  static constexpr std::int64_t kMaxReadWarnings = 20;
  // Notes what the file holds that no sheet shows, such as a sheet part no sheet reads.
  void note(const std::string& message) { book_->add_read_warning(message); }

  const ReadLimits& limits() const { return limits_; }

  // The workbook; fails when it has no sheet.
  std::shared_ptr<Book> finish();

  // "Sheet!B7", as messages name a cell.
  static std::string cell_name(const Sheet& sheet, std::int32_t row, std::int32_t column);

 private:
  void charge(const Sheet& sheet, std::int32_t row, std::int32_t column, std::int64_t text_bytes);

  std::shared_ptr<Book> book_;
  ReadLimits limits_;
  std::int64_t cells_ = 0;
  std::int64_t formulas_ = 0;
  std::int64_t text_bytes_ = 0;
  std::int64_t warnings_ = 0;
};

// A piece of a file's text for a message: quoted, and cut short (at a character's start) where it is long.
std::string quoted_excerpt(std::string_view text);

// A failure of reading, carried up to the file's name; the message says what is wrong.
[[noreturn]] void fail_reading(const std::string& message);

}  // namespace host
