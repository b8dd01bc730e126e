#include "host/files/csv_reader.hpp"

#include <algorithm>
#include <cmath>

#include "common/conversions.hpp"
#include "common/text_compare.hpp"
#include "host/document/address.hpp"
#include "host/files/book_builder.hpp"

namespace host {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Line breaks in a piece of text: CRLF, LF or a lone CR each count once.
std::int64_t count_line_breaks(std::string_view text, bool followed_by_lf) {
  std::int64_t breaks = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') ++breaks;
    if (text[i] == '\r') {
      const bool next_is_lf = i + 1 < text.size() ? text[i + 1] == '\n' : followed_by_lf;
      if (!next_is_lf) ++breaks;
    }
  }
  return breaks;
}

class CsvParser {
 public:
  CsvParser(std::string_view content, BookBuilder& builder, Sheet& sheet)
      : content_(content), builder_(builder), sheet_(sheet) {}

  void parse() {
    while (position_ < content_.size()) {
      const std::int64_t field_line = line_;
      read_field();
      store(field_line);
      if (position_ >= content_.size()) break;
      const char separator = content_[position_++];
      if (separator == ',') {
        ++column_;
        continue;
      }
      if (separator == '\r' && position_ < content_.size() && content_[position_] == '\n') ++position_;
      ++line_;
      ++row_;
      column_ = 1;
    }
  }

 private:
  void read_field() {
    field_.clear();
    if (content_[position_] == '"') read_quoted();
    // Unquoted text, or text after a closing quote, which spreadsheet programs keep as part of the field.
    const auto end = std::min(content_.find_first_of(",\r\n", position_), content_.size());
    field_.append(content_.substr(position_, end - position_));
    position_ = end;
  }

  void read_quoted() {
    const std::int64_t opening_line = line_;
    ++position_;
    for (;;) {
      const auto quote = content_.find('"', position_);
      if (quote == std::string_view::npos) {
        fail_reading("line " + std::to_string(opening_line) + ": a quoted field is not closed");
      }
      const auto piece = content_.substr(position_, quote - position_);
      line_ += count_line_breaks(piece, false);
      field_.append(piece);
      position_ = quote + 1;
      if (position_ < content_.size() && content_[position_] == '"') {
        field_ += '"';
        ++position_;
        continue;
      }
      return;
    }
  }

  void store(std::int64_t field_line) {
    if (field_.empty()) return;
    const std::string where = "line " + std::to_string(field_line) + ": ";
    if (row_ > kMaxRows) fail_reading(where + "more rows than a sheet holds (" + std::to_string(kMaxRows) + ")");
    if (column_ > kMaxColumns) {
      fail_reading(where + "more columns than a sheet holds (" + std::to_string(kMaxColumns) + ")");
    }
    const auto row = static_cast<std::int32_t>(row_);
    const auto column = static_cast<std::int32_t>(column_);
    // A lone "=" is no formula: the cell shows it as typed.
    if (field_.size() > 1 && field_.front() == '=') {
      builder_.set_formula(sheet_, row, column, field_.substr(1), kx::Value());
      return;
    }
    builder_.set_value(sheet_, row, column, typed_value());
  }

  kx::Value typed_value() const {
    if (kx::equals_ignore_case(field_, "TRUE")) return true;
    if (kx::equals_ignore_case(field_, "FALSE")) return false;
    // "inf" and "nan" read as numbers by the standard library stay texts.
    if (const auto number = kx::parse_number(field_); number && std::isfinite(*number)) return *number;
    return field_;
  }

  std::string_view content_;
  BookBuilder& builder_;
  Sheet& sheet_;
  std::size_t position_ = 0;
  std::string field_;
  std::int64_t line_ = 1;
  std::int64_t row_ = 1;
  std::int64_t column_ = 1;
};

}  // namespace

std::shared_ptr<Book> read_csv(std::string_view content, const std::string& book_name, std::string sheet_name,
                               const ReadLimits& limits) {
  BookBuilder builder(book_name, limits);
  Sheet& sheet = builder.add_sheet(std::move(sheet_name));
  if (content.starts_with(kByteOrderMark)) content.remove_prefix(kByteOrderMark.size());
  CsvParser(content, builder, sheet).parse();
  return builder.finish();
}

}  // namespace host
