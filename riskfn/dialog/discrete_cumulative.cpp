#include "riskfn/dialog/discrete_cumulative.hpp"

#include <algorithm>
#include <boost/math/distributions/hypergeometric.hpp>
#include <boost/math/distributions/negative_binomial.hpp>
#include <cmath>

#include "common/checked_math.hpp"

namespace riskfn::dialog {

namespace {

// Boost's probability is exact and quick up to this batch size.
constexpr double kExactBatch = 1e7;

// C(K, x) C(N - K, n - x) / C(N, n) from log-gammas in extended precision: their terms reach
// 9E10 for batches of billions, where a double's log-gamma would keep five digits of the result.
double hypergeometric_probability(double x, double n, double k, double total) {
  const auto log_choose = [](long double all, long double some) {
    return std::lgamma(all + 1) - std::lgamma(some + 1) - std::lgamma(all - some + 1);
  };
  return static_cast<double>(std::exp(log_choose(k, x) + log_choose(total - k, n - x) - log_choose(total, n)));
}

}  // namespace

double hypergeometric_cumulative(double x, double sample, double defects, double batch) {
  const double n = std::trunc(sample);
  const double k = std::trunc(defects);
  const double total = std::trunc(batch);
  if (!(total > 0.0 && n >= 0.0 && k >= 0.0 && n <= total && k <= total && total < 4e9))
    throw kx::Failure(kx::error::kInvalidCall, "Invalid procedure call: not a hypergeometric distribution");
  const double count = std::floor(x);
  if (count < std::max(0.0, n + k - total)) return 0.0;
  if (count >= std::min(n, k)) return 1.0;
  const boost::math::hypergeometric_distribution<double> distribution(
      static_cast<unsigned>(k), static_cast<unsigned>(n), static_cast<unsigned>(total));
  // Boost's cdf and pdf can take seconds for some counts of batches of billions. From the
  // probability of `count`, the terms of the nearer tail follow by their ratio and fall below a
  // double's precision within some nine standard deviations: at most about 150,000 of them.
  const double first = total <= kExactBatch ? boost::math::pdf(distribution, static_cast<unsigned>(count))
                                            : hypergeometric_probability(count, n, k, total);
  const double others = total - k;
  double sum = 0.0;
  double term = first;
  if (count < n * k / total) {
    for (double i = count; term > 0.0 && term >= sum * 1e-17 && i > std::max(0.0, n + k - total); i -= 1.0) {
      sum += term;
      term *= i * (others - n + i) / ((k - i + 1.0) * (n - i + 1.0));
    }
    if (term >= sum * 1e-17) sum += term;
    return std::min(sum, 1.0);
  }
  for (double i = count; i < std::min(n, k);) {
    term *= (k - i) * (n - i) / ((i + 1.0) * (others - n + i + 1.0));
    i += 1.0;
    if (!(term > 0.0) || term < sum * 1e-17) break;
    sum += term;
  }
  return std::clamp(1.0 - sum, 0.0, 1.0);
}

double negative_binomial_cumulative(double x, double successes, double probability) {
  if (!(successes > 0.0 && probability > 0.0 && probability <= 1.0))
    throw kx::Failure(kx::error::kInvalidCall, "Invalid procedure call: not a negative binomial distribution");
  const double count = std::floor(x);
  if (count < 0.0) return 0.0;
  return kx::checked::finite(
      boost::math::cdf(boost::math::negative_binomial_distribution<double>(successes, probability), count));
}

}  // namespace riskfn::dialog
