// Text from and to character codes (CHAR, CODE on the Windows code page, UNICHAR, UNICODE),
// cleaning out control characters, numbers as currency texts and back from any locale's
// writing (DOLLAR, NUMBERVALUE), and values and arrays written as texts.
#include <array>
#include <cmath>
#include <cstdint>
#include <string>

#include "common/conversions.hpp"
#include "host/formula/coercion.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/sheet_functions.hpp"
#include "host/worksheet/text_format.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

std::string utf8_of(std::uint32_t code) {
  std::string text;
  if (code < 0x80) {
    text += static_cast<char>(code);
  } else if (code < 0x800) {
    text += static_cast<char>(0xC0 | (code >> 6));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    text += static_cast<char>(0xE0 | (code >> 12));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (code >> 18));
    text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  }
  return text;
}

// The code point of the first character of a UTF-8 text.
std::uint32_t first_code_point(const std::string& text) {
  const auto byte = [&](std::size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0x80u; };
  const unsigned lead = byte(0);
  if (lead < 0x80) return lead;
  if (lead < 0xE0) return ((lead & 0x1F) << 6) | (byte(1) & 0x3F);
  if (lead < 0xF0) return ((lead & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
  return ((lead & 0x07) << 18) | ((byte(1) & 0x3F) << 12) | ((byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
}

// Codes 128 to 159 of the Windows code page the spreadsheet's CHAR and CODE use; 0 where the
// code page has no character. The codes from 160 on are Latin-1's.
constexpr std::array<std::uint16_t, 32> kWindowsHigh = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                                        0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

kx::Value character(Arguments args) {
  const double code = std::trunc(number_arg(args[0]));
  if (code < 1.0 || code > 255.0) raise_error(kx::error::kXlValue, "CHAR needs a code from 1 to 255");
  const auto n = static_cast<std::uint32_t>(code);
  if (n >= 128 && n < 160) {
    const std::uint16_t mapped = kWindowsHigh[n - 128];
    return utf8_of(mapped != 0 ? mapped : n);
  }
  return utf8_of(n);
}

kx::Value code(Arguments args) {
  const std::string text = text_arg(args[0]);
  if (text.empty()) raise_error(kx::error::kXlValue, "CODE of an empty text");
  const std::uint32_t point = first_code_point(text);
  if (point < 128 || (point >= 160 && point < 256)) return static_cast<double>(point);
  for (std::size_t i = 0; i < kWindowsHigh.size(); ++i) {
    if (kWindowsHigh[i] == point) return static_cast<double>(128 + i);
  }
  return 63.0;  // the code page writes '?' for a character it lacks
}

kx::Value unicode_character(Arguments args) {
  const double code = std::trunc(number_arg(args[0]));
  if (code < 1.0 || code > 1114111.0) raise_error(kx::error::kXlValue, "UNICHAR needs a code from 1 to 1114111");
  if (code >= 0xD800 && code <= 0xDFFF) raise_error(kx::error::kXlNA, "a surrogate is no character");
  return utf8_of(static_cast<std::uint32_t>(code));
}

kx::Value unicode_code(Arguments args) {
  const std::string text = text_arg(args[0]);
  if (text.empty()) raise_error(kx::error::kXlValue, "UNICODE of an empty text");
  return static_cast<double>(first_code_point(text));
}

// Without the control characters 0 to 31.
kx::Value clean(Arguments args) {
  std::string text = text_arg(args[0]);
  std::erase_if(text, [](char c) { return static_cast<unsigned char>(c) < 32; });
  return text;
}

// DOLLAR(number, [decimals]): the number rounded and written as currency, negative ones in
// parentheses.
kx::Value dollar(Arguments args) {
  const double x = number_arg(args[0]);
  const double decimals = is_omitted(args[1]) ? 2.0 : std::trunc(number_arg(args[1]));
  check_domain(decimals <= 127.0, "at most 127 decimals");
  std::string number_format = "$#,##0";
  if (decimals > 0.0) number_format.append(".").append(static_cast<std::size_t>(std::min(decimals, 15.0)), '0');
  double rounded = x;
  if (decimals < 0.0) {
    const double unit = std::pow(10.0, -decimals);
    rounded = std::round(x / unit) * unit;
  }
  return format_text(rounded, number_format + ";(" + number_format + ")");
}

// NUMBERVALUE(text, [decimal_separator], [group_separator]): spaces anywhere and group
// separators before the decimal one are ignored; each trailing % divides by 100.
kx::Value number_value(Arguments args) {
  const std::string text = text_arg(args[0]);
  const std::string decimal = text_or(args[1], ".");
  const std::string group = text_or(args[2], ",");
  if (decimal.empty() || group.empty()) raise_error(kx::error::kXlValue, "the separators must not be empty");
  const char decimal_mark = decimal[0];
  const char group_mark = group[0];
  if (decimal_mark == group_mark) raise_error(kx::error::kXlValue, "the separators must differ");
  std::string plain;
  bool seen_decimal = false;
  double scale = 1.0;
  for (const char c : text) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
    if (c == '%') {
      scale /= 100.0;
      continue;
    }
    if (scale != 1.0) raise_error(kx::error::kXlValue, "only percent signs may follow the number");
    if (c == decimal_mark) {
      if (seen_decimal) raise_error(kx::error::kXlValue, "two decimal separators");
      seen_decimal = true;
      plain += '.';
    } else if (c == group_mark) {
      if (seen_decimal) raise_error(kx::error::kXlValue, "a group separator after the decimal one");
    } else {
      plain += c;
    }
  }
  if (plain.empty()) return 0.0;
  const auto number = kx::parse_number(plain);
  if (!number) raise_error(kx::error::kXlValue, "\"" + text + "\" is not a number");
  return *number * scale;
}

// A value written as text: concise (0) as a cell shows it, strict (1) with texts in quotes.
std::string written(const kx::Value& value, bool strict) {
  switch (value.kind()) {
    case kx::Value::Kind::Text: {
      if (!strict) return value.text();
      std::string quoted = "\"";
      for (const char c : value.text()) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
      return quoted + "\"";
    }
    case kx::Value::Kind::Number: return kx::format_general(value.number());
    case kx::Value::Kind::Boolean: return value.boolean() ? "TRUE" : "FALSE";
    case kx::Value::Kind::Empty: return {};
    case kx::Value::Kind::Error: return std::string(error_text(value.error().number));
    default: return {};
  }
}

bool strict_format(const kx::Value& format) {
  const double mode = number_or(format, 0.0);
  if (mode != 0.0 && mode != 1.0) raise_error(kx::error::kXlValue, "the format must be 0 or 1");
  return mode == 1.0;
}

kx::Value value_to_text(Arguments args) { return written(single_arg(args[0]), strict_format(args[1])); }

// Concise: the values joined by ", "; strict: an array constant, rows split by ";".
kx::Value array_to_text(Arguments args) {
  const bool strict = strict_format(args[1]);
  const Grid grid(args[0]);
  std::string text = strict ? "{" : "";
  for (std::size_t row = 0; row < grid.rows(); ++row) {
    for (std::size_t column = 0; column < grid.columns(); ++column) {
      if (row > 0 || column > 0) text += column == 0 ? (strict ? ";" : ", ") : (strict ? "," : ", ");
      text += written(grid.at(row, column), strict);
    }
  }
  if (strict) text += "}";
  if (text.size() > kMaxTextLength) raise_error(kx::error::kXlValue, "the text would exceed 32767 characters");
  return text;
}

constexpr SheetFunction kFunctions[] = {
    {"CHAR", 1, 1, kSingleValues, character, "number"},
    {"CODE", 1, 1, kSingleValues, code, "text"},
    {"UNICHAR", 1, 1, kSingleValues, unicode_character, "number"},
    {"UNICODE", 1, 1, kSingleValues, unicode_code, "text"},
    {"CLEAN", 1, 1, kSingleValues, clean, "text"},
    {"DOLLAR", 1, 2, kSingleValues, dollar, "number, [decimals]"},
    {"NUMBERVALUE", 1, 3, kSingleValues, number_value, "text, [decimal_separator], [group_separator]"},
    {"VALUETOTEXT", 1, 2, kArrays, value_to_text, "value, [format]"},
    {"ARRAYTOTEXT", 1, 2, kArrays, array_to_text, "array, [format]"},
};

}  // namespace

Family text_conversion_functions() { return kFunctions; }

}  // namespace host::worksheet
