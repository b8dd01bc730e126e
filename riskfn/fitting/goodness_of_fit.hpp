// How far to trust a fit: p-values of the Kolmogorov-Smirnov and Anderson-Darling statistics,
// the chi-square test over equiprobable classes, and the standard errors of maximum-likelihood
// estimates from the observed information.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace riskfn::fitting {

// P(D > distance) under Kolmogorov's limiting distribution of sqrt(n) D, for a distribution
// whose parameters were not estimated from the data: with estimated parameters the true p-value
// is smaller, so this one errs on the side of keeping a fit.
double kolmogorov_p_value(double distance, double count);

// P(A^2 > statistic) under the limiting distribution of the Anderson-Darling statistic for a
// fully specified distribution (Marsaglia and Marsaglia's approximation, within 2e-6); the same
// caveat on estimated parameters applies.
double anderson_darling_p_value(double statistic);

struct ChiSquareTest {
  double statistic = 0.0;
  int classes = 0;
  int degrees_of_freedom = 0;
  double p_value = 0.0;
};

// Pearson's statistic over max(3, ceil(2 n^0.4)) classes of equal fitted probability, read from
// F at each observation; degrees of freedom classes - 1 - estimated. None when they would not be
// positive.
std::optional<ChiSquareTest> chi_square_test(std::span<const double> cumulative, int estimated);

// The standard errors of the parameters at a maximum of `log_likelihood`: the square roots of
// the diagonal of the inverse observed information, the Hessian taken by central differences.
// None when the information is not positive definite or the likelihood fails near the maximum.
std::optional<std::vector<double>> standard_errors(
    const std::function<std::optional<double>(const std::vector<double>&)>& log_likelihood,
    const std::vector<double>& maximum);

// The covariance behind those errors, for carrying them to another parameterisation.
std::optional<std::vector<std::vector<double>>> inverse_information(
    const std::function<std::optional<double>(const std::vector<double>&)>& log_likelihood,
    const std::vector<double>& maximum);

}  // namespace riskfn::fitting
