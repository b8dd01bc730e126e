// Arithmetic that raises the platform's failures instead of producing an infinity or NaN:
// overflow (6), division by zero (11), invalid procedure call (5).
#pragma once

#include <cmath>

#include "common/failure.hpp"

namespace kx::checked {

// A computed result that must be a finite number.
inline double finite(double x) {
  if (std::isnan(x)) throw Failure(error::kInvalidCall);
  if (std::isinf(x)) throw Failure(error::kOverflow);
  return x;
}

inline double div(double numerator, double denominator) {
  if (denominator == 0.0) throw Failure(numerator == 0.0 ? error::kOverflow : error::kDivisionByZero);
  return finite(numerator / denominator);
}

inline double mul(double a, double b) { return finite(a * b); }
inline double add(double a, double b) { return finite(a + b); }
inline double sub(double a, double b) { return finite(a - b); }

inline double sqrt(double x) {
  if (x < 0.0) throw Failure(error::kInvalidCall);
  return std::sqrt(x);
}

inline double log(double x) {
  if (!(x > 0.0)) throw Failure(error::kInvalidCall);
  return finite(std::log(x));
}

inline double exp(double x) { return finite(std::exp(x)); }

// x^y as the platform computes it: a negative base needs a whole exponent, 0 to a
// negative power divides by zero.
inline double pow(double base, double exponent) {
  if (base == 0.0 && exponent < 0.0) throw Failure(error::kDivisionByZero);
  if (base < 0.0 && exponent != std::trunc(exponent)) throw Failure(error::kInvalidCall);
  return finite(std::pow(base, exponent));
}

}  // namespace kx::checked
