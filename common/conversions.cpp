// Conversions between cell values and the declared types.
#include "common/conversions.hpp"

#include <algorithm>
#include <cerrno>
#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "common/host_services.hpp"
#include "common/text_compare.hpp"
#include "common/text_order.hpp"

namespace kx {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

[[noreturn]] void mismatch(const char* target) {
  throw Failure(error::kTypeMismatch, std::string("Type mismatch: the value cannot become ") + target);
}

// A one-cell range stands for its value; a larger one is no scalar.
const Value& scalar_of(const Value& value, Value& holder, const char* target) {
  if (!value.is_range()) return value;
  if (value.range()->count() != 1) mismatch(target);
  holder = value.range()->value();
  return holder;
}

double whole_in(double x, double low, double high) {
  const double rounded = round_half_even(x);
  if (!(rounded >= low && rounded <= high)) throw Failure(error::kOverflow);
  return rounded;
}

}  // namespace

std::optional<double> parse_number(std::string_view text, char decimal_separator) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && is_blank(text[first])) ++first;
  while (last > first && is_blank(text[last - 1])) --last;
  if (first == last) return std::nullopt;

  std::string plain(text.substr(first, last - first));
  if (decimal_separator != '.') {
    for (char& c : plain) {
      if (c == '.') return std::nullopt;
      if (c == decimal_separator) c = '.';
    }
  }
  const char* begin = plain.data();
  if (*begin == '+') ++begin;
  double result = 0;
  const auto [end, status] = std::from_chars(begin, plain.data() + plain.size(), result, std::chars_format::general);
  if (end != plain.data() + plain.size()) return std::nullopt;
  if (status == std::errc::result_out_of_range) {
    // Too small underflows to zero as the platform does; too large is no number it can hold.
    if (std::strtod(plain.c_str(), nullptr) == 0.0) return 0.0;
    return std::nullopt;
  }
  // from_chars reads "inf" and "nan", which are no numbers a cell can hold.
  if (status != std::errc() || !std::isfinite(result)) return std::nullopt;
  return result;
}

double to_double(const Value& value, char decimal_separator) {
  Value holder;
  const Value& scalar = scalar_of(value, holder, "a number");
  switch (scalar.kind()) {
    case Value::Kind::Empty: return 0.0;
    case Value::Kind::Number: return scalar.number();
    case Value::Kind::Boolean: return scalar.boolean() ? -1.0 : 0.0;
    case Value::Kind::Text:
      if (auto number = parse_number(scalar.text(), decimal_separator)) return *number;
      throw Failure(error::kTypeMismatch, "Type mismatch: \"" + scalar.text() + "\" is no number");
    default: mismatch("a number");
  }
}

float to_single(const Value& value, char decimal_separator) {
  const double x = to_double(value, decimal_separator);
  if (std::fabs(x) > std::numeric_limits<float>::max()) throw Failure(error::kOverflow);
  return static_cast<float>(x);
}

std::int16_t to_int16(const Value& value, char decimal_separator) {
  return static_cast<std::int16_t>(whole_in(to_double(value, decimal_separator), -32768.0, 32767.0));
}

std::int32_t to_int32(const Value& value, char decimal_separator) {
  return static_cast<std::int32_t>(whole_in(to_double(value, decimal_separator), -2147483648.0, 2147483647.0));
}

std::uint8_t to_byte(const Value& value, char decimal_separator) {
  return static_cast<std::uint8_t>(whole_in(to_double(value, decimal_separator), 0.0, 255.0));
}

bool to_boolean(const Value& value, char decimal_separator) {
  Value holder;
  const Value& scalar = scalar_of(value, holder, "a boolean");
  switch (scalar.kind()) {
    case Value::Kind::Empty: return false;
    case Value::Kind::Number: return scalar.number() != 0.0;
    case Value::Kind::Boolean: return scalar.boolean();
    case Value::Kind::Text: {
      std::string_view text = scalar.text();
      while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
      while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
      if (equals_ignore_case(text, "true")) return true;
      if (equals_ignore_case(text, "false")) return false;
      if (auto number = parse_number(text, decimal_separator)) return *number != 0.0;
      throw Failure(error::kTypeMismatch, "Type mismatch: \"" + scalar.text() + "\" is no boolean");
    }
    default: mismatch("a boolean");
  }
}

std::string to_text(const Value& value, char decimal_separator) {
  Value holder;
  const Value& scalar = scalar_of(value, holder, "a text");
  switch (scalar.kind()) {
    case Value::Kind::Empty: return {};
    case Value::Kind::Number: return format_general(scalar.number(), decimal_separator);
    case Value::Kind::Boolean: return scalar.boolean() ? "True" : "False";
    case Value::Kind::Text: return scalar.text();
    default: mismatch("a text");
  }
}

double round_half_even(double x) {
  // nearbyint rounds in the current mode; the default mode is to nearest, ties to even.
  const int mode = std::fegetround();
  if (mode == FE_TONEAREST) return std::nearbyint(x);
  std::fesetround(FE_TONEAREST);
  const double result = std::nearbyint(x);
  std::fesetround(mode);
  return result;
}

std::string format_general(double number, char decimal_separator, int significant_digits) {
  if (number == 0.0) return "0";
  char digits[48];
  // The significant digits in scientific form, then laid out by the magnitude.
  std::snprintf(digits, sizeof digits, "%.*e", std::clamp(significant_digits, 1, 17) - 1, number);
  std::string_view text(digits);
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
    if (mantissa.size() > 1) {
      result += decimal_separator;
      result += mantissa.substr(1);
    }
    char tail[16];
    std::snprintf(tail, sizeof tail, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return result + tail;
  }
  if (exponent < 0) {
    result += '0';
    result += decimal_separator;
    result.append(static_cast<std::size_t>(-exponent - 1), '0');
    return result + mantissa;
  }
  const auto whole_digits = static_cast<std::size_t>(exponent) + 1;
  if (mantissa.size() <= whole_digits) {
    result += mantissa;
    result.append(whole_digits - mantissa.size(), '0');
    return result;
  }
  result += mantissa.substr(0, whole_digits);
  result += decimal_separator;
  return result + mantissa.substr(whole_digits);
}

std::weak_ordering compare_values(const Value& a, const Value& b) {
  // Rank of each kind in the spreadsheet's sort order.
  const auto rank = [](const Value& v) {
    switch (v.kind()) {
      case Value::Kind::Empty:
      case Value::Kind::Number: return 0;
      case Value::Kind::Text: return 1;
      case Value::Kind::Boolean: return 2;
      default: throw Failure(error::kTypeMismatch, "Type mismatch: the value cannot be compared");
    }
  };
  Value holder_a;
  Value holder_b;
  const Value& x = scalar_of(a, holder_a, "a comparable value");
  const Value& y = scalar_of(b, holder_b, "a comparable value");
  // An empty cell compared with a text counts as the empty text.
  if (x.is_empty() && y.is_text()) return compare_values(Value(std::string()), y);
  if (x.is_text() && y.is_empty()) return compare_values(x, Value(std::string()));
  const int rank_a = rank(x);
  const int rank_b = rank(y);
  if (rank_a != rank_b) return rank_a <=> rank_b;
  switch (rank_a) {
    case 0: {
      const double p = x.is_empty() ? 0.0 : x.number();
      const double q = y.is_empty() ? 0.0 : y.number();
      return p < q ? std::weak_ordering::less : (q < p ? std::weak_ordering::greater : std::weak_ordering::equivalent);
    }
    case 1: return compare_texts(x.text(), y.text());
    default: return static_cast<int>(x.boolean()) <=> static_cast<int>(y.boolean());
  }
}

namespace {

struct ErrorName {
  std::int32_t number;
  std::string_view text;
};

constexpr ErrorName kErrorNames[] = {
    {error::kXlDiv0, "#DIV/0!"}, {error::kXlNA, "#N/A"},   {error::kXlName, "#NAME?"},   {error::kXlNull, "#NULL!"},
    {error::kXlNum, "#NUM!"},    {error::kXlRef, "#REF!"}, {error::kXlValue, "#VALUE!"},
};

}  // namespace

std::optional<ErrorValue> error_named(std::string_view text) {
  for (const auto& name : kErrorNames) {
    if (name.text == text) return ErrorValue{name.number};
  }
  return std::nullopt;
}

std::string display_text(const Value& value, char decimal_separator) {
  switch (value.kind()) {
    case Value::Kind::Boolean: return value.boolean() ? "TRUE" : "FALSE";
    case Value::Kind::Error:
      for (const auto& name : kErrorNames) {
        if (name.number == value.error().number) return std::string(name.text);
      }
      return "#ERR(" + std::to_string(value.error().number) + ")";
    case Value::Kind::Number:
    case Value::Kind::Text:
    case Value::Kind::Empty: return to_text(value, decimal_separator);
    default: return {};
  }
}

}  // namespace kx
