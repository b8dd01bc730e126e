// Cumulative probabilities of the discrete distributions whose worksheet functions give only
// the probability of one value, and the median of a discrete distribution.
#pragma once

#include <cmath>

#include "common/failure.hpp"

namespace riskfn::dialog {

// P(X <= x) of the number of defects in a sample of n from a batch of N holding K defects;
// the counts are truncated to whole numbers as the worksheet function truncates them.
double hypergeometric_cumulative(double x, double sample, double defects, double batch);

// P(X <= x) of the failures before the r-th success with success probability p.
double negative_binomial_cumulative(double x, double successes, double probability);

// The smallest whole k >= 0 with F(k) >= 1/2, searched outward from a guess near it.
template <class Cumulative>
double discrete_median(Cumulative&& cumulative, double guess) {
  constexpr int kMostSteps = 10'000'000;  // F reaches 1/2 long before; a stuck F is a failure
  double k = std::isfinite(guess) && guess > 0.0 ? std::floor(guess) : 0.0;
  for (int steps = 0; steps < kMostSteps; ++steps) {
    if (k > 0.0 && cumulative(k - 1.0) >= 0.5) {
      k -= 1.0;
    } else if (cumulative(k) < 0.5) {
      k += 1.0;
    } else {
      return k;
    }
  }
  throw kx::Failure(kx::error::kInvalidCall, "Invalid procedure call: no median found");
}

}  // namespace riskfn::dialog
