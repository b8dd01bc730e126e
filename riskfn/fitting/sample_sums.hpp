// The sample's sums, computed once per set of observations and shared by every candidate.
#pragma once

#include <span>

namespace riskfn::fitting {

// Sums over the observations from which most candidates' log-likelihoods follow at once,
// instead of a density (often a special function) per observation at every optimiser step.
struct Sums {
  double n = 0.0;
  double mean = 0.0;
  double squares = 0.0;  // sum of (x - mean)^2
  double min = 0.0;
  double max = 0.0;
  bool positive = false;  // every x > 0: the logarithms below exist
  double log_sum = 0.0;
  double log_squares = 0.0;  // sum of (ln x - mean ln x)^2
  double reciprocal_sum = 0.0;      // sum of 1/x
  double reciprocal_squares = 0.0;  // sum of (x - mean)^2 / x
  bool inside_unit = false;  // every x in (0, 1)
  double log_complement_sum = 0.0;  // sum of ln(1 - x)
};

Sums sums_of(std::span<const double> x);

}  // namespace riskfn::fitting
