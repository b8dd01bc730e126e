// Maximum-likelihood estimates found by Newton's method on their score equations: each step
// takes the log-likelihood's slope and curvature from one pass over the observations, where a
// search without derivatives needed a pass for every one of its hundred or so trials.
#pragma once

#include <span>
#include <utility>

namespace riskfn::fitting {

// The logistic's location and scale, from the sample's mean and standard deviation (the moment
// estimates are the starting point). Raises when no maximum is found.
std::pair<double, double> logistic_estimates(std::span<const double> x, double mean, double stdev);

// The degrees of freedom of the standard Student's t, searched within a factor of e^30 either
// side of 5; the upper end where the likelihood rises towards the normal. Raises where the
// squares of the data overflow.
double students_t_degrees(std::span<const double> x);

// ln Gamma((nu + 1) / 2) - ln Gamma(nu / 2) - ln(nu pi) / 2, the log of the t density's constant,
// without the loss of every digit that the difference of two log-gammas suffers for large nu.
double students_t_log_constant(double nu);

// The Gumbel (largest extreme value) scale: the root of mean - beta - sum x e^(-x/beta) / sum
// e^(-x/beta), which falls steadily in beta; `spread` is the starting point.
double gumbel_scale(std::span<const double> x, double mean, double low, double spread);

// The Weibull shape: the root of sum x^k ln x / sum x^k - 1/k - mean ln x, which rises steadily
// in k. `ratio_logs` holds ln(x / max x), every one at most 0, so that the powers stay finite.
double weibull_shape(std::span<const double> ratio_logs);

}  // namespace riskfn::fitting
