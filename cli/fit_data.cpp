#include "cli/fit_data.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <optional>

#include "cli/workbook_loading.hpp"
#include "common/conversions.hpp"
#include "common/failure.hpp"
#include "common/text_compare.hpp"
#include "host/document/address.hpp"
#include "host/document/book.hpp"
#include "host/document/sheet.hpp"

namespace cli {
namespace {

[[noreturn]] void fail(const std::string& message) { throw kx::Failure(kx::error::kHostFailure, message); }

bool is_whole_number(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// A first row holding a text names the columns.
bool has_header(const host::Sheet& sheet) {
  for (std::int32_t column = 1; column <= sheet.last_column(); ++column) {
    if (sheet.value(1, column).is_text()) return true;
  }
  return false;
}

// The first cell below the header that holds something other than a number, if any.
std::optional<std::int32_t> first_non_number(const host::Sheet& sheet, std::int32_t first_row, std::int32_t column) {
  for (std::int32_t row = first_row; row <= sheet.last_row(); ++row) {
    const kx::Value& value = sheet.value(row, column);
    if (!value.is_empty() && !value.is_number()) return row;
  }
  return std::nullopt;
}

bool holds_numbers(const host::Sheet& sheet, std::int32_t first_row, std::int32_t column) {
  for (std::int32_t row = first_row; row <= sheet.last_row(); ++row) {
    if (sheet.value(row, column).is_number()) return true;
  }
  return false;
}

std::int32_t chosen_column(const host::Sheet& sheet, const std::string& path, const std::string& wanted, bool header) {
  const std::int32_t first_row = header ? 2 : 1;
  if (wanted.empty()) {
    for (std::int32_t column = 1; column <= sheet.last_column(); ++column) {
      if (holds_numbers(sheet, first_row, column) && !first_non_number(sheet, first_row, column)) return column;
    }
    fail(fmt::format("{}: no column holds only numbers", path));
  }
  if (is_whole_number(wanted)) {
    // Leading zeros count for nothing; more than nine digits is beyond any sheet's columns.
    const std::string digits = wanted.substr(std::min(wanted.find_first_not_of('0'), wanted.size()));
    const long number = digits.size() > 9 ? -1 : digits.empty() ? 0 : std::stol(digits);
    if (number < 1 || number > sheet.last_column())
      fail(fmt::format("{}: there is no column {} (the file has {})", path, wanted, sheet.last_column()));
    return static_cast<std::int32_t>(number);
  }
  if (header) {
    for (std::int32_t column = 1; column <= sheet.last_column(); ++column) {
      const kx::Value& name = sheet.value(1, column);
      if (name.is_text() && kx::equals_ignore_case(name.text(), wanted)) return column;
    }
  }
  fail(fmt::format("{}: no column is named \"{}\"", path, wanted));
}

}  // namespace

Observations read_observations(const std::string& path, const std::string& column) {
  const std::shared_ptr<host::Book> book = load_workbook_reporting(path);
  if (book->sheets().empty() || book->sheets().front()->last_row() == 0) fail(fmt::format("{} is empty", path));
  const host::Sheet& sheet = *book->sheets().front();
  const bool header = has_header(sheet);
  const std::int32_t chosen = chosen_column(sheet, path, column, header);
  const std::int32_t first_row = header ? 2 : 1;

  Observations observations;
  const std::string letters = host::column_letters(chosen);
  observations.column = header && sheet.value(1, chosen).is_text() ? sheet.value(1, chosen).text() : letters;
  if (const auto row = first_non_number(sheet, first_row, chosen)) {
    fail(fmt::format("{}: cell {}{} of column \"{}\" holds \"{}\", not a number", path, letters, *row,
                     observations.column, kx::display_text(sheet.value(*row, chosen))));
  }
  for (std::int32_t row = first_row; row <= sheet.last_row(); ++row) {
    const kx::Value& value = sheet.value(row, chosen);
    if (value.is_number()) observations.values.push_back(value.number());
  }
  if (observations.values.empty()) fail(fmt::format("{}: column \"{}\" holds no numbers", path, observations.column));
  observations.book = book;
  if (observations.values.size() == static_cast<std::size_t>(sheet.last_row() - first_row + 1))
    observations.cells = fmt::format("{0}{1}:{0}{2}", letters, first_row, sheet.last_row());
  return observations;
}

}  // namespace cli
