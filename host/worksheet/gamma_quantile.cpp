#include "host/worksheet/gamma_quantile.hpp"

#include <boost/math/special_functions/gamma.hpp>
#include <cmath>
#include <limits>

#include "host/worksheet/boost_policy.hpp"
#include "host/worksheet/quantile_grid.hpp"

namespace host::worksheet {
namespace {

namespace bm = boost::math;

// The gamma law of unit scale on [0, infinity), whose density x^(a-1) e^(-x) / Gamma(a) has a
// singular logarithm at 0 alone. One shape: b is not used.
struct GammaFamily {
  // Boost's own root finder starts above 0: its functor divides by x.
  static constexpr double kLower = std::numeric_limits<double>::min();
  static constexpr double kUpper = std::numeric_limits<double>::max();

  static double quantile(double a, double, double p) { return bm::gamma_p_inv(a, p, BoostPolicy()); }
  static double density(double a, double, double x) { return bm::gamma_p_derivative(a, x, BoostPolicy()); }
  static double cumulative(double a, double, double x, bool complement) {
    return complement ? bm::gamma_q(a, x, BoostPolicy()) : bm::gamma_p(a, x, BoostPolicy());
  }
  static double log_density_ratio(double a, double, double x, double offset) {
    return (a - 1.0) * std::log1p(offset / x) - offset;
  }
  static double log_density_slope(double a, double, double x) { return (a - 1.0) / x - 1.0; }
  static double singular_distance(double x) { return x; }
  static auto roots(double a, double, double target, bool complement) {
    return bm::detail::gamma_p_inverse_func<double, BoostPolicy>(a, target, complement);
  }
};

}  // namespace

double gamma_quantile(double a, double p) { return QuantileGrid<GammaFamily>::quantile(a, 0.0, p); }

}  // namespace host::worksheet
