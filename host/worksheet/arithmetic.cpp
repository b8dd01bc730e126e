// Arithmetic worksheet functions: logarithms, factorial, gamma, and rounding on the decimal
// digits the user sees.
#include <algorithm>
#include <boost/math/special_functions/factorials.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <system_error>

#include "host/worksheet/arguments.hpp"
#include "host/worksheet/boost_policy.hpp"
#include "host/worksheet/families.hpp"

namespace host::worksheet {
namespace {

// The spreadsheet shows and rounds numbers on 15 significant digits.
constexpr int kShownDigits = 15;
// Digit counts beyond any double's range; larger requests change nothing more.
constexpr double kDigitLimit = 400.0;

// |x| as kShownDigits decimal digits: |x| ~= digits * 10^exponent.
struct ShownDigits {
  std::int64_t digits = 0;
  int exponent = 0;
};

ShownDigits shown_digits(double magnitude) {
  char buffer[40];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, kShownDigits - 1);
  // The text is d.dddddddddddddde±x...
  ShownDigits shown;
  const char* cursor = buffer;
  for (; *cursor != 'e'; ++cursor) {
    if (*cursor != '.') shown.digits = shown.digits * 10 + (*cursor - '0');
  }
  int power = 0;
  std::from_chars(cursor + 1 + (cursor[1] == '+'), result.ptr, power);
  shown.exponent = power - (kShownDigits - 1);
  return shown;
}

// The double nearest to ±whole * 10^exponent.
double decimal_value(bool negative, std::int64_t whole, int exponent) {
  if (whole == 0) return 0.0;
  const std::string text = std::to_string(whole) + "e" + std::to_string(exponent);
  double value = 0.0;
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (status == std::errc::result_out_of_range && exponent < 0) return 0.0;  // below the smallest double
  if (status != std::errc()) raise_error(kx::error::kXlNum, "the rounded number is too large");
  return negative ? -value : value;
}

// x on the digits the user sees.
double shown_value(double x) {
  if (x == 0.0) return 0.0;
  const ShownDigits shown = shown_digits(std::fabs(x));
  return decimal_value(x < 0.0, shown.digits, shown.exponent);
}

enum class Direction { kHalfAwayFromZero, kAwayFromZero, kTowardZero };

// Rounds the shown digits of x to `places` decimals (negative: to tens, hundreds, ...).
double round_shown(double x, double places, Direction direction) {
  if (x == 0.0) return 0.0;
  const int decimals = static_cast<int>(std::clamp(places, -kDigitLimit, kDigitLimit));
  const ShownDigits shown = shown_digits(std::fabs(x));
  const int dropped = -decimals - shown.exponent;
  if (dropped <= 0) return x;  // the number has no digits beyond those kept
  std::int64_t kept = 0;
  std::int64_t rest = shown.digits;
  std::int64_t unit = 0;  // 10^dropped, when it fits
  if (dropped < kShownDigits + 1) {
    unit = 1;
    for (int i = 0; i < dropped; ++i) unit *= 10;
    kept = shown.digits / unit;
    rest = shown.digits % unit;
  }
  switch (direction) {
    case Direction::kHalfAwayFromZero: kept += unit != 0 && 2 * rest >= unit; break;
    case Direction::kAwayFromZero: kept += rest != 0; break;
    case Direction::kTowardZero: break;
  }
  return decimal_value(x < 0.0, kept, -decimals);
}

kx::Value rounded(Arguments args, Direction direction) {
  return round_shown(number_arg(args[0]), whole_arg(args[1]), direction);
}

}  // namespace

kx::Value gamma_ln(Arguments args) {
  const double x = number_arg(args[0]);
  check_domain(x > 0.0, "x must be positive");
  return boost::math::lgamma(x, BoostPolicy());
}

double natural_log_of(double x) {
  check_domain(x > 0.0, "the number must be positive");
  return std::log(x);
}

kx::Value natural_log(Arguments args) { return natural_log_of(number_arg(args[0])); }

kx::Value log_to_base(Arguments args) {
  const double x = number_arg(args[0]);
  const double base = number_or(args[1], 10.0);
  check_domain(x > 0.0, "the number must be positive");
  check_domain(base > 0.0, "the base must be positive");
  if (base == 1.0) raise_error(kx::error::kXlDiv0, "the base must not be 1");
  // Exact powers of the base give whole logarithms, which the quotient of two logarithms may miss.
  const double exponent = std::log(x) / std::log(base);
  const double whole = std::round(exponent);
  return std::pow(base, whole) == x ? whole : exponent;
}

kx::Value pi_constant(Arguments) { return std::numbers::pi; }

kx::Value factorial(Arguments args) {
  const double n = whole_arg(args[0]);
  check_domain(n >= 0.0, "the number must not be negative");
  check_domain(n <= boost::math::max_factorial<double>::value, "the factorial is too large");
  return boost::math::factorial<double>(static_cast<unsigned>(n), BoostPolicy());
}

double to_multiple(double x, double step, double (*to_whole)(double)) {
  double quotient = x / step;
  check_domain(std::isfinite(quotient), "the number is too many steps away from 0");
  // On the shown digits 0.3 is a multiple of 0.1, though 0.3/0.1 is a hair below 3 in binary.
  // Only a quotient within 15-digit rounding of a whole number can move: others skip the
  // costly decimal snap.
  if (std::fabs(quotient - std::round(quotient)) <= 1e-13 * std::fabs(quotient)) quotient = shown_value(quotient);
  const double result = to_whole(quotient) * step;
  // Whole steps give exact products below 2^53; others are shown on 15 digits.
  const bool exact = step == std::trunc(step) && std::fabs(result) < 0x1p53;
  return exact ? result : shown_value(result);
}

namespace {

double round_half_away(double x) { return std::round(x); }
double round_up(double x) { return std::ceil(x); }
double round_down(double x) { return std::floor(x); }

}  // namespace

// FLOOR(number, significance): a negative number with a positive significance rounds away
// from 0 (FLOOR(-2.5,2) is -4); a positive number with a negative significance is #NUM!.
kx::Value floor_to_multiple(Arguments args) {
  const double x = number_arg(args[0]);
  const double step = number_arg(args[1]);
  if (x == 0.0) return 0.0;
  if (step == 0.0) raise_error(kx::error::kXlDiv0, "the step must not be 0");
  check_domain(!(x > 0.0 && step < 0.0), "a positive number needs a positive significance");
  return to_multiple(x, step, round_down);
}

// CEILING(number, significance): a negative number may take a positive significance, and
// then rounds toward 0; a positive number with a negative significance is #NUM!.
kx::Value ceiling_to_multiple(Arguments args) {
  const double x = number_arg(args[0]);
  const double step = number_arg(args[1]);
  if (x == 0.0 || step == 0.0) return 0.0;
  check_domain(!(x > 0.0 && step < 0.0), "a positive number needs a positive significance");
  return to_multiple(x, step, round_up);
}

// MROUND takes no booleans: TRUE is #VALUE! there, not 1.
kx::Value round_to_multiple(Arguments args) {
  if (single_arg(args[0]).is_boolean() || single_arg(args[1]).is_boolean()) {
    raise_error(kx::error::kXlValue, "MROUND takes numbers, not TRUE or FALSE");
  }
  const double x = number_arg(args[0]);
  const double step = number_arg(args[1]);
  if (x == 0.0 || step == 0.0) return 0.0;
  check_domain((x > 0.0) == (step > 0.0), "the number and the multiple must have the same sign");
  return to_multiple(x, step, round_half_away);
}

kx::Value round_digits(Arguments args) { return rounded(args, Direction::kHalfAwayFromZero); }
kx::Value round_up_digits(Arguments args) { return rounded(args, Direction::kAwayFromZero); }
kx::Value round_down_digits(Arguments args) { return rounded(args, Direction::kTowardZero); }

}  // namespace host::worksheet
