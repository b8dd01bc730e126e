#include "cli/value_text.hpp"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "common/conversions.hpp"

namespace cli {
namespace {

std::string scalar_text(const kx::Value& value, int digits) {
  switch (value.kind()) {
    case kx::Value::Kind::Number: return format_number(value.number(), digits);
    case kx::Value::Kind::Boolean: return value.boolean() ? "TRUE" : "FALSE";
    case kx::Value::Kind::Text: return value.text();
    case kx::Value::Kind::Empty: return {};
    case kx::Value::Kind::Error: return "#ERR(" + std::to_string(value.error().number) + ")";
    default: return "#ERR(" + std::to_string(kx::error::kXlValue) + ")";  // no single value
  }
}

}  // namespace

std::string format_number(double number, int digits) {
  if (digits == 15) return kx::format_general(number);
  if (number == 0.0) return "0";
  // The same layout as the general form, with more or fewer digits.
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*e", digits - 1, number);
  std::string_view text(buffer);
  const bool negative = text.front() == '-';
  if (negative) text.remove_prefix(1);
  const std::size_t e = text.find('e');
  int exponent = 0;
  std::from_chars(text.data() + e + 1 + (text[e + 1] == '+'), text.data() + text.size(), exponent);
  std::string mantissa(1, text[0]);
  if (e > 2) mantissa += text.substr(2, e - 2);
  while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();

  std::string result = negative ? "-" : "";
  if (exponent >= 15 || exponent < -9) {
    result += mantissa[0];
    if (mantissa.size() > 1) result += "." + mantissa.substr(1);
    char tail[16];
    std::snprintf(tail, sizeof tail, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return result + tail;
  }
  if (exponent < 0) return result + "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + mantissa;
  const auto whole_digits = static_cast<std::size_t>(exponent) + 1;
  if (mantissa.size() <= whole_digits) return result + mantissa + std::string(whole_digits - mantissa.size(), '0');
  return result + mantissa.substr(0, whole_digits) + "." + mantissa.substr(whole_digits);
}

std::string value_text(const kx::Value& value, int digits) {
  if (!value.is_array()) return scalar_text(value, digits);
  const kx::Array& array = value.array();
  std::string text;
  for (std::size_t row = 0; row < array.rows(); ++row) {
    if (row > 0) text += '\n';
    for (std::size_t column = 0; column < array.columns(); ++column) {
      if (column > 0) text += '\t';
      text += scalar_text(array.at(row, column), digits);
    }
  }
  return text;
}

}  // namespace cli
