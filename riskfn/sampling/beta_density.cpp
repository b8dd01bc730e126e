// For shapes above 1 the density is (n + 1) times the binomial probability of a - 1 successes
// in n = a + b - 2 trials, written with Stirling's remainders and the deviance (Loader's
// saddle-point form), whose terms stay small where log-gammas of the shapes would cancel.
// Below, Boost's derivative of the incomplete beta is as good.
#include "riskfn/sampling/beta_density.hpp"

#include <boost/math/special_functions/beta.hpp>
#include <cmath>
#include <numbers>

#include "common/checked_math.hpp"

namespace riskfn::distribution {
namespace {

// log(n!) - log(sqrt(2 pi n) (n / e)^n): the error of Stirling's formula.
double stirling_remainder(double n) {
  if (n <= 15.0) {
    const double log_root_two_pi = 0.5 * std::log(2.0 * std::numbers::pi);
    return std::lgamma(n + 1.0) - (n + 0.5) * std::log(n) + n - log_root_two_pi;
  }
  const double nn = n * n;
  constexpr double s0 = 1.0 / 12, s1 = 1.0 / 360, s2 = 1.0 / 1260, s3 = 1.0 / 1680, s4 = 1.0 / 1188;
  if (n > 500) return (s0 - s1 / nn) / n;
  if (n > 80) return (s0 - (s1 - s2 / nn) / nn) / n;
  if (n > 35) return (s0 - (s1 - (s2 - s3 / nn) / nn) / nn) / n;
  return (s0 - (s1 - (s2 - (s3 - s4 / nn) / nn) / nn) / nn) / n;
}

// x log(x / m) + m - x, by its series where x is near m and the terms would cancel.
double deviance(double x, double m) {
  if (std::fabs(x - m) < 0.1 * (x + m)) {
    const double v = (x - m) / (x + m);
    double sum = (x - m) * v;
    double term = 2.0 * x * v;
    for (int j = 1;; ++j) {
      term *= v * v;
      const double next = sum + term / (2 * j + 1);
      if (next == sum) return sum;
      sum = next;
    }
  }
  return x * std::log(x / m) + m - x;
}

}  // namespace

double beta_density_inside(double t, double complement, double a, double b) {
  if (a <= 1.0 || b <= 1.0) return kx::checked::finite(boost::math::ibeta_derivative(a, b, t));
  const double k = a - 1.0;
  const double n = a + b - 2.0;
  const double rest = b - 1.0;
  const double log_terms = stirling_remainder(n) - stirling_remainder(k) - stirling_remainder(rest) -
                           deviance(k, n * t) - deviance(rest, n * complement);
  const double log_spread = std::log(2.0 * std::numbers::pi) + std::log(k) + std::log(rest / n);
  return kx::checked::finite((n + 1.0) * std::exp(log_terms - 0.5 * log_spread));
}

}  // namespace riskfn::distribution
