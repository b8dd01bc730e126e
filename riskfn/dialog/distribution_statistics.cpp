// One row of statistics per distribution code. The moments are the distributions' textbook
// formulas; medians come from the host's inverse distributions or, for the discrete ones, from
// the cumulative probability, so that every median row holds a true median.
#include "riskfn/dialog/distribution_statistics.hpp"

#include <algorithm>
#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/geometric.hpp>
#include <boost/math/distributions/inverse_gaussian.hpp>
#include <cmath>
#include <map>
#include <numbers>

#include "riskfn/dialog/discrete_cumulative.hpp"
#include "riskfn/sampling/distribution_rule.hpp"

namespace riskfn::dialog {
namespace {

using distribution::host_number;
using kx::Application;
using kx::WorksheetFn;
using std::numbers::pi;

// Shorthands for the table: a statistic that takes only the parameters.
#define STAT(expression) \
  []([[maybe_unused]] const Parameters& p, [[maybe_unused]] Application& host) -> Statistic { return expression; }

double beta_variance(double a, double b) { return a * b / ((a + b) * (a + b) * (a + b + 1)); }
double beta_skewness(double a, double b) { return 2 * (b - a) / (a + b + 2) * std::sqrt((a + b + 1) / (a * b)); }
double beta_kurtosis(double a, double b) {
  return 3 * (a + b + 1) * (2 * (b - a) * (b - a) + a * b * (a + b + 2)) / (a * b * (a + b + 2) * (a + b + 3));
}

// a / (a + b) of a beta's shapes, as 1 / (1 + b / a): the sum overflows for shapes near 1E308.
double beta_fraction(double a, double b) { return 1 / (1 + b / a); }

// The mode of a beta on [low, up]; shapes below 1 put it at an end, or at both.
Statistic beta_mode(double a, double b, double low, double up, Statistic both_ends) {
  if (a == 1 && b == 1) return kNotDefined;
  if (a >= 1 && b >= 1) return low + (a == 1 ? 0.0 : beta_fraction(a - 1, b - 1)) * (up - low);
  if (a < 1 && b >= 1) return low;
  if (a >= 1 && b < 1) return up;
  return both_ends;
}

double beta_median(Application& host, double a, double b, double low, double up) {
  return host_number(host, WorksheetFn::BetaInv, {0.5, a, b, low, up});
}

// A binomial's median lies between floor(n p) and ceil(n p), and is n p when that is whole: the
// host's CritBinom strays by hundreds of thousands for a thousand million million trials.
double binomial_median(double n, double p) {
  const double center = n * p;
  const double below = std::floor(center);
  if (below == center) return center;
  return boost::math::cdf(boost::math::binomial_distribution<double>(n, p), below) >= 0.5 ? below : below + 1;
}

// PERT: the beta on [a, b] whose mean is (a + 4c + b) / 6.
double pert_mean(const Parameters& p) { return (p[0] + 4 * p[1] + p[2]) / 6; }
double pert_alpha(const Parameters& p) { return 6 * (pert_mean(p) - p[0]) / (p[2] - p[0]); }
double pert_beta(const Parameters& p) { return 6 * (p[2] - pert_mean(p)) / (p[2] - p[0]); }

// Pareto and Pareto2 share their shape's moments: each exists only above a bound of the shape.
Statistic pareto_skewness(double a) {
  if (!(a > 3)) return kNotDefined;
  return 2 * (a + 1) / (a - 3) * std::sqrt((a - 2) / a);
}
Statistic pareto_kurtosis(double a) {
  if (!(a > 4)) return kNotDefined;
  return 3 * (a - 2) * (3 * a * a + a + 2) / (a * (a - 3) * (a - 4));
}

// Weibull: Gamma(1 + k / shape).
double weibull_gamma(const Parameters& p, double k) { return std::tgamma(1 + k / p[0]); }
double weibull_variance(const Parameters& p) {
  const double g1 = weibull_gamma(p, 1);
  return p[1] * p[1] * (weibull_gamma(p, 2) - g1 * g1);
}

// Hypergeometric: sample n, defects K, batch N.
double hyper_kurtosis(double n, double k, double total) {
  const double t = total;
  return (t - 1) *
         (std::pow(t, 4) + (3 * n * k - 6 * n - 6 * k + 1) * std::pow(t, 3) -
          3 * (n * k * (n + k) - 2 * n * n - 2 * k * k - 6 * n * k) * t * t + 3 * n * k * (n * k - 6 * n - 6 * k) * t +
          18 * n * n * k * k) /
         (n * k * (t - n) * (t - k) * (t - 2) * (t - 3));
}

// Triangular: a + b + c and the sum of squares less the cross products.
double triangle_spread(double a, double c, double b) { return a * a + c * c + b * b - a * b - a * c - b * c; }

// The log-normal's variance of the logarithm, from its own mean m and deviation s.
double log_variance(const Parameters& p) { return std::log((p[0] * p[0] + p[1] * p[1]) / (p[0] * p[0])); }

constexpr double kGumbelSkewness = 1.1395470994046486;  // 12 sqrt(6) zeta(3) / pi^3

// Gamma and Erlang (a gamma with a whole shape): shape k, scale theta.
const StatisticsRule kGamma = {.minimum = STAT(0.0),
                               .maximum = STAT(kInfinite),
                               .mean = STAT(p[0] * p[1]),
                               .mode = STAT(p[0] >= 1 ? p[1] * (p[0] - 1) : 0.0),
                               .median = STAT(host_number(host, WorksheetFn::GammaInv, {0.5, p[0], p[1]})),
                               .variance = STAT(p[1] * p[1] * p[0]),
                               .skewness = STAT(2 / std::sqrt(p[0])),
                               .kurtosis = STAT(3 + 6 / p[0])};

const std::map<int, StatisticsRule> kRules = {
    {1,
     {.minimum = STAT(0.0),
      .maximum = STAT(1.0),
      .mean = STAT(beta_fraction(p[0], p[1])),
      .mode = STAT(beta_mode(p[0], p[1], 0, 1, std::string("Bimodal at min and max"))),
      .median = STAT(beta_median(host, p[0], p[1], 0, 1)),
      .variance = STAT(beta_variance(p[0], p[1])),
      .skewness = STAT(beta_skewness(p[0], p[1])),
      .kurtosis = STAT(beta_kurtosis(p[0], p[1]))}},
    {2,
     {.minimum = STAT(p[2]),
      .maximum = STAT(p[3]),
      .mean = STAT(p[2] + beta_fraction(p[0], p[1]) * (p[3] - p[2])),
      .mode = STAT(beta_mode(p[0], p[1], p[2], p[3], kBothEnds)),
      .median = STAT(beta_median(host, p[0], p[1], p[2], p[3])),
      .variance = STAT((p[3] - p[2]) * (p[3] - p[2]) * beta_variance(p[0], p[1])),
      .skewness = STAT(beta_skewness(p[0], p[1])),
      .kurtosis = STAT(beta_kurtosis(p[0], p[1]))}},
    {3,
     {.minimum = STAT(0.0),
      .maximum = STAT(p[0]),
      .mean = STAT(p[0] * p[1]),
      .mode = STAT(([&] {
        const double x = (p[0] + 1) * p[1];
        return x == std::floor(x) ? std::floor(x - 0.5) : std::floor(x);
      })()),
      .median = STAT(binomial_median(std::trunc(p[0]), p[1])),
      .variance = STAT(p[0] * p[1] * (1 - p[1])),
      .skewness = STAT((1 - 2 * p[1]) / std::sqrt(p[0] * p[1] * (1 - p[1]))),
      .kurtosis = STAT(3 - 6 / p[0] + 1 / (p[0] * p[1] * (1 - p[1])))}},
    {4,
     {.minimum = STAT(0.0),
      .maximum = STAT(kInfinite),
      .mean = STAT(p[0]),
      .mode = STAT(p[0] >= 2 ? p[0] - 2 : 0.0),
      // The gamma with shape k / 2 and scale 2: ChiInv would truncate fractional degrees.
      .median = STAT(host_number(host, WorksheetFn::GammaInv, {0.5, p[0] / 2, 2.0})),
      .variance = STAT(2 * p[0]),
      .skewness = STAT(std::sqrt(8 / p[0])),
      .kurtosis = STAT(3 + 12 / p[0])}},
    {9,
     {.minimum = STAT(kInfinite),
      .maximum = STAT(kInfinite),
      .mean = STAT(0.0),
      .mode = STAT(0.0),
      .median = STAT(0.0),
      .variance = STAT(1 / (2 * p[0] * p[0])),
      .skewness = STAT(0.0),
      .kurtosis = STAT(3.0)}},
    {10, kGamma},
    {11,
     {.minimum = STAT(0.0),
      .maximum = STAT(kInfinite),
      .mean = STAT(p[0]),
      .mode = STAT(0.0),
      .median = STAT(p[0] * std::numbers::ln2),
      .variance = STAT(p[0] * p[0]),
      .skewness = STAT(2.0),
      .kurtosis = STAT(9.0)}},
    {12,
     {.minimum = STAT(kInfinite),
      .maximum = STAT(kInfinite),
      .mean = STAT(p[0] + std::numbers::egamma * p[1]),
      .mode = STAT(p[0]),
      .median = STAT(p[0] - p[1] * std::log(std::numbers::ln2)),
      .variance = STAT(pi * pi * p[1] * p[1] / 6),
      .skewness = STAT(kGumbelSkewness),
      .kurtosis = STAT(5.4)}},
    {13, kGamma},
    {15,
     {.minimum = STAT(0.0),
      .maximum = STAT(kInfinite),
      .mean = STAT(1 / p[0] - 1),
      .mode = STAT(0.0),
      .median = STAT(discrete_median(
          [&](double k) { return boost::math::cdf(boost::math::geometric_distribution<double>(p[0]), k); },
          -std::numbers::ln2 / std::log1p(-p[0]))),
      .variance = STAT((1 - p[0]) / (p[0] * p[0])),
      .skewness = STAT((2 - p[0]) / std::sqrt(1 - p[0])),
      .kurtosis = STAT(3 + (p[0] * p[0] - 6 * p[0] + 6) / (1 - p[0]))}},
    {17,
     {.minimum = STAT(std::max(0.0, p[0] + p[1] - p[2])),
      .maximum = STAT(std::min(p[0], p[1])),
      .mean = STAT(p[0] * p[1] / p[2]),
      .mode = STAT(std::floor((p[0] + 1) * (p[1] + 1) / (p[2] + 2))),
      .median = STAT(discrete_median([&](double k) { return hypergeometric_cumulative(k, p[0], p[1], p[2]); },
                                     p[0] * p[1] / p[2])),
      // A batch of one holds no spread; every other batch has the textbook variance.
      .variance = STAT(p[2] == 1 ? 0.0
                                 : p[0] * p[1] / (p[2] * p[2]) * (p[2] - p[1]) * (p[2] - p[0]) / (p[2] - 1)),
      .skewness = STAT(std::min(p[0], p[1]) > 2
                           ? Statistic((p[2] - 2 * p[1]) * (p[2] - 2 * p[0]) / (p[2] - 2) *
                                       std::sqrt((p[2] - 1) / (p[0] * p[1] * (p[2] - p[1]) * (p[2] - p[0]))))
                           : kNotDefined),
      .kurtosis = STAT(std::min(p[0], p[1]) > 3 ? Statistic(hyper_kurtosis(p[0], p[1], p[2])) : kNotDefined)}},
    {18,
     {.minimum = STAT(p[0]),
      .maximum = STAT(p[1]),
      .mean = STAT((p[0] + p[1]) / 2),
      .mode = STAT(kNotDefined),
      .median = STAT((p[0] + p[1]) / 2),
      .variance = STAT((p[1] - p[0]) / 6 * ((p[1] - p[0]) / 2 + 1)),
      .skewness = STAT(0.0),
      .kurtosis = STAT(1.8 - 2.4 / ((p[1] - p[0]) * (p[1] - p[0] + 2)))}},
    {19,
     {.minimum = STAT(0.0),
      .maximum = STAT(kInfinite),
      .mean = STAT(p[0]),
      .mode = STAT(p[0] * std::sqrt(1 + 9 * p[0] * p[0] / (4 * p[1] * p[1])) - 3 * p[0] * p[0] / (2 * p[1])),
      .median = STAT(boost::math::quantile(boost::math::inverse_gaussian_distribution<double>(p[0], p[1]), 0.5)),
      .variance = STAT(p[0] * p[0] * p[0] / p[1]),
      .skewness = STAT(3 * std::sqrt(p[0] / p[1])),
      .kurtosis = STAT(3 + 15 * p[0] / p[1])}},
    {20,
     {.minimum = STAT(kInfinite),
      .maximum = STAT(kInfinite),
      .mean = STAT(p[0]),
      .mode = STAT(p[0]),
      .median = STAT(p[0]),
      .variance = STAT(pi * pi * p[1] * p[1] / 3),
      .skewness = STAT(0.0),
      .kurtosis = STAT(4.2)}},
    {22,
     {.minimum = STAT(0.0),
      .maximum = STAT(kInfinite),
      .mean = STAT(p[0]),
      .mode = STAT(std::pow(p[0], 4) / std::pow(p[1] * p[1] + p[0] * p[0], 1.5)),
      .median = STAT(p[0] * p[0] / std::sqrt(p[0] * p[0] + p[1] * p[1])),
      .variance = STAT(p[1] * p[1]),
      .skewness = STAT(std::pow(p[1] / p[0], 3) + 3 * (p[1] / p[0])),
      .kurtosis = STAT(([&] {
        const double w = log_variance(p);
        return std::exp(4 * w) + 2 * std::exp(3 * w) + 3 * std::exp(2 * w) - 3;
      })())}},
    {24,
     {.minimum = STAT(0.0),
      .maximum = STAT(kInfinite),
      .mean = STAT(p[0] * (1 - p[1]) / p[1]),
      .mode = STAT(std::floor((p[0] - 1) * (1 - p[1]) / p[1])),
      .median = STAT(discrete_median([&](double k) { return negative_binomial_cumulative(k, p[0], p[1]); },
                                     p[0] * (1 - p[1]) / p[1])),
      .variance = STAT(p[0] * (1 - p[1]) / (p[1] * p[1])),
      .skewness = STAT((2 - p[1]) / std::sqrt(p[0] * (1 - p[1]))),
      .kurtosis = STAT(3 + 6 / p[0] + p[1] * p[1] / (p[0] * (1 - p[1])))}},
    {25,
     {.minimum = STAT(kInfinite),
      .maximum = STAT(kInfinite),
      .mean = STAT(p[0]),
      .mode = STAT(p[0]),
      .median = STAT(p[0]),
      .variance = STAT(p[1] * p[1]),
      .skewness = STAT(0.0),
      .kurtosis = STAT(3.0)}},
    {26,
     {.minimum = STAT(p[1]),
      .maximum = STAT(kInfinite),
      .mean = STAT(p[0] > 1 ? Statistic(p[0] * p[1] / (p[0] - 1)) : kNotDefined),
      .mode = STAT(p[1]),
      .median = STAT(p[1] * std::pow(2.0, 1 / p[0])),
      .variance = STAT(p[0] > 2 ? Statistic(p[0] * p[1] * p[1] / ((p[0] - 1) * (p[0] - 1) * (p[0] - 2))) : kNotDefined),
      .skewness = STAT(pareto_skewness(p[0])),
      .kurtosis = STAT(pareto_kurtosis(p[0]))}},
    {27,
     {.minimum = STAT(0.0),
      .maximum = STAT(kInfinite),
      .mean = STAT(p[1] > 1 ? Statistic(p[0] / (p[1] - 1)) : kNotDefined),
      .mode = STAT(0.0),
      .median = STAT(p[0] * std::pow(2.0, 1 / p[1]) - p[0]),
      .variance = STAT(p[1] > 2 ? Statistic(p[0] * p[0] * p[1] / ((p[1] - 1) * (p[1] - 1) * (p[1] - 2))) : kNotDefined),
      .skewness = STAT(pareto_skewness(p[1])),
      .kurtosis = STAT(pareto_kurtosis(p[1]))}},
    {30,
     {.minimum = STAT(p[0]),
      .maximum = STAT(p[2]),
      .mean = STAT(pert_mean(p)),
      .mode = STAT(p[1]),
      .median = STAT(beta_median(host, pert_alpha(p), pert_beta(p), p[0], p[2])),
      .variance = STAT((pert_mean(p) - p[0]) * (p[2] - pert_mean(p)) / 7),
      .skewness =
          STAT((p[0] + p[2] - 2 * pert_mean(p)) / 4 * std::sqrt(7 / ((pert_mean(p) - p[0]) * (p[2] - pert_mean(p))))),
      .kurtosis = STAT(beta_kurtosis(pert_alpha(p), pert_beta(p)))}},
    {31,
     {.minimum = STAT(0.0),
      .maximum = STAT(kInfinite),
      .mean = STAT(p[0]),
      .mode = STAT(p[0] == std::floor(p[0]) ? std::floor(p[0] - 0.5) : std::floor(p[0])),
      .median =
          STAT(
              discrete_median(
                  [&](double k) {
                    return host_number(host, WorksheetFn::Poisson, {k, p[0], true});
                  },
                  p[0])),
      .variance = STAT(p[0]),
      .skewness = STAT(1 / std::sqrt(p[0])),
      .kurtosis = STAT(3 + 1 / p[0])}},
    {32,
     {.minimum = STAT(0.0),
      .maximum = STAT(kInfinite),
      .mean = STAT(p[0] * std::sqrt(pi / 2)),
      .mode = STAT(p[0]),
      .median = STAT(p[0] * std::sqrt(2 * std::numbers::ln2)),
      .variance = STAT(p[0] * p[0] * (2 - pi / 2)),
      .skewness = STAT(2 * (pi - 3) * std::sqrt(pi) / std::pow(4 - pi, 1.5)),
      .kurtosis = STAT((32 - 3 * pi * pi) / ((4 - pi) * (4 - pi)))}},
    {33,
     {.minimum = STAT(kInfinite),
      .maximum = STAT(kInfinite),
      .mean = STAT(0.0),
      .mode = STAT(0.0),
      .median = STAT(0.0),
      .variance = STAT(p[0] > 2 ? Statistic(p[0] / (p[0] - 2)) : kNotDefined),
      .skewness = STAT(p[0] > 3 ? Statistic(0.0) : kNotDefined),
      .kurtosis = STAT(p[0] > 4 ? Statistic(3 * (p[0] - 2) / (p[0] - 4)) : kNotDefined)}},
    {34,
     {.minimum = STAT(p[0]),
      .maximum = STAT(p[2]),
      .mean = STAT((p[0] + p[1] + p[2]) / 3),
      .mode = STAT(p[1]),
      .median = STAT(p[1] > (p[0] + p[2]) / 2 ? p[0] + std::sqrt((p[2] - p[0]) * (p[1] - p[0]) / 2)
                                              : p[2] - std::sqrt((p[2] - p[0]) * (p[2] - p[1]) / 2)),
      .variance = STAT(triangle_spread(p[0], p[1], p[2]) / 18),
      .skewness = STAT(std::numbers::sqrt2 * (p[0] + p[2] - 2 * p[1]) * (2 * p[0] - p[2] - p[1]) *
                       (p[0] - 2 * p[2] + p[1]) / (5 * std::pow(triangle_spread(p[0], p[1], p[2]), 1.5))),
      .kurtosis = STAT(2.4)}},
    {36,
     {.minimum = STAT(p[0]),
      .maximum = STAT(p[1]),
      .mean = STAT((p[0] + p[1]) / 2),
      .mode = STAT(kNotDefined),
      .median = STAT((p[0] + p[1]) / 2),
      .variance = STAT((p[1] - p[0]) * (p[1] - p[0]) / 12),
      .skewness = STAT(0.0),
      .kurtosis = STAT(1.8)}},
    {37,
     {.minimum = STAT(0.0),
      .maximum = STAT(kInfinite),
      .mean = STAT(p[1] * weibull_gamma(p, 1)),
      .mode = STAT(p[0] > 1 ? p[1] * std::pow(1 - 1 / p[0], 1 / p[0]) : 0.0),
      .median = STAT(p[1] * std::pow(std::numbers::ln2, 1 / p[0])),
      .variance = STAT(weibull_variance(p)),
      .skewness = STAT(([&] {
        const double g1 = weibull_gamma(p, 1);
        const double g2 = weibull_gamma(p, 2);
        return std::pow(p[1], 3) * (weibull_gamma(p, 3) - 3 * g1 * g2 + 2 * std::pow(g1, 3)) /
               std::pow(weibull_variance(p), 1.5);
      })()),
      .kurtosis = STAT(([&] {
        const double g1 = weibull_gamma(p, 1);
        const double g2 = weibull_gamma(p, 2);
        const double variance = weibull_variance(p);
        return std::pow(p[1], 4) *
               (weibull_gamma(p, 4) - 4 * g1 * weibull_gamma(p, 3) + 6 * g1 * g1 * g2 - 3 * std::pow(g1, 4)) /
               (variance * variance);
      })())}},
};

#undef STAT

}  // namespace

const StatisticsRule* statistics_rule(int code) {
  const auto found = kRules.find(code);
  return found == kRules.end() ? nullptr : &found->second;
}

}  // namespace riskfn::dialog
