// Engineering functions: numbers written in binary, octal and hexadecimal (ten digits, the
// negative ones in two's complement), comparisons to a step, bitwise operations on whole
// numbers below 2^48, and the Bessel functions.
#include <boost/math/special_functions/bessel.hpp>
#include <cmath>
#include <cstdint>
#include <string>

#include "common/text_compare.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/boost_policy.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

// A number in a base takes at most ten digits; the ten-digit ones with the top bit set are negative.
constexpr int kMostDigits = 10;

std::int64_t power_of(int radix, int exponent) {
  std::int64_t power = 1;
  for (int i = 0; i < exponent; ++i) power *= radix;
  return power;
}

std::int64_t parsed_in(const kx::Value& value, int radix) {
  const kx::Value single = single_arg(value);
  if (single.is_boolean()) raise_error(kx::error::kXlValue, "a boolean is no number in a base");
  const std::string text = kx::to_upper_ascii(text_arg(single));
  check_domain(text.size() <= kMostDigits, "a number in a base has at most 10 digits");
  std::int64_t number = 0;
  for (const char c : text) {
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'Z' ? c - 'A' + 10 : radix;
    check_domain(digit < radix, "the text holds a character that is no digit of the base");
    number = number * radix + digit;
  }
  const std::int64_t full = power_of(radix, kMostDigits);
  return number >= full / 2 ? number - full : number;
}

// Written in the base: negative numbers as ten digits of two's complement, others padded to
// `places` digits when given.
std::string written_in(std::int64_t number, int radix, const kx::Value& places_arg) {
  const std::int64_t full = power_of(radix, kMostDigits);
  check_domain(number >= -full / 2 && number < full / 2, "the number is out of the base's range");
  std::string digits;
  for (std::uint64_t rest = static_cast<std::uint64_t>(number < 0 ? number + full : number); rest > 0; rest /= radix) {
    digits.insert(digits.begin(), "0123456789ABCDEF"[rest % static_cast<std::uint64_t>(radix)]);
  }
  if (digits.empty()) digits.push_back('0');
  if (number < 0 || is_omitted(places_arg)) return digits;
  const kx::Value places_value = single_arg(places_arg);
  if (places_value.is_boolean()) raise_error(kx::error::kXlValue, "places must be a number");
  const double places = whole_arg(places_value);
  check_domain(places >= static_cast<double>(digits.size()) && places <= kMostDigits,
               "places is too small for the number or above 10");
  return std::string(static_cast<std::size_t>(places) - digits.size(), '0') + digits;
}

template <int From, int To>
kx::Value base_to_base(Arguments args) {
  return written_in(parsed_in(args[0], From), To, args[1]);
}

template <int From>
kx::Value base_to_decimal(Arguments args) {
  return static_cast<double>(parsed_in(args[0], From));
}

template <int To>
kx::Value decimal_to_base(Arguments args) {
  const kx::Value number = single_arg(args[0]);
  if (number.is_boolean()) raise_error(kx::error::kXlValue, "a boolean is no number");
  const double whole = std::trunc(number_arg(number));
  const double full = static_cast<double>(power_of(To, kMostDigits));
  check_domain(whole >= -full / 2 && whole < full / 2, "the number is out of the base's range");
  return written_in(static_cast<std::int64_t>(whole), To, args[1]);
}

kx::Value delta(Arguments args) { return number_arg(args[0]) == number_or(args[1], 0.0) ? 1.0 : 0.0; }
kx::Value greater_or_equal_step(Arguments args) { return number_arg(args[0]) >= number_or(args[1], 0.0) ? 1.0 : 0.0; }

// The bitwise functions take whole numbers from 0 to 2^48 - 1.
constexpr double kBitLimit = 281474976710656.0;

std::uint64_t bits_arg(const kx::Value& value) {
  const double x = number_arg(value);
  check_domain(x >= 0.0 && x < kBitLimit && x == std::trunc(x), "the number must be a whole number from 0 to 2^48-1");
  return static_cast<std::uint64_t>(x);
}

kx::Value bit_and(Arguments args) { return static_cast<double>(bits_arg(args[0]) & bits_arg(args[1])); }
kx::Value bit_or(Arguments args) { return static_cast<double>(bits_arg(args[0]) | bits_arg(args[1])); }
kx::Value bit_xor(Arguments args) { return static_cast<double>(bits_arg(args[0]) ^ bits_arg(args[1])); }

// A negative shift goes the other way; bits shifted out on the right are lost, and the
// result may pass 2^48.
double shifted(std::uint64_t number, double amount) {
  check_domain(std::fabs(amount) <= 53.0, "the shift must be from -53 to 53");
  const int shift = static_cast<int>(std::trunc(amount));
  if (shift < 0) return static_cast<double>(number >> -shift);
  return std::ldexp(static_cast<double>(number), shift);
}

kx::Value bit_left_shift(Arguments args) { return shifted(bits_arg(args[0]), number_arg(args[1])); }
kx::Value bit_right_shift(Arguments args) { return shifted(bits_arg(args[0]), -number_arg(args[1])); }

int bessel_order(const kx::Value& value) {
  const double n = whole_arg(value);
  check_domain(n >= 0.0 && n <= 1000.0, "the order must be from 0 to 1000");
  return static_cast<int>(n);
}

kx::Value bessel_i(Arguments args) {
  return boost::math::cyl_bessel_i(bessel_order(args[1]), number_arg(args[0]), BoostPolicy());
}

kx::Value bessel_j(Arguments args) {
  return boost::math::cyl_bessel_j(bessel_order(args[1]), number_arg(args[0]), BoostPolicy());
}

kx::Value bessel_k(Arguments args) {
  const double x = number_arg(args[0]);
  const int n = bessel_order(args[1]);
  check_domain(x > 0.0, "BESSELK needs x > 0");
  return boost::math::cyl_bessel_k(n, x, BoostPolicy());
}

kx::Value bessel_y(Arguments args) {
  const double x = number_arg(args[0]);
  const int n = bessel_order(args[1]);
  check_domain(x > 0.0, "BESSELY needs x > 0");
  return boost::math::cyl_neumann(n, x, BoostPolicy());
}

constexpr SheetFunction kFunctions[] = {
    {"BIN2DEC", 1, 1, kSingleValues, base_to_decimal<2>, "number"},
    {"BIN2HEX", 1, 2, kSingleValues, base_to_base<2, 16>, "number, [places]"},
    {"BIN2OCT", 1, 2, kSingleValues, base_to_base<2, 8>, "number, [places]"},
    {"DEC2BIN", 1, 2, kSingleValues, decimal_to_base<2>, "number, [places]"},
    {"DEC2HEX", 1, 2, kSingleValues, decimal_to_base<16>, "number, [places]"},
    {"DEC2OCT", 1, 2, kSingleValues, decimal_to_base<8>, "number, [places]"},
    {"HEX2BIN", 1, 2, kSingleValues, base_to_base<16, 2>, "number, [places]"},
    {"HEX2DEC", 1, 1, kSingleValues, base_to_decimal<16>, "number"},
    {"HEX2OCT", 1, 2, kSingleValues, base_to_base<16, 8>, "number, [places]"},
    {"OCT2BIN", 1, 2, kSingleValues, base_to_base<8, 2>, "number, [places]"},
    {"OCT2DEC", 1, 1, kSingleValues, base_to_decimal<8>, "number"},
    {"OCT2HEX", 1, 2, kSingleValues, base_to_base<8, 16>, "number, [places]"},
    {"DELTA", 1, 2, kSingleValues, delta, "number1, [number2]"},
    {"GESTEP", 1, 2, kSingleValues, greater_or_equal_step, "number, [step]"},
    {"BITAND", 2, 2, kSingleValues, bit_and, "number1, number2"},
    {"BITOR", 2, 2, kSingleValues, bit_or, "number1, number2"},
    {"BITXOR", 2, 2, kSingleValues, bit_xor, "number1, number2"},
    {"BITLSHIFT", 2, 2, kSingleValues, bit_left_shift, "number, shift_amount"},
    {"BITRSHIFT", 2, 2, kSingleValues, bit_right_shift, "number, shift_amount"},
    {"BESSELI", 2, 2, kSingleValues, bessel_i, "x, n"},
    {"BESSELJ", 2, 2, kSingleValues, bessel_j, "x, n"},
    {"BESSELK", 2, 2, kSingleValues, bessel_k, "x, n"},
    {"BESSELY", 2, 2, kSingleValues, bessel_y, "x, n"},
};

}  // namespace

Family engineering_functions() { return kFunctions; }

}  // namespace host::worksheet
