// The formats of TEXT: number patterns (0 # ? placeholders, thousands commas, decimals,
// percent, scientific, quoted literals, a second section for negatives) and date patterns
// (y m d h s, AM/PM).
#include "host/worksheet/text_format.hpp"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "common/conversions.hpp"
#include "common/number_format.hpp"
#include "common/text_compare.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/serial_dates.hpp"

namespace host::worksheet {
namespace {

constexpr const char* kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                       "July",    "August",   "September", "October", "November", "December"};
constexpr const char* kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

// The sections of a format split at ';' outside quotes.
std::vector<std::string> sections_of(std::string_view format) {
  std::vector<std::string> sections(1);
  bool quoted = false;
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c == '"') quoted = !quoted;
    if (c == '\\' && i + 1 < format.size()) {
      sections.back() += format.substr(i, 2);
      ++i;
      continue;
    }
    if (c == ';' && !quoted) {
      sections.emplace_back();
      continue;
    }
    sections.back() += c;
  }
  return sections;
}

// Whether a section is a date pattern: it holds y, d, h or s (or m beside them) outside quotes.
bool is_date_pattern(std::string_view section) {
  bool quoted = false;
  for (std::size_t i = 0; i < section.size(); ++i) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(section[i])));
    if (section[i] == '"') quoted = !quoted;
    if (quoted) continue;
    if (section[i] == '\\') {
      ++i;
      continue;
    }
    if (c == 'y' || c == 'd' || c == 'h' || c == 's' || c == 'm') return true;
  }
  return false;
}

std::string two_digits(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", n);
  return text;
}

std::string format_date(double serial, std::string_view pattern) {
  check_domain(serial >= 0.0 && serial <= kLastSerial + 1.0, "the date lies outside 1900 to 9999");
  const Date date = date_of(serial);
  double seconds = std::round((serial - std::floor(serial)) * 86400.0);
  seconds = std::fmod(seconds, 86400.0);
  const int hour = static_cast<int>(seconds / 3600.0);
  const int minute = static_cast<int>(std::fmod(seconds, 3600.0) / 60.0);
  const int second = static_cast<int>(std::fmod(seconds, 60.0));
  const std::string lower = kx::to_lower_ascii(pattern);
  const bool twelve_hours = lower.find("am/pm") != std::string::npos || lower.find("a/p") != std::string::npos;
  std::string out;
  bool after_hour = false;  // an m right after h (or before s) means minutes
  for (std::size_t i = 0; i < pattern.size();) {
    const char c = lower[i];
    if (pattern[i] == '"') {
      const std::size_t end = pattern.find('"', i + 1);
      out += pattern.substr(i + 1, end == std::string_view::npos ? std::string_view::npos : end - i - 1);
      i = end == std::string_view::npos ? pattern.size() : end + 1;
      continue;
    }
    if (pattern[i] == '\\' && i + 1 < pattern.size()) {
      out += pattern[i + 1];
      i += 2;
      continue;
    }
    if (lower.compare(i, 5, "am/pm") == 0) {
      out += hour < 12 ? "AM" : "PM";
      i += 5;
      continue;
    }
    if (lower.compare(i, 3, "a/p") == 0) {
      out += hour < 12 ? "A" : "P";
      i += 3;
      continue;
    }
    std::size_t run = 1;
    while (i + run < lower.size() && lower[i + run] == c) ++run;
    if (c == 'y') {
      out += run <= 2 ? two_digits(date.year % 100) : std::to_string(date.year);
    } else if (c == 'm') {
      std::size_t next = i + run;
      while (next < lower.size() && !std::isalpha(static_cast<unsigned char>(lower[next]))) ++next;
      const bool minutes = run <= 2 && (after_hour || (next < lower.size() && lower[next] == 's'));
      if (minutes) {
        out += run == 1 ? std::to_string(minute) : two_digits(minute);
      } else if (run == 1) {
        out += std::to_string(date.month);
      } else if (run == 2) {
        out += two_digits(date.month);
      } else {
        const std::string name = kMonthNames[date.month - 1];
        out += run == 3 ? name.substr(0, 3) : run == 4 ? name : name.substr(0, 1);
      }
    } else if (c == 'd') {
      if (run <= 2) {
        out += run == 1 ? std::to_string(date.day) : two_digits(date.day);
      } else {
        const std::string name = kDayNames[weekday_sunday_first(std::floor(serial)) - 1];
        out += run == 3 ? name.substr(0, 3) : name;
      }
    } else if (c == 'h') {
      const int shown = twelve_hours ? (hour % 12 == 0 ? 12 : hour % 12) : hour;
      out += run == 1 ? std::to_string(shown) : two_digits(shown);
    } else if (c == 's') {
      out += run == 1 ? std::to_string(second) : two_digits(second);
    } else {
      out += pattern.substr(i, run);
    }
    if (c == 'h') after_hour = true;
    if (c != 'h' && c != 'm' && std::isalpha(static_cast<unsigned char>(c))) after_hour = false;
    i += run;
  }
  return out;
}

std::string with_grouping(const std::string& digits) {
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

// One number section: literals around one run of placeholders.
std::string format_number_section(double x, std::string_view section) {
  std::string prefix;
  std::string suffix;
  int integer_zeros = 0;
  int decimal_zeros = 0;
  int decimal_hashes = 0;
  int exponent_digits = 0;
  bool grouping = false;
  bool in_decimals = false;
  bool seen_digits = false;
  bool percent = false;
  for (std::size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    std::string literal;
    if (c == '"') {
      const std::size_t end = section.find('"', i + 1);
      literal =
          std::string(section.substr(i + 1, end == std::string_view::npos ? std::string_view::npos : end - i - 1));
      i = end == std::string_view::npos ? section.size() : end;
    } else if (c == '\\' && i + 1 < section.size()) {
      literal = std::string(1, section[++i]);
    } else if (c == '0' || c == '#' || c == '?') {
      seen_digits = true;
      if (in_decimals) {
        (c == '#' ? decimal_hashes : decimal_zeros) += 1;
      } else if (c != '#') {
        ++integer_zeros;
      }
      continue;
    } else if (c == '.' && !in_decimals) {
      in_decimals = true;
      seen_digits = true;
      continue;
    } else if (c == ',' && seen_digits && !in_decimals) {
      grouping = true;
      continue;
    } else if ((c == 'E' || c == 'e') && seen_digits && i + 1 < section.size() &&
               (section[i + 1] == '+' || section[i + 1] == '-')) {
      i += 2;
      while (i < section.size() && section[i] == '0') {
        ++exponent_digits;
        ++i;
      }
      --i;
      continue;
    } else {
      if (c == '%') percent = true;
      literal = std::string(1, c);
    }
    (seen_digits ? suffix : prefix) += literal;
  }
  if (percent) x *= 100.0;
  const bool negative = x < 0.0;
  double magnitude = std::fabs(x);
  int exponent = 0;
  if (exponent_digits > 0 && magnitude != 0.0) {
    exponent = static_cast<int>(std::floor(std::log10(magnitude))) - std::max(integer_zeros, 1) + 1;
    magnitude /= std::pow(10.0, exponent);
  }
  const int decimals = decimal_zeros + decimal_hashes;
  std::string pattern = "0";
  if (decimals > 0) pattern.append(".").append(static_cast<std::size_t>(decimals), '0');
  std::string digits = kx::format_number(magnitude, pattern);
  std::string integer = digits.substr(0, digits.find('.'));
  std::string fraction = decimals > 0 ? digits.substr(digits.find('.') + 1) : std::string();
  while (static_cast<int>(fraction.size()) > decimal_zeros && !fraction.empty() && fraction.back() == '0') {
    fraction.pop_back();
  }
  if (integer == "0" && integer_zeros == 0) integer.clear();
  if (static_cast<int>(integer.size()) < integer_zeros) {
    integer = std::string(static_cast<std::size_t>(integer_zeros) - integer.size(), '0') + integer;
  }
  if (grouping) integer = with_grouping(integer);
  std::string out = integer;
  if (in_decimals && (decimals > 0)) out.append(".").append(fraction);
  if (in_decimals && decimals == 0) out += ".";
  if (exponent_digits > 0) {
    std::string power = std::to_string(std::abs(exponent));
    out += exponent < 0 ? "E-" : "E+";
    if (static_cast<int>(power.size()) < exponent_digits) out.append(exponent_digits - power.size(), '0');
    out += power;
  }
  const bool shows_nonzero = out.find_first_of("123456789") != std::string::npos;
  return (negative && shows_nonzero ? "-" : "") + prefix + out + suffix;
}

}  // namespace

std::string format_text(double x, std::string_view format) {
  const std::vector<std::string> sections = sections_of(format);
  std::string_view section = sections[0];
  if (x < 0.0 && sections.size() >= 2) {
    section = sections[1];
    x = -x;
  } else if (x == 0.0 && sections.size() >= 3) {
    section = sections[2];
  }
  const std::string lower = kx::to_lower_ascii(section);
  if (lower == "general" || section.empty()) return kx::format_general(x);
  if (is_date_pattern(section)) return format_date(x, section);
  return format_number_section(x, section);
}

}  // namespace host::worksheet
