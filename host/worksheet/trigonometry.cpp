// Trigonometric and hyperbolic functions with their inverses, and the conversions between
// degrees and radians. Angles are in radians, as in the spreadsheet.
#include <cmath>
#include <numbers>

#include "host/worksheet/arguments.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

// The spreadsheet refuses angles of 2^27 and more: their remainder modulo pi says nothing.
constexpr double kLargestAngle = 134217728.0;

double angle_arg(const kx::Value& value) {
  const double x = number_arg(value);
  check_domain(std::fabs(x) < kLargestAngle, "the angle is too large");
  return x;
}

// 1/f(x), with a zero denominator the spreadsheet's #DIV/0!.
double reciprocal(double denominator) {
  if (denominator == 0.0) raise_error(kx::error::kXlDiv0, "the function is infinite here");
  return 1.0 / denominator;
}

kx::Value sine(Arguments args) { return std::sin(angle_arg(args[0])); }
kx::Value cosine(Arguments args) { return std::cos(angle_arg(args[0])); }
kx::Value tangent(Arguments args) { return std::tan(angle_arg(args[0])); }
kx::Value cotangent(Arguments args) { return reciprocal(std::tan(angle_arg(args[0]))); }
kx::Value secant(Arguments args) { return reciprocal(std::cos(angle_arg(args[0]))); }
kx::Value cosecant(Arguments args) { return reciprocal(std::sin(angle_arg(args[0]))); }

kx::Value arc_sine(Arguments args) {
  const double x = number_arg(args[0]);
  check_domain(std::fabs(x) <= 1.0, "ASIN needs -1 <= number <= 1");
  return std::asin(x);
}

kx::Value arc_cosine(Arguments args) {
  const double x = number_arg(args[0]);
  check_domain(std::fabs(x) <= 1.0, "ACOS needs -1 <= number <= 1");
  return std::acos(x);
}

kx::Value arc_tangent(Arguments args) { return std::atan(number_arg(args[0])); }

// The angle in (0, pi) whose cotangent is x.
kx::Value arc_cotangent(Arguments args) { return std::numbers::pi / 2.0 - std::atan(number_arg(args[0])); }

// ATAN2 takes x first, then y.
kx::Value arc_tangent2(Arguments args) {
  const double x = number_arg(args[0]);
  const double y = number_arg(args[1]);
  if (x == 0.0 && y == 0.0) raise_error(kx::error::kXlDiv0, "ATAN2 of the origin");
  return std::atan2(y, x);
}

kx::Value hyperbolic_sine(Arguments args) { return std::sinh(number_arg(args[0])); }
kx::Value hyperbolic_cosine(Arguments args) { return std::cosh(number_arg(args[0])); }
kx::Value hyperbolic_tangent(Arguments args) { return std::tanh(number_arg(args[0])); }
kx::Value hyperbolic_cotangent(Arguments args) { return reciprocal(std::tanh(number_arg(args[0]))); }
kx::Value hyperbolic_secant(Arguments args) { return 1.0 / std::cosh(number_arg(args[0])); }
kx::Value hyperbolic_cosecant(Arguments args) { return reciprocal(std::sinh(number_arg(args[0]))); }
kx::Value area_sine(Arguments args) { return std::asinh(number_arg(args[0])); }

kx::Value area_cosine(Arguments args) {
  const double x = number_arg(args[0]);
  check_domain(x >= 1.0, "ACOSH needs number >= 1");
  return std::acosh(x);
}

kx::Value area_tangent(Arguments args) {
  const double x = number_arg(args[0]);
  check_domain(std::fabs(x) < 1.0, "ATANH needs -1 < number < 1");
  return std::atanh(x);
}

kx::Value area_cotangent(Arguments args) {
  const double x = number_arg(args[0]);
  check_domain(std::fabs(x) > 1.0, "ACOTH needs |number| > 1");
  return std::atanh(1.0 / x);
}

kx::Value degrees(Arguments args) { return number_arg(args[0]) * (180.0 / std::numbers::pi); }
kx::Value radians(Arguments args) { return number_arg(args[0]) * (std::numbers::pi / 180.0); }

kx::Value sqrt_pi(Arguments args) {
  const double x = number_arg(args[0]);
  check_domain(x >= 0.0, "SQRTPI needs number >= 0");
  return std::sqrt(x * std::numbers::pi);
}

constexpr SheetFunction kFunctions[] = {
    {"SIN", 1, 1, kSingleValues, sine, "number"},
    {"COS", 1, 1, kSingleValues, cosine, "number"},
    {"TAN", 1, 1, kSingleValues, tangent, "number"},
    {"COT", 1, 1, kSingleValues, cotangent, "number"},
    {"SEC", 1, 1, kSingleValues, secant, "number"},
    {"CSC", 1, 1, kSingleValues, cosecant, "number"},
    {"ASIN", 1, 1, kSingleValues, arc_sine, "number"},
    {"ACOS", 1, 1, kSingleValues, arc_cosine, "number"},
    {"ATAN", 1, 1, kSingleValues, arc_tangent, "number"},
    {"ACOT", 1, 1, kSingleValues, arc_cotangent, "number"},
    {"ATAN2", 2, 2, kSingleValues, arc_tangent2, "x_num, y_num"},
    {"SINH", 1, 1, kSingleValues, hyperbolic_sine, "number"},
    {"COSH", 1, 1, kSingleValues, hyperbolic_cosine, "number"},
    {"TANH", 1, 1, kSingleValues, hyperbolic_tangent, "number"},
    {"COTH", 1, 1, kSingleValues, hyperbolic_cotangent, "number"},
    {"SECH", 1, 1, kSingleValues, hyperbolic_secant, "number"},
    {"CSCH", 1, 1, kSingleValues, hyperbolic_cosecant, "number"},
    {"ASINH", 1, 1, kSingleValues, area_sine, "number"},
    {"ACOSH", 1, 1, kSingleValues, area_cosine, "number"},
    {"ATANH", 1, 1, kSingleValues, area_tangent, "number"},
    {"ACOTH", 1, 1, kSingleValues, area_cotangent, "number"},
    {"DEGREES", 1, 1, kSingleValues, degrees, "angle"},
    {"RADIANS", 1, 1, kSingleValues, radians, "angle"},
    {"SQRTPI", 1, 1, kSingleValues, sqrt_pi, "number"},
};

}  // namespace

Family trigonometry_functions() { return kFunctions; }

}  // namespace host::worksheet
