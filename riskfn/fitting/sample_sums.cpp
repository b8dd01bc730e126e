#include "riskfn/fitting/sample_sums.hpp"

#include <algorithm>
#include <cmath>

namespace riskfn::fitting {

Sums sums_of(std::span<const double> x) {
  Sums s;
  s.n = static_cast<double>(x.size());
  if (x.empty()) return s;
  s.min = *std::min_element(x.begin(), x.end());
  s.max = *std::max_element(x.begin(), x.end());
  // Halves keep the mean of numbers near 1E308 finite.
  for (const double v : x) s.mean += v / 2;
  s.mean = s.mean / s.n * 2;
  for (const double v : x) s.squares += (v - s.mean) * (v - s.mean);
  s.positive = s.min > 0.0;
  if (s.positive) {
    for (const double v : x) s.log_sum += std::log(v);
    const double log_mean = s.log_sum / s.n;
    for (const double v : x) {
      s.log_squares += (std::log(v) - log_mean) * (std::log(v) - log_mean);
      s.reciprocal_sum += 1 / v;
      s.reciprocal_squares += (v - s.mean) * (v - s.mean) / v;
    }
  }
  s.inside_unit = s.positive && s.max < 1.0;
  if (s.inside_unit) {
    for (const double v : x) s.log_complement_sum += std::log1p(-v);
  }
  return s;
}

}  // namespace riskfn::fitting
