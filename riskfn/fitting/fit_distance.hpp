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
#include <utility>

namespace riskfn::fitting {

// A cumulative function evaluated as the distance walks the sorted observations: the last two
// results are kept, and one that steps only at whole numbers is evaluated at floor(x) (for
// x >= 0, where floor and the host's truncation agree), so a million observations between 0
// and 30 cost some thirty evaluations instead of two million.
template <class Cumulative>
class RememberedCumulative {
 public:
  RememberedCumulative(Cumulative cumulative, bool whole_steps)
      : cumulative_(std::move(cumulative)), whole_steps_(whole_steps) {}

  double operator()(double x) {
    const double at = whole_steps_ && x >= 0.0 ? std::floor(x) : x;
    for (const Known& known : known_) {
      if (known.filled && known.at == at) return known.value;
    }
    const double value = cumulative_(at);
    known_[next_] = {true, at, value};
    next_ = 1 - next_;
    return value;
  }

 private:
  struct Known {
    bool filled = false;
    double at = 0.0;
    double value = 0.0;
  };
  Cumulative cumulative_;
  bool whole_steps_;
  Known known_[2];
  int next_ = 0;
};

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
