// Pattern formatting on the decimal digits a user sees, not on the binary value.
#include "common/number_format.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "common/failure.hpp"

namespace kx {
namespace {

struct Pattern {
  int decimals = 0;
  bool percent = false;
};

Pattern parse_pattern(std::string_view pattern) {
  Pattern parsed;
  std::string_view rest = pattern;
  if (!rest.empty() && rest.back() == '%') {
    parsed.percent = true;
    rest.remove_suffix(1);
  }
  if (rest.empty() || rest.front() != '0')
    throw Failure(error::kInvalidCall, "Unsupported number format \"" + std::string(pattern) + "\"");
  rest.remove_prefix(1);
  if (!rest.empty()) {
    if (rest.front() != '.' || rest.size() < 2 || rest.find_first_not_of('0', 1) != std::string_view::npos) {
      throw Failure(error::kInvalidCall, "Unsupported number format \"" + std::string(pattern) + "\"");
    }
    parsed.decimals = static_cast<int>(rest.size() - 1);
  }
  return parsed;
}

}  // namespace

std::string format_number(double number, std::string_view pattern, char decimal_separator) {
  const Pattern format = parse_pattern(pattern);
  if (!std::isfinite(number)) throw Failure(error::kOverflow);

  // The 15 significant digits of the number: digits[0] is the leading one, at 10^exponent.
  char scientific[32];
  std::snprintf(scientific, sizeof scientific, "%.14e", std::fabs(number));
  std::string digits;
  digits += scientific[0];
  digits.append(scientific + 2, 14);
  int exponent = 0;
  const char* e = scientific + 16;  // "d.dddddddddddddde±xx"
  std::from_chars(e + 1 + (e[1] == '+'), scientific + std::char_traits<char>::length(scientific), exponent);
  if (number == 0.0) exponent = 0;
  // A percentage scales by 100; zero has no leading digit to move.
  if (format.percent && number != 0.0) exponent += 2;

  // Keep the digits down to 10^-decimals, rounding the first dropped digit away from zero.
  const int kept = exponent + 1 + format.decimals;
  if (kept < 0) {
    digits.assign(1, '0');
    exponent = -format.decimals;
  } else if (kept < static_cast<int>(digits.size())) {
    const bool round_up = digits[static_cast<std::size_t>(kept)] >= '5';
    digits.resize(static_cast<std::size_t>(kept));
    if (round_up) {
      int i = kept - 1;
      while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9') digits[static_cast<std::size_t>(i--)] = '0';
      if (i >= 0) {
        ++digits[static_cast<std::size_t>(i)];
      } else {
        digits.insert(digits.begin(), '1');
        ++exponent;
      }
    }
    if (digits.empty()) {
      digits.assign(1, '0');
      exponent = -format.decimals;
    }
  }

  // Lay the digits out: whole part, then exactly `decimals` fractional digits.
  std::string whole;
  std::string fraction;
  for (int position = std::max(exponent, 0); position >= -format.decimals; --position) {
    const int index = exponent - position;
    const char digit =
        (index >= 0 && index < static_cast<int>(digits.size())) ? digits[static_cast<std::size_t>(index)] : '0';
    (position >= 0 ? whole : fraction) += digit;
  }
  const bool is_zero =
      whole.find_first_not_of('0') == std::string::npos && fraction.find_first_not_of('0') == std::string::npos;
  std::string result = (number < 0 && !is_zero) ? "-" : "";
  result += whole;
  if (format.decimals > 0) {
    result += decimal_separator;
    result += fraction;
  }
  if (format.percent) result += '%';
  return result;
}

}  // namespace kx
