#include "host/worksheet/beta_quantile.hpp"

#include <boost/math/distributions/beta.hpp>
#include <cmath>
#include <limits>

#include "host/worksheet/boost_policy.hpp"
#include "host/worksheet/quantile_grid.hpp"

namespace host::worksheet {
namespace {

namespace bm = boost::math;

// The beta law on [0, 1], whose density x^(a-1) (1-x)^(b-1) / B(a, b) has a singular
// logarithm at both ends.
struct BetaFamily {
  static constexpr double kLower = 0.0;
  static constexpr double kUpper = 1.0;

  static double quantile(double a, double b, double p) {
    return bm::quantile(bm::beta_distribution<double, BoostPolicy>(a, b), p);
  }
  static double density(double a, double b, double x) { return bm::ibeta_derivative(a, b, x, BoostPolicy()); }
  static double cumulative(double a, double b, double x, bool complement) {
    return complement ? bm::ibetac(a, b, x, BoostPolicy()) : bm::ibeta(a, b, x, BoostPolicy());
  }
  static double log_density_ratio(double a, double b, double x, double offset) {
    return (a - 1.0) * std::log1p(offset / x) + (b - 1.0) * std::log1p(-offset / (1.0 - x));
  }
  static double log_density_slope(double a, double b, double x) { return (a - 1.0) / x - (b - 1.0) / (1.0 - x); }
  static double singular_distance(double x) { return std::min(x, 1.0 - x); }
  static auto roots(double a, double b, double target, bool complement) {
    return bm::detail::ibeta_roots<double, BoostPolicy>(a, b, target, complement);
  }
};

}  // namespace

double beta_quantile(double a, double b, double p) { return QuantileGrid<BetaFamily>::quantile(a, b, p); }

}  // namespace host::worksheet
