#include "host/simulation/confidence_intervals.hpp"

#include <algorithm>
#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <cstdint>
#include <limits>

namespace host {
namespace {

constexpr double kTail = 0.025;

// The smallest count x with P(B <= x) >= p for B binomial(n, share).
std::int64_t binomial_quantile(std::int64_t n, double share, double p) {
  if (share <= 0) return 0;
  if (share >= 1) return n;
  const boost::math::binomial_distribution<double> counts(static_cast<double>(n), share);
  // The continuous quantile lands next to the answer; the steps settle it on the definition.
  auto x = static_cast<std::int64_t>(std::floor(std::clamp(
      boost::math::quantile(counts, p), 0.0, static_cast<double>(n))));
  while (x < n && boost::math::cdf(counts, static_cast<double>(x)) < p) ++x;
  while (x > 0 && boost::math::cdf(counts, static_cast<double>(x - 1)) >= p) --x;
  return x;
}

}  // namespace

std::optional<Interval> mean_interval95(const Summary& summary) {
  if (summary.count < 2 || !summary.std_dev) return std::nullopt;
  const boost::math::students_t_distribution<double> t(static_cast<double>(summary.count - 1));
  // Divided first, and the ends kept within a double: deviations near 1.7E308 must not overflow.
  const double half = boost::math::quantile(boost::math::complement(t, kTail)) *
                      (*summary.std_dev / std::sqrt(static_cast<double>(summary.count)));
  constexpr double kLargest = std::numeric_limits<double>::max();
  return Interval{std::max(summary.mean - half, -kLargest), std::min(summary.mean + half, kLargest)};
}

std::optional<Interval> mean_interval95(std::span<const double> numbers) {
  Summary summary;
  summary.count = static_cast<std::int64_t>(numbers.size());
  if (numbers.size() < 2) return std::nullopt;
  double sum = 0;
  for (const double x : numbers) sum += x;
  summary.mean = sum / static_cast<double>(numbers.size());
  double squares = 0;
  for (const double x : numbers) squares += (x - summary.mean) * (x - summary.mean);
  summary.std_dev = std::sqrt(squares / static_cast<double>(numbers.size() - 1));
  return mean_interval95(summary);
}

Interval percentile_interval95(std::span<const double> sorted, double k) {
  const auto n = static_cast<std::int64_t>(sorted.size());
  const double share = k / 100;
  // Ranks counted from 1: P(X(low) <= percentile < X(high)) = P(low <= B < high) >= 95%.
  const std::int64_t low = std::max<std::int64_t>(1, binomial_quantile(n, share, kTail));
  const std::int64_t high = std::min<std::int64_t>(n, binomial_quantile(n, share, 1 - kTail) + 1);
  return {sorted[static_cast<std::size_t>(low - 1)], sorted[static_cast<std::size_t>(std::max(low, high) - 1)]};
}

}  // namespace host
