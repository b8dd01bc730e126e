// The fitting dialog's distance between a fitted cumulative function F and the empirical
// distribution of the sorted observations x0 <= ... <= x(n-1): the largest of
// |F(xi) - (i+1)/n| and, for i >= 1, |F(x(i-1)) - (i+1)/n|; at i = 0 the second term is 1/n.
// Smaller is better; with no observations it is 0.
//
// A discrete candidate is measured over the distinct values instead, as the largest gap
// between the two step functions: |F(v) - Fn(v)| and |P(X < v) - Fn(v-)|. Paired as above,
// the previous value's F against the next value's Fn measures the candidate's own jumps, and
// on count data the distribution that made them ranked behind every continuous candidate.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>

namespace riskfn::fitting {

// `after_observation(i)` runs after each observation, for progress reports.
template <class Cumulative, class Progress>
double fit_distance(std::span<const double> sorted, double count, bool discrete, Cumulative&& cumulative,
                    Progress&& after_observation) {
  double distance = 0.0;
  if (discrete) {
    double below = 0.0;  // Fn just below the current value
    for (std::size_t first = 0; first < sorted.size();) {
      std::size_t last = first;
      while (last + 1 < sorted.size() && sorted[last + 1] == sorted[first]) ++last;
      const double value = sorted[first];
      const double empirical = static_cast<double>(last + 1) / count;
      const double gap =
          std::max(std::fabs(cumulative(value) - empirical), std::fabs(cumulative(std::ceil(value) - 1.0) - below));
      distance = std::max(distance, gap);
      for (std::size_t i = first; i <= last; ++i) after_observation(i);
      below = empirical;
      first = last + 1;
    }
    return distance;
  }
  double previous = 0.0;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    const double f = cumulative(sorted[i]);
    const double empirical = static_cast<double>(i + 1) / count;
    const double gap = std::max(std::fabs(f - empirical), i == 0 ? empirical : std::fabs(previous - empirical));
    distance = std::max(distance, gap);
    previous = f;
    after_observation(i);
  }
  return distance;
}

}  // namespace riskfn::fitting
