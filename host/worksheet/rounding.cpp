// Rounding to multiples whatever the significance's sign: FLOOR.MATH and CEILING.MATH with
// their mode for negative numbers, the .PRECISE forms, ISO.CEILING.
#include <cmath>

#include "host/worksheet/arguments.hpp"
#include "host/worksheet/families.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

double round_down(double x) { return std::floor(x); }
double round_up(double x) { return std::ceil(x); }
double round_toward_zero(double x) { return std::trunc(x); }
double round_away_from_zero(double x) { return x < 0.0 ? std::floor(x) : std::ceil(x); }

// The number rounded to a multiple of |significance| (1 when omitted); 0 for a zero significance.
double rounded(const kx::Value& number, const kx::Value& significance, double (*to_whole)(double)) {
  const double x = number_arg(number);
  const double step = std::fabs(number_or(significance, 1.0));
  if (x == 0.0 || step == 0.0) return 0.0;
  return to_multiple(x, step, to_whole);
}

// A mode other than 0 rounds negative numbers the other way: FLOOR.MATH toward 0,
// CEILING.MATH away from it.
kx::Value floor_math(Arguments args) {
  const bool negative_toward_zero = !is_omitted(args[2]) && number_arg(args[2]) != 0.0;
  return rounded(args[0], args[1], negative_toward_zero ? round_toward_zero : round_down);
}

kx::Value ceiling_math(Arguments args) {
  const bool negative_away = !is_omitted(args[2]) && number_arg(args[2]) != 0.0;
  return rounded(args[0], args[1], negative_away ? round_away_from_zero : round_up);
}

kx::Value floor_precise(Arguments args) { return rounded(args[0], args[1], round_down); }
kx::Value ceiling_precise(Arguments args) { return rounded(args[0], args[1], round_up); }

constexpr SheetFunction kFunctions[] = {
    {"FLOOR.MATH", 1, 3, kSingleValues, floor_math, "number, [significance], [mode]"},
    {"CEILING.MATH", 1, 3, kSingleValues, ceiling_math, "number, [significance], [mode]"},
    {"FLOOR.PRECISE", 1, 2, kSingleValues, floor_precise, "number, [significance]"},
    {"CEILING.PRECISE", 1, 2, kSingleValues, ceiling_precise, "number, [significance]"},
    {"ISO.CEILING", 1, 2, kSingleValues, ceiling_precise, "number, [significance]"},
};

}  // namespace

Family rounding_functions() { return kFunctions; }

}  // namespace host::worksheet
