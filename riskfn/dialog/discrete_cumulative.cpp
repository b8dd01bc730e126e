#include "riskfn/dialog/discrete_cumulative.hpp"

#include <algorithm>
#include <boost/math/distributions/hypergeometric.hpp>
#include <boost/math/distributions/negative_binomial.hpp>

#include "common/checked_math.hpp"

namespace riskfn::dialog {

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
  return boost::math::cdf(distribution, static_cast<unsigned>(count));
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
