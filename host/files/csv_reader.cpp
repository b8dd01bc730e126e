#include "host/files/csv_reader.hpp"

#include <algorithm>
#include <cmath>

#include "common/conversions.hpp"
#include "common/text_compare.hpp"
#include "host/document/address.hpp"
#include "host/files/book_builder.hpp"
#include "host/files/date_values.hpp"
#include "host/files/number_text.hpp"

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

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// "1,234,567.5": thousands grouped by commas, as a quoted field may hold them, or by points
// where the decimal mark is a comma ("1.234.567,5"); nullopt for anything else ("1,23",
// ",123", "1,,234").
std::optional<double> grouped_number(std::string_view text, char decimal) {
  const char group = decimal == ',' ? '.' : ',';
  std::string plain;
  std::size_t at = text.starts_with('-') || text.starts_with('+') ? 1 : 0;
  plain.append(text.substr(0, at));
  std::size_t digits = 0;
  for (; at < text.size() && is_digit(text[at]); ++at, ++digits) plain += text[at];
  if (digits < 1 || digits > 3 || at == text.size() || text[at] != group) return std::nullopt;
  while (at < text.size() && text[at] == group) {
    const std::string_view group_digits = text.substr(at + 1, 3);
    if (group_digits.size() != 3 || !std::all_of(group_digits.begin(), group_digits.end(), is_digit)) {
      return std::nullopt;
    }
    plain.append(group_digits);
    at += 4;
  }
  const std::string_view rest = text.substr(at);
  if (rest.empty()) return file_number(plain);
  if (rest.front() != decimal || !std::all_of(rest.begin() + 1, rest.end(), is_digit)) return std::nullopt;
  plain += '.';
  plain.append(rest.substr(1));
  return file_number(plain);
}

// A number without grouping; with a decimal comma "1,5e3" reads and "1.5" does not, as a
// spreadsheet of that locale takes them.
std::optional<double> plain_number(std::string_view text, char decimal) {
  if (decimal == '.') return file_number(text);
  if (text.find('.') != std::string_view::npos) return std::nullopt;
  std::string pointed(text);
  std::replace(pointed.begin(), pointed.end(), ',', '.');
  return file_number(pointed);
}

// "2024-01-31" (or "2024-1-31") as its serial number; other ways of writing a date stay text.
std::optional<double> iso_date(std::string_view text) {
  auto digits = [&text](std::size_t least, std::size_t most) {
    std::size_t count = 0;
    while (count < text.size() && is_digit(text[count])) ++count;
    text.remove_prefix(count);
    return count >= least && count <= most;
  };
  auto dash = [&text] {
    if (!text.starts_with('-')) return false;
    text.remove_prefix(1);
    return true;
  };
  const std::string_view whole = text;
  const bool shaped = digits(4, 4) && dash() && digits(1, 2) && dash() && digits(1, 2) && text.empty();
  const auto serial = shaped ? iso_date_serial(whole) : std::nullopt;
  // The days before 1900-01-01 are no date a spreadsheet shows.
  return serial && *serial >= 1.0 ? serial : std::nullopt;
}

class CsvParser {
 public:
  CsvParser(std::string_view content, const CsvFormat& format, BookBuilder& builder, Sheet& sheet)
      : content_(content), format_(format), ends_(std::string{format.delimiter} + "\r\n"), builder_(builder),
        sheet_(sheet) {}

  void parse() {
    while (position_ < content_.size()) {
      const std::int64_t field_line = line_;
      read_field();
      store(field_line);
      if (position_ >= content_.size()) break;
      const char separator = content_[position_++];
      if (separator == format_.delimiter) {
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
    const auto end = std::min(content_.find_first_of(ends_, position_), content_.size());
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
      builder_.set_formula(sheet_, row, column, csv_formula(std::string_view(field_).substr(1), format_), kx::Value());
      return;
    }
    builder_.set_value(sheet_, row, column, typed_value());
  }

  kx::Value typed_value() const {
    if (kx::equals_ignore_case(field_, "TRUE")) return true;
    if (kx::equals_ignore_case(field_, "FALSE")) return false;
    if (const auto number = csv_number(field_, format_)) return *number;
    if (const auto date = iso_date(field_)) return *date;
    return field_;
  }

  std::string_view content_;
  const CsvFormat& format_;
  const std::string ends_;  // of an unquoted field
  BookBuilder& builder_;
  Sheet& sheet_;
  std::size_t position_ = 0;
  std::string field_;
  std::int64_t line_ = 1;
  std::int64_t row_ = 1;
  std::int64_t column_ = 1;
};

}  // namespace

std::optional<double> csv_number(std::string_view text, const CsvFormat& format) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  double divisor = 1.0;
  if (text.ends_with('%')) {
    text.remove_suffix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    divisor = 100.0;
  }
  auto number = plain_number(text, format.decimal);
  if (!number) number = grouped_number(text, format.decimal);
  if (!number) return std::nullopt;
  return *number / divisor;
}

std::string csv_formula(std::string_view formula, const CsvFormat& format) {
  std::string host_form(formula);
  if (format.decimal != ',') return host_form;
  char quote = 0;
  int braces = 0;
  for (char& c : host_form) {
    // A doubled quote closes and reopens, and so stays inside.
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '{') {
      ++braces;
    } else if (c == '}') {
      braces = std::max(0, braces - 1);
    } else if (c == ',') {
      c = '.';
    } else if (c == ';' && braces == 0) {
      c = ',';
    }
  }
  return host_form;
}

std::shared_ptr<Book> read_csv(std::string_view content, const std::string& book_name, std::string sheet_name,
                               const ReadLimits& limits, const CsvFormat& format) {
  BookBuilder builder(book_name, limits);
  Sheet& sheet = builder.add_sheet(std::move(sheet_name));
  if (content.starts_with(kByteOrderMark)) content.remove_prefix(kByteOrderMark.size());
  CsvParser(content, format, builder, sheet).parse();
  return builder.finish();
}

}  // namespace host
