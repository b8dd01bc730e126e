// The formats of TEXT: number patterns (0 # ? placeholders, thousands commas, decimals,
// percent, scientific, fractions, literals between the digits, sections for negatives and
// zero or chosen by conditions such as [<0]), date patterns (y m d h s, AM/PM, elapsed [h]),
// colours and locales in brackets (shown as nothing), @ for a text, and General.
#include "host/worksheet/text_format.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
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
  const Date date = date_of(std::min(serial, kLastSerial));
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
    if (pattern[i] == '[') {
      // Elapsed time: [h] counts every hour of the serial, [m] and [s] every minute or second.
      const std::size_t end = lower.find(']', i);
      const std::string unit = lower.substr(i + 1, end == std::string::npos ? 0 : end - i - 1);
      const double total_seconds = std::round(serial * 86400.0);
      const char kind = unit.empty() ? ' ' : unit[0];
      const double per = kind == 'h' ? 3600.0 : kind == 'm' ? 60.0 : 1.0;
      const auto elapsed = static_cast<long long>(std::floor(total_seconds / per));
      std::string digits = std::to_string(elapsed);
      if (digits.size() < unit.size()) digits.insert(0, unit.size() - digits.size(), '0');
      out += digits;
      if (kind == 'h') after_hour = true;
      i = end == std::string::npos ? pattern.size() : end + 1;
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

// The integer digits poured into the integer placeholders from the right, literals between
// them kept in place: "00-00-00-00" shows 1234 as 00-00-12-34. The leftmost placeholder takes
// every digit left over; '0' shows 0 where no digit is left, '?' a space, '#' nothing.
std::string fill_integer(const std::string& digits, const std::string& layout) {
  std::string out;
  std::size_t next = digits.size();  // digits[0, next) are still to place
  std::size_t leftmost = layout.find_first_of("0#?");
  for (std::size_t i = layout.size(); i-- > 0;) {
    const char c = layout[i];
    if (c != '0' && c != '#' && c != '?') {
      out.insert(0, 1, c);
      continue;
    }
    if (i == leftmost) {
      if (next > 0) {
        out.insert(0, digits.substr(0, next));
        next = 0;
      } else if (c != '#') {
        out.insert(0, 1, c == '0' ? '0' : ' ');
      }
      continue;
    }
    if (next > 0) {
      out.insert(0, 1, digits[--next]);
    } else if (c != '#') {
      out.insert(0, 1, c == '0' ? '0' : ' ');
    }
  }
  return out;
}

// The fraction n/d nearest to x with d below `largest`.
std::pair<long long, long long> nearest_fraction(double x, long long largest) {
  std::pair<long long, long long> best{std::llround(x), 1};
  double error = std::fabs(x - static_cast<double>(best.first));
  for (long long d = 2; d <= largest; ++d) {
    const long long n = std::llround(x * static_cast<double>(d));
    const double e = std::fabs(x - static_cast<double>(n) / static_cast<double>(d));
    if (e < error - 1e-15) {
      best = {n, d};
      error = e;
    }
  }
  return best;
}

// A placeholder run written to its width: '?' pads with spaces, '0' with zeros.
std::string padded(const std::string& digits, std::string_view run, bool left_aligned) {
  if (digits.size() >= run.size()) return digits;
  const char pad = run.find('0') != std::string_view::npos ? '0' : run.find('?') != std::string_view::npos ? ' ' : '\0';
  if (pad == '\0') return digits;
  const std::string fill(run.size() - digits.size(), pad);
  return left_aligned ? digits + fill : fill + digits;
}

// "# ?/?", "# ??/??", "?/8": a whole part (when the pattern has one) and a fraction whose
// denominator has at most as many digits as its placeholders, or is the one given.
std::optional<std::string> format_fraction(double x, std::string_view section) {
  const std::size_t slash = section.find('/');
  if (slash == std::string_view::npos || section.find_first_of("\"") != std::string_view::npos) return std::nullopt;
  const std::string_view before = section.substr(0, slash);
  const std::string_view after = section.substr(slash + 1);
  const std::size_t numerator_start = before.find_last_not_of("0#?");
  const std::string_view numerator_run =
      before.substr(numerator_start == std::string_view::npos ? 0 : numerator_start + 1);
  const std::size_t denominator_end = after.find_first_not_of("0123456789#?");
  const std::string_view denominator_run = after.substr(0, denominator_end);
  if (numerator_run.empty() || denominator_run.empty()) return std::nullopt;
  const std::string_view whole_part = before.substr(0, before.size() - numerator_run.size());
  const std::size_t whole_run_end = whole_part.find_last_of("0#?");
  const bool has_whole = whole_run_end != std::string_view::npos;
  const double magnitude = std::fabs(x);
  double whole = has_whole ? std::floor(magnitude) : 0.0;
  const double rest = magnitude - whole;
  std::pair<long long, long long> fraction;
  if (denominator_run.find_first_of("#?0") == std::string_view::npos) {
    const long long d = std::stoll(std::string(denominator_run));
    if (d <= 0) return std::nullopt;
    fraction = {std::llround(rest * static_cast<double>(d)), d};
  } else {
    long long largest = 1;
    for (std::size_t i = 0; i < std::min<std::size_t>(denominator_run.size(), 4); ++i) largest *= 10;
    fraction = nearest_fraction(rest, largest - 1);
  }
  if (has_whole && fraction.first == fraction.second) {
    whole += 1.0;
    fraction.first = 0;
  }
  std::string out = x < 0.0 ? "-" : "";
  if (has_whole) {
    const std::string whole_digits = whole == 0.0 ? std::string() : kx::format_general(whole);
    out += fill_integer(whole_digits, std::string(whole_part.substr(0, whole_run_end + 1)));
    out += whole_part.substr(whole_run_end + 1);
  }
  if (has_whole && fraction.first == 0) {
    // No fraction to show: its place is kept blank.
    out += std::string(numerator_run.size() + 1 + denominator_run.size(), ' ');
    return out + std::string(after.substr(denominator_end == std::string_view::npos ? after.size() : denominator_end));
  }
  out += padded(std::to_string(fraction.first), numerator_run, false) + "/" +
         padded(std::to_string(fraction.second), denominator_run, true);
  return out + std::string(after.substr(denominator_end == std::string_view::npos ? after.size() : denominator_end));
}

// One number section: literals before, between and after the placeholders.
std::string format_number_section(double x, std::string_view section) {
  if (const auto fraction = format_fraction(x, section)) return *fraction;
  std::string prefix;
  std::string suffix;
  std::string layout;  // the integer placeholders and the literals between them
  int integer_zeros = 0;
  int decimal_zeros = 0;
  int decimal_hashes = 0;
  int exponent_digits = 0;
  bool grouping = false;
  bool in_decimals = false;
  bool seen_digits = false;
  bool percent = false;
  std::string pending;  // literals after a placeholder: between digits if another follows
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
      if (in_decimals) {
        (c == '#' ? decimal_hashes : decimal_zeros) += 1;
        suffix += pending;  // literals among the decimals go after them
      } else {
        if (c != '#') ++integer_zeros;
        layout += pending;
        layout += c;
      }
      pending.clear();
      seen_digits = true;
      continue;
    } else if (c == '.' && !in_decimals) {
      in_decimals = true;
      seen_digits = true;
      suffix += pending;
      pending.clear();
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
    (seen_digits ? pending : prefix) += literal;
  }
  suffix += pending;
  // A section of literals alone shows them, and the sign, but no digits.
  if (!seen_digits) return (x < 0.0 ? "-" : "") + prefix;
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
  if (integer == "0") integer.clear();
  const bool literals_between = layout.find_first_not_of("0#?") != std::string::npos;
  if (grouping && !literals_between) integer = with_grouping(integer);
  std::string out = literals_between ? fill_integer(integer, layout) : integer;
  if (!literals_between && static_cast<int>(out.size()) < integer_zeros) {
    out.insert(0, static_cast<std::size_t>(integer_zeros) - out.size(), '0');
  }
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

// General as a cell shows it: at most 11 characters besides the sign, in the decimal or the
// scientific form, whichever keeps more significant digits (the decimal one on a tie).
std::string general_text(double x) {
  if (x == 0.0) return "0";
  const double magnitude = std::fabs(x);
  std::string decimal;
  int decimal_digits = 0;
  if (magnitude < 1e11) {
    for (int digits = 11; digits >= 1; --digits) {
      const std::string text = kx::format_general(magnitude, '.', digits);
      if (text.size() <= 11 && text.find('E') == std::string::npos) {
        decimal = text;
        const std::string shown = text.substr(text.find_first_not_of("0."));
        decimal_digits = static_cast<int>(std::count_if(shown.begin(), shown.end(), ::isdigit));
        // Trailing zeros of a whole number are significant only as far as the digits go.
        decimal_digits = std::min(decimal_digits, digits);
        break;
      }
    }
  }
  std::string scientific;
  int scientific_digits = 0;
  for (int decimals = 5; decimals >= 0; --decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*E", decimals, magnitude);
    std::string written = text;
    const std::size_t e = written.find('E');
    std::string mantissa = written.substr(0, e);
    if (mantissa.find('.') != std::string::npos) {
      while (mantissa.back() == '0') mantissa.pop_back();
      if (mantissa.back() == '.') mantissa.pop_back();
    }
    written = mantissa + written.substr(e);
    if (written.size() <= 11) {
      scientific = written;
      scientific_digits = static_cast<int>(std::count_if(mantissa.begin(), mantissa.end(), ::isdigit));
      break;
    }
  }
  const std::string& chosen = !decimal.empty() && decimal_digits >= scientific_digits ? decimal : scientific;
  return (x < 0.0 ? "-" : "") + chosen;
}

// A condition such as [<0] or [>=100] in front of a section.
struct Condition {
  std::string op;
  double value;
  bool holds(double x) const {
    if (op == "<") return x < value;
    if (op == "<=") return x <= value;
    if (op == ">") return x > value;
    if (op == ">=") return x >= value;
    if (op == "<>") return x != value;
    return x == value;
  }
};

// A section without its bracketed codes: colours and locales are left out, a condition is
// taken apart, elapsed-time units ([h], [mm], [ss]) stay.
struct Section {
  std::string pattern;
  std::optional<Condition> condition;
};

Section parsed_section(std::string_view text) {
  Section section;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') quoted = !quoted;
    if (quoted || c != '[') {
      section.pattern += c;
      continue;
    }
    const std::size_t end = text.find(']', i);
    if (end == std::string_view::npos) {
      section.pattern += text.substr(i);
      break;
    }
    const std::string code(text.substr(i + 1, end - i - 1));
    const std::string lower = kx::to_lower_ascii(code);
    if (!lower.empty() && lower.find_first_not_of("hms") == std::string::npos) {
      section.pattern += "[" + code + "]";
    } else if (!code.empty() && (code[0] == '<' || code[0] == '>' || code[0] == '=')) {
      const std::size_t number_start = code.find_first_not_of("<>=");
      const auto value = kx::parse_number(code.substr(number_start == std::string::npos ? code.size() : number_start));
      if (value) section.condition = Condition{code.substr(0, number_start), *value};
    } else if (code.size() > 1 && code[0] == '$') {
      // [$€-407]: the currency symbol is shown, the locale after the dash is not.
      section.pattern +=
          "\"" + code.substr(1, code.find('-') == std::string::npos ? std::string::npos : code.find('-') - 1) + "\"";
    }
    i = end;
  }
  return section;
}

}  // namespace

std::string format_text(double x, std::string_view format) {
  std::vector<Section> sections;
  for (const std::string& text : sections_of(format)) sections.push_back(parsed_section(text));
  // Sections with conditions are chosen by them; others by the sign: positive, negative
  // (shown without its minus), zero; a fourth section is for texts.
  const bool conditional = std::any_of(sections.begin(), sections.end(), [](const Section& s) { return s.condition; });
  const Section* chosen = &sections[0];
  if (conditional) {
    const Section* fallback = nullptr;
    chosen = nullptr;
    for (const Section& section : sections) {
      if (section.condition ? section.condition->holds(x) : fallback == nullptr) {
        if (section.condition) {
          chosen = &section;
          break;
        }
        fallback = &section;
      }
    }
    if (chosen == nullptr) chosen = fallback != nullptr ? fallback : &sections.back();
    // A section for numbers below 0 shows them without the minus, as the negative one does.
    const auto& condition = chosen->condition;
    if (condition && (condition->op == "<" || condition->op == "<=") && condition->value <= 0.0) x = -x;
  } else if (x < 0.0 && sections.size() >= 2 && !sections[1].pattern.empty()) {
    chosen = &sections[1];
    x = -x;
  } else if (x == 0.0 && sections.size() >= 3) {
    chosen = &sections[2];
  }
  const std::string_view section = chosen->pattern;
  const std::string lower = kx::to_lower_ascii(section);
  if (lower == "general" || section.empty()) return general_text(x);
  if (const std::size_t at = lower.find("general"); at != std::string::npos) {
    // Literals around General, as in General" units".
    const auto literal = [](std::string_view text) {
      std::string out;
      for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
          out += text[++i];
        } else if (text[i] != '"') {
          out += text[i];
        }
      }
      return out;
    };
    return literal(section.substr(0, at)) + general_text(x) + literal(section.substr(at + 7));
  }
  if (is_date_pattern(section)) return format_date(x, section);
  return format_number_section(x, section);
}

std::string format_text(const std::string& text, std::string_view format) {
  const std::vector<std::string> sections = sections_of(format);
  // A text takes the fourth section, or the only one when it holds @; else it stays as it is.
  std::string section;
  if (sections.size() >= 4) {
    section = sections[3];
  } else if (sections.size() == 1 && sections[0].find('@') != std::string::npos) {
    section = sections[0];
  } else {
    return text;
  }
  std::string out;
  bool quoted = false;
  for (std::size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    if (c == '"') {
      quoted = !quoted;
      continue;
    }
    if (!quoted && c == '\\' && i + 1 < section.size()) {
      out += section[++i];
    } else if (!quoted && c == '@') {
      out += text;
    } else if (!quoted && c == '[') {
      const std::size_t end = section.find(']', i);
      i = end == std::string::npos ? section.size() : end;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace host::worksheet
