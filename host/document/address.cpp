#include "host/document/address.hpp"

#include <algorithm>
#include <cctype>

#include <fmt/format.h>

namespace host {
namespace {

// One cell reference at the front of `text`: optional $, letters, optional $, digits.
bool read_cell(std::string_view& text, std::int32_t& row, std::int32_t& column) {
  std::size_t at = 0;
  if (at < text.size() && text[at] == '$') ++at;
  const std::size_t letters_begin = at;
  while (at < text.size() && std::isalpha(static_cast<unsigned char>(text[at]))) ++at;
  const auto letters = column_number(text.substr(letters_begin, at - letters_begin));
  if (!letters) return false;
  if (at < text.size() && text[at] == '$') ++at;
  const std::size_t digits_begin = at;
  std::int64_t number = 0;
  while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && at - digits_begin < 8) {
    number = number * 10 + (text[at] - '0');
    ++at;
  }
  if (at == digits_begin || number < 1 || number > kMaxRows) return false;
  column = *letters;
  row = static_cast<std::int32_t>(number);
  text.remove_prefix(at);
  return true;
}

}  // namespace

std::optional<std::int32_t> column_number(std::string_view letters) {
  if (letters.empty() || letters.size() > 3) return std::nullopt;
  std::int32_t number = 0;
  for (char c : letters) {
    if (!std::isalpha(static_cast<unsigned char>(c))) return std::nullopt;
    number = number * 26 + (std::toupper(static_cast<unsigned char>(c)) - 'A' + 1);
  }
  if (number > kMaxColumns) return std::nullopt;
  return number;
}

std::string column_letters(std::int32_t column) {
  std::string letters;
  while (column > 0) {
    const std::int32_t digit = (column - 1) % 26;
    letters.insert(letters.begin(), static_cast<char>('A' + digit));
    column = (column - 1) / 26;
  }
  return letters;
}

std::optional<Area> parse_address(std::string_view address) {
  Area area;
  const std::size_t bang = address.rfind('!');
  if (bang != std::string_view::npos) {
    std::string_view sheet = address.substr(0, bang);
    if (sheet.size() >= 2 && sheet.front() == '\'' && sheet.back() == '\'') {
      sheet = sheet.substr(1, sheet.size() - 2);
      std::string unquoted;
      for (std::size_t i = 0; i < sheet.size(); ++i) {
        unquoted += sheet[i];
        if (sheet[i] == '\'' && i + 1 < sheet.size() && sheet[i + 1] == '\'') ++i;  // '' stands for '
      }
      area.sheet = unquoted;
    } else {
      area.sheet = std::string(sheet);
    }
    if (area.sheet.empty()) return std::nullopt;
    address.remove_prefix(bang + 1);
  }
  std::int32_t row = 0;
  std::int32_t column = 0;
  if (!read_cell(address, row, column)) return std::nullopt;
  area.top = area.bottom = row;
  area.left = area.right = column;
  if (!address.empty()) {
    if (address.front() != ':') return std::nullopt;
    address.remove_prefix(1);
    if (!read_cell(address, row, column) || !address.empty()) return std::nullopt;
    area.top = std::min(area.top, row);
    area.bottom = std::max(area.bottom, row);
    area.left = std::min(area.left, column);
    area.right = std::max(area.right, column);
  }
  return area;
}

std::string format_address(std::int32_t top, std::int32_t left, std::int32_t bottom, std::int32_t right) {
  std::string text = fmt::format("${}${}", column_letters(left), top);
  if (top != bottom || left != right) text += fmt::format(":${}${}", column_letters(right), bottom);
  return text;
}

}  // namespace host
