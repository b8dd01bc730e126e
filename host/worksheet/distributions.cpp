// Inverse and cumulative distributions and the chi-squared test, computed by Boost.Math under
// the host's policy; each function applies the spreadsheet's own domain rules first.
#include <algorithm>
#include <array>
#include <boost/math/distributions/beta.hpp>
#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/exponential.hpp>
#include <boost/math/distributions/gamma.hpp>
#include <boost/math/distributions/hypergeometric.hpp>
#include <boost/math/distributions/negative_binomial.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/poisson.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <boost/math/distributions/weibull.hpp>
#include <boost/math/special_functions/beta.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <cmath>
#include <cstdint>
#include <exception>
#include <functional>
#include <limits>
#include <optional>
#include <string_view>

#include "common/whole_search.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/beta_quantile.hpp"
#include "host/worksheet/boost_policy.hpp"
#include "host/worksheet/families.hpp"
#include "host/worksheet/gamma_quantile.hpp"

namespace host::worksheet {
namespace {

namespace bm = boost::math;

using Normal = bm::normal_distribution<double, BoostPolicy>;
using Beta = bm::beta_distribution<double, BoostPolicy>;
using Gamma = bm::gamma_distribution<double, BoostPolicy>;
using StudentsT = bm::students_t_distribution<double, BoostPolicy>;
using ChiSquared = bm::chi_squared_distribution<double, BoostPolicy>;
using Binomial = bm::binomial_distribution<double, BoostPolicy>;
using Exponential = bm::exponential_distribution<double, BoostPolicy>;
using Poisson = bm::poisson_distribution<double, BoostPolicy>;
using Weibull = bm::weibull_distribution<double, BoostPolicy>;
using Hypergeometric = bm::hypergeometric_distribution<double, BoostPolicyInLongDouble>;
using NegativeBinomial = bm::negative_binomial_distribution<double, BoostPolicy>;

// Above 2^53 doubles no longer hold every whole number.
constexpr double kLargestExactCount = 9007199254740992.0;
// A probability below the rounding of 1 in double, as an approximation's error bound.
constexpr double kNegligibleProbability = 1e-17;

// The chi-squared functions refuse degrees of freedom from 10^10 on, as the spreadsheet does.
constexpr double kMaxChiDegrees = 1e10;

template <class Distribution>
double density_or_cumulative(const Distribution& distribution, double x, bool cumulative) {
  return cumulative ? bm::cdf(distribution, x) : bm::pdf(distribution, x);
}

bool is_probability(double p) { return p >= 0.0 && p <= 1.0; }

// A count the hypergeometric distribution takes as an unsigned whole number. Boost sums counts
// in int inside, so a population past 2^31 - 1 would give #NUM! or a wrong probability.
unsigned count_arg(double whole, std::string_view what) {
  check_domain(whole >= 0.0 && whole <= std::numeric_limits<std::int32_t>::max(), what);
  return static_cast<unsigned>(whole);
}

// Boost's incomplete beta loses its digits once both shapes pass about 1e8 (a cumulative of
// 0.31 where it is 0.5 at 1e16, of 125 at 1e20, an assertion near the largest double). There
// the beta law is normal but for its skewness, which the first Edgeworth term corrects; what
// is left is of the order of 1/min(alpha, beta), below 1e-10.
constexpr double kLargeBetaShape = 1e10;
// From here on Student's t is the standard normal to double precision.
constexpr double kNormalDegrees = 1e20;

bool large_beta_shapes(double alpha, double beta) { return std::min(alpha, beta) >= kLargeBetaShape; }

struct BetaMoments {
  double mean = 0.0;
  double sd = 0.0;
  double skewness_sixth = 0.0;  // the skewness over 6, as the Edgeworth term takes it
};

// Written so that no step overflows, even for shapes near the largest double.
BetaMoments beta_moments(double alpha, double beta) {
  const double mean = 1.0 / (1.0 + beta / alpha);
  const double complement = 1.0 / (1.0 + alpha / beta);
  const double root_total = std::sqrt(alpha) * std::sqrt(1.0 + beta / alpha + 1.0 / alpha);  // sqrt(a + b + 1)
  // 2 (b - a) sqrt(a + b + 1) / ((a + b + 2) sqrt(a b)), to a relative 1/(a + b).
  const double skewness = 2.0 * (complement - mean) * std::sqrt(1.0 / alpha + 1.0 / beta);
  return {mean, std::sqrt(mean * complement) / root_total, skewness / 6.0};
}

double large_beta_cdf(double alpha, double beta, double x) {
  const BetaMoments moments = beta_moments(alpha, beta);
  const double z = (x - moments.mean) / moments.sd;
  const double corrected = bm::cdf(Normal(), z) - bm::pdf(Normal(), z) * moments.skewness_sixth * (z * z - 1.0);
  return std::clamp(corrected, 0.0, 1.0);
}

double large_beta_quantile(double alpha, double beta, double p) {
  if (p == 0.0 || p == 1.0) return p;
  const BetaMoments moments = beta_moments(alpha, beta);
  const double z = bm::quantile(Normal(), p);
  return std::clamp(moments.mean + moments.sd * (z + moments.skewness_sixth * (z * z - 1.0)), 0.0, 1.0);
}

// Far in the lower tail Boost's root finder gives up (200 iterations) although the quantile is
// an ordinary number. There I_x(a, b) ~ x^a / (a B(a, b)), so x0 = (p a B(a, b))^(1/a) is close;
// Newton's method on log x refines it, where log I_x is nearly linear.
// log B(a, b), kept for the last few shapes asked for on this thread: a simulation asks for the
// quantiles of the same few distributions again and again.
double log_beta_function(double a, double b) {
  struct Known {
    double a = 0.0;  // never a shape: shapes are positive
    double b = 0.0;
    double log_beta = 0.0;
  };
  thread_local std::array<Known, 4> known;
  thread_local std::size_t next = 0;
  for (const Known& one : known) {
    if (one.a == a && one.b == b) return one.log_beta;
  }
  Known& added = known[next];
  next = (next + 1) % known.size();
  added = {a, b, bm::lgamma(a, BoostPolicy()) + bm::lgamma(b, BoostPolicy()) - bm::lgamma(a + b, BoostPolicy())};
  return added.log_beta;
}

std::optional<double> lower_tail_beta_quantile(double p, double a, double b) {
  const double log_beta = log_beta_function(a, b);
  double log_x = (std::log(p) + std::log(a) + log_beta) / a;
  // The series holds while x b stays small; elsewhere Boost's own start is the better one.
  if (!(std::exp(log_x) * std::max(1.0, b) < 1e-4)) return std::nullopt;
  const double log_p = std::log(p);
  for (int iteration = 0; iteration < 50; ++iteration) {
    const double x = std::exp(log_x);
    const double cumulative = bm::ibeta(a, b, x, BoostPolicy());
    if (!(cumulative > 0.0)) return std::nullopt;
    const double slope = x * bm::ibeta_derivative(a, b, x, BoostPolicy()) / cumulative;
    const double step = (std::log(cumulative) - log_p) / slope;
    log_x -= step;
    if (std::fabs(step) <= 1e-15) return std::exp(log_x);  // x to a part in 10^15
  }
  return std::exp(log_x);
}

}  // namespace

double norm_inv_of(double p, double mean, double sd) {
  check_domain(p > 0.0 && p < 1.0, "the probability must lie strictly between 0 and 1");
  check_domain(sd > 0.0, "the standard deviation must be positive");
  return bm::quantile(Normal(mean, sd), p);
}

kx::Value norm_inv(Arguments args) {
  const double p = number_arg(args[0]);
  const double mean = number_arg(args[1]);
  return norm_inv_of(p, mean, number_arg(args[2]));
}

double norm_s_inv_of(double p) {
  check_domain(p > 0.0 && p < 1.0, "the probability must lie strictly between 0 and 1");
  return bm::quantile(Normal(), p);
}

kx::Value norm_s_inv(Arguments args) { return norm_s_inv_of(number_arg(args[0])); }

double beta_inv_of(double p, double alpha, double beta, double lower, double upper) {
  check_domain(is_probability(p), "the probability must lie between 0 and 1");
  check_domain(alpha > 0.0 && beta > 0.0, "alpha and beta must be positive");
  check_domain(lower < upper, "the lower bound must lie below the upper bound");
  if (large_beta_shapes(alpha, beta)) return lower + (upper - lower) * large_beta_quantile(alpha, beta, p);
  const std::optional<double> tail = p > 0.0 ? lower_tail_beta_quantile(p, alpha, beta) : std::nullopt;
  return lower + (upper - lower) * (tail ? *tail : beta_quantile(alpha, beta, p));
}

kx::Value beta_inv(Arguments args) {
  const double p = number_arg(args[0]);
  const double alpha = number_arg(args[1]);
  const double beta = number_arg(args[2]);
  const double lower = number_or(args[3], 0.0);
  return beta_inv_of(p, alpha, beta, lower, number_or(args[4], 1.0));
}

double gamma_inv_of(double p, double alpha, double beta) {
  check_domain(is_probability(p), "the probability must lie between 0 and 1");
  check_domain(alpha > 0.0 && beta > 0.0, "alpha and beta must be positive");
  return gamma_quantile(alpha, p) * beta;
}

kx::Value gamma_inv(Arguments args) {
  const double p = number_arg(args[0]);
  const double alpha = number_arg(args[1]);
  return gamma_inv_of(p, alpha, number_arg(args[2]));
}

kx::Value t_inv(Arguments args) {
  const double p = number_arg(args[0]);
  const double degrees = whole_arg(args[1]);
  check_domain(is_probability(p), "the probability must lie between 0 and 1");
  check_domain(degrees >= 1.0, "the degrees of freedom must be at least 1");
  check_domain(p > 0.0, "the t for a probability of 0 is infinite");
  if (degrees >= kNormalDegrees) return bm::quantile(bm::complement(Normal(), p / 2.0));
  // p = P(|T| > t) = I_x(df/2, 1/2) with x = df/(df + t^2). Solving for x and 1 - x together
  // keeps every digit of a small t when p is near 1, which Boost's quantile of the upper tail
  // p/2, then close to 1/2, does not (6e-7 relative at p = 0.999999).
  double complement_of_x = 0.0;
  const double x = bm::ibeta_inv(degrees / 2.0, 0.5, p, &complement_of_x, BoostPolicy());
  return std::sqrt(degrees * complement_of_x / x);
}

kx::Value chi_inv(Arguments args) {
  const double p = number_arg(args[0]);
  const double degrees = whole_arg(args[1]);
  check_domain(is_probability(p), "the probability must lie between 0 and 1");
  check_domain(degrees >= 1.0 && degrees < kMaxChiDegrees, "the degrees of freedom must lie between 1 and 10^10");
  return bm::quantile(bm::complement(ChiSquared(degrees), p));
}

kx::Value crit_binom(Arguments args) {
  const double trials = whole_arg(args[0]);
  const double p = number_arg(args[1]);
  const double alpha = number_arg(args[2]);
  check_domain(trials >= 0.0, "the number of trials must not be negative");
  check_domain(is_probability(p), "the probability of success must lie between 0 and 1");
  check_domain(is_probability(alpha), "the criterion must lie between 0 and 1");
  if (alpha == 0.0 || p == 0.0) return 0.0;
  if (p == 1.0) return trials;
  std::function<double(double)> cumulative;
  if (trials <= kLargestExactCount) {
    cumulative = [binomial = Binomial(trials, p)](double k) { return bm::cdf(binomial, k); };
  } else {
    // Beyond 2^53 not every count is a double and Boost's binomial breaks down. A success
    // probability this small leaves the Poisson law of the same mean, exact in double.
    check_domain(p * p * trials <= kNegligibleProbability, "the number of trials is too large to count exactly");
    cumulative = [poisson = Poisson(trials * p)](double k) { return bm::cdf(poisson, k); };
  }
  const auto reaches = [&](double k) {
    if (k < 0.0) return false;
    const double probability = cumulative(k);
    check_domain(std::isfinite(probability), "the cumulative probability cannot be computed for these arguments");
    return probability >= alpha;
  };
  // Boost's rounded-up quantile comes from a root search and may miss by a step, and far in a
  // tail many counts share a cumulative probability of 1 in double. So the guess only starts a
  // search for the smallest k with cdf(k) >= alpha: steps doubling away from it bracket the
  // answer, bisection finds it. Throughout, not reaches(below) and reaches(above).
  double guess = trials;
  try {
    if (trials <= kLargestExactCount) guess = std::clamp(bm::quantile(Binomial(trials, p), alpha), 0.0, trials);
  } catch (const std::exception&) {
    // A failed guess only costs steps: the search below brackets the answer from the top.
  }
  double below = guess - 1.0;
  double above = guess;
  if (reaches(guess)) {
    for (double step = 1.0; reaches(below); step *= 2.0) {
      above = below;
      below = std::max(-1.0, above - step);
    }
  } else {
    for (double step = 1.0; !reaches(above); step *= 2.0) {
      below = above;
      above = std::min(trials, below + step);
    }
  }
  return kx::first_whole_where(below, above, reaches);
}

kx::Value norm_dist(Arguments args) {
  const double x = number_arg(args[0]);
  const double mean = number_arg(args[1]);
  const double sd = number_arg(args[2]);
  const bool cumulative = flag_arg(args[3]);
  check_domain(sd > 0.0, "the standard deviation must be positive");
  // Through the standard score: Boost's density squares sd, which underflows for tiny sd.
  const double z = (x - mean) / sd;
  return cumulative ? bm::cdf(Normal(), z) : bm::pdf(Normal(), z) / sd;
}

double norm_s_dist_of(double z) { return bm::cdf(Normal(), z); }

kx::Value norm_s_dist(Arguments args) { return norm_s_dist_of(number_arg(args[0])); }

kx::Value gamma_dist(Arguments args) {
  const double x = number_arg(args[0]);
  const double alpha = number_arg(args[1]);
  const double beta = number_arg(args[2]);
  const bool cumulative = flag_arg(args[3]);
  check_domain(x >= 0.0, "x must not be negative");
  check_domain(alpha > 0.0 && beta > 0.0, "alpha and beta must be positive");
  if (x == 0.0) {
    // Boost's density is 0 there for every shape, though it is infinite below shape 1 and
    // 1/beta at shape 1; its cumulative overflows computing the gamma function of a large shape.
    if (cumulative) return 0.0;
    check_domain(alpha >= 1.0, "the density is infinite at 0 for alpha below 1");
    return alpha == 1.0 ? 1.0 / beta : 0.0;
  }
  return density_or_cumulative(Gamma(alpha, beta), x, cumulative);
}

kx::Value binom_dist(Arguments args) {
  const double k = whole_arg(args[0]);
  const double trials = whole_arg(args[1]);
  const double p = number_arg(args[2]);
  const bool cumulative = flag_arg(args[3]);
  check_domain(k >= 0.0 && k <= trials, "the number of successes must lie between 0 and the number of trials");
  check_domain(is_probability(p), "the probability of success must lie between 0 and 1");
  return density_or_cumulative(Binomial(trials, p), k, cumulative);
}

kx::Value expon_dist(Arguments args) {
  const double x = number_arg(args[0]);
  const double lambda = number_arg(args[1]);
  const bool cumulative = flag_arg(args[2]);
  check_domain(x >= 0.0, "x must not be negative");
  check_domain(lambda > 0.0, "lambda must be positive");
  return density_or_cumulative(Exponential(lambda), x, cumulative);
}

kx::Value poisson_dist(Arguments args) {
  const double k = whole_arg(args[0]);
  const double mean = number_arg(args[1]);
  const bool cumulative = flag_arg(args[2]);
  check_domain(k >= 0.0, "the number of events must not be negative");
  check_domain(mean >= 0.0, "the mean must not be negative");
  // Boost needs a positive mean; with mean 0 every event count but 0 is impossible.
  if (mean == 0.0) return cumulative || k == 0.0 ? 1.0 : 0.0;
  return density_or_cumulative(Poisson(mean), k, cumulative);
}

kx::Value weibull_dist(Arguments args) {
  const double x = number_arg(args[0]);
  const double shape = number_arg(args[1]);
  const double scale = number_arg(args[2]);
  const bool cumulative = flag_arg(args[3]);
  check_domain(x >= 0.0, "x must not be negative");
  check_domain(shape > 0.0 && scale > 0.0, "the shape and the scale must be positive");
  return density_or_cumulative(Weibull(shape, scale), x, cumulative);
}

kx::Value beta_dist(Arguments args) {
  const double x = number_arg(args[0]);
  const double alpha = number_arg(args[1]);
  const double beta = number_arg(args[2]);
  const double lower = number_or(args[3], 0.0);
  const double upper = number_or(args[4], 1.0);
  check_domain(alpha > 0.0 && beta > 0.0, "alpha and beta must be positive");
  check_domain(lower < upper, "the lower bound must lie below the upper bound");
  check_domain(x >= lower && x <= upper, "x must lie between the bounds");
  const double scaled = (x - lower) / (upper - lower);
  if (large_beta_shapes(alpha, beta)) return large_beta_cdf(alpha, beta, scaled);
  return bm::cdf(Beta(alpha, beta), scaled);
}

kx::Value hyp_geom_dist(Arguments args) {
  const double k = whole_arg(args[0]);
  const double sample = whole_arg(args[1]);
  const double successes = whole_arg(args[2]);
  const double population = whole_arg(args[3]);
  check_domain(population > 0.0, "the population must be positive");
  check_domain(sample >= 0.0 && sample <= population, "the sample must lie between 0 and the population");
  check_domain(successes >= 0.0 && successes <= population,
               "the successes in the population must lie between 0 and the population");
  check_domain(k >= std::max(0.0, sample - population + successes) && k <= std::min(sample, successes),
               "the successes in the sample are impossible for this sample and population");
  const Hypergeometric distribution(count_arg(successes, "the population is too large"),
                                    count_arg(sample, "the sample is too large"),
                                    count_arg(population, "the population is too large"));
  return bm::pdf(distribution, count_arg(k, "the successes in the sample are too many"));
}

kx::Value neg_binom_dist(Arguments args) {
  const double failures = whole_arg(args[0]);
  const double successes = whole_arg(args[1]);
  const double p = number_arg(args[2]);
  check_domain(failures >= 0.0, "the number of failures must not be negative");
  check_domain(successes >= 1.0, "the number of successes must be at least 1");
  check_domain(is_probability(p), "the probability of success must lie between 0 and 1");
  return bm::pdf(NegativeBinomial(successes, p), failures);
}

kx::Value t_dist(Arguments args) {
  const double x = number_arg(args[0]);
  const double degrees = whole_arg(args[1]);
  const double tails = whole_arg(args[2]);
  check_domain(x >= 0.0, "x must not be negative");
  check_domain(degrees >= 1.0, "the degrees of freedom must be at least 1");
  check_domain(tails == 1.0 || tails == 2.0, "tails must be 1 or 2");
  return tails * bm::cdf(bm::complement(StudentsT(degrees), x));
}

kx::Value chi_test(Arguments args) {
  const Grid actual(args[0]);
  const Grid expected(args[1]);
  if (actual.rows() != expected.rows() || actual.columns() != expected.columns()) {
    raise_error(kx::error::kXlNA, "the observed and expected tables must have the same shape");
  }
  // A table compares rows with columns; a single row or column is a goodness-of-fit test.
  const double rows = static_cast<double>(actual.rows());
  const double columns = static_cast<double>(actual.columns());
  const double degrees = rows > 1.0 && columns > 1.0 ? (rows - 1.0) * (columns - 1.0) : rows * columns - 1.0;
  if (degrees < 1.0) raise_error(kx::error::kXlNA, "the test needs at least two cells");
  double statistic = 0.0;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    // Pairs where either cell is no number take no part, as texts and empty cells are ignored.
    if (!holds_number(actual.at(i)) || !holds_number(expected.at(i))) continue;
    const double observed = actual.at(i).number();
    const double wanted = expected.at(i).number();
    if (wanted == 0.0) raise_error(kx::error::kXlDiv0, "an expected count is 0");
    check_domain(wanted > 0.0, "the expected counts must be positive");
    statistic += (observed - wanted) * (observed - wanted) / wanted;
  }
  check_domain(std::isfinite(statistic), "the test statistic is too large");
  return bm::cdf(bm::complement(ChiSquared(degrees), statistic));
}

}  // namespace host::worksheet
