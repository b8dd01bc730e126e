// Math functions beyond the arithmetic the components call: truncation and rounding to
// multiples, signs and parities, products and quotients, combinations, random numbers.
#include <boost/math/special_functions/binomial.hpp>
#include <cmath>
#include <numeric>
#include <vector>

#include "common/uniform_generator.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/boost_policy.hpp"
#include "host/worksheet/families.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

kx::Value sign(Arguments args) {
  const double x = number_arg(args[0]);
  return static_cast<double>((x > 0.0) - (x < 0.0));
}

kx::Value product(Arguments args) {
  const std::vector<double> numbers = numbers_of(args);
  if (numbers.empty()) return 0.0;
  return std::accumulate(numbers.begin(), numbers.end(), 1.0, std::multiplies<>());
}

kx::Value quotient(Arguments args) {
  const double numerator = number_arg(args[0]);
  const double denominator = number_arg(args[1]);
  if (denominator == 0.0) raise_error(kx::error::kXlDiv0, "the denominator is 0");
  return std::trunc(numerator / denominator);
}

kx::Value combinations(Arguments args) {
  const double n = whole_arg(args[0]);
  const double k = whole_arg(args[1]);
  check_domain(n >= 0.0 && k >= 0.0 && k <= n, "COMBIN needs 0 <= chosen <= number");
  // Beyond a 32-bit count the result is far past the largest double anyway.
  check_domain(n <= 4294967295.0, "the number of items is too large");
  return boost::math::binomial_coefficient<double>(static_cast<unsigned>(n), static_cast<unsigned>(k), BoostPolicy());
}

// The nearest even (or odd) whole number away from 0.
kx::Value even(Arguments args) {
  const double x = number_arg(args[0]);
  return std::copysign(2.0 * std::ceil(std::fabs(x) / 2.0), x);
}

kx::Value odd(Arguments args) {
  const double x = number_arg(args[0]);
  const double magnitude = 2.0 * std::ceil((std::fabs(x) + 1.0) / 2.0) - 1.0;
  return x < 0.0 ? -magnitude : magnitude;
}

// From the host's generator, as the sampling functions draw: reproducible runs stay reproducible.
kx::Value random_number(Arguments) { return kx::uniform_generator().next(); }

kx::Value random_between(Arguments args) {
  const double low = std::ceil(number_arg(args[0]));
  const double high = std::floor(number_arg(args[1]));
  check_domain(low <= high, "bottom must not exceed top");
  const double drawn = low + std::floor(kx::uniform_generator().next() * (high - low + 1.0));
  return std::min(drawn, high);
}

constexpr SheetFunction kFunctions[] = {
    {"TRUNC", 1, 2, kSingleValues, round_down_digits, "number, [num_digits]"},
    {"CEILING", 2, 2, kSingleValues, ceiling_to_multiple, "number, significance"},
    {"MROUND", 2, 2, kSingleValues, round_to_multiple, "number, multiple"},
    {"SIGN", 1, 1, kSingleValues, sign, "number"},
    {"PRODUCT", 1, kUnlimited, kArrays, product, "number1, ..."},
    {"QUOTIENT", 2, 2, kSingleValues, quotient, "numerator, denominator"},
    {"COMBIN", 2, 2, kSingleValues, combinations, "number, number_chosen"},
    {"EVEN", 1, 1, kSingleValues, even, "number"},
    {"ODD", 1, 1, kSingleValues, odd, "number"},
    {"RAND", 0, 0, kSingleValues, random_number, "", true},
    {"RANDBETWEEN", 2, 2, kSingleValues, random_between, "bottom, top", true},
};

}  // namespace

Family math_functions() { return kFunctions; }

}  // namespace host::worksheet
