#include "riskfn/fitting/goodness_of_fit.hpp"

#include <Eigen/Dense>
#include <algorithm>
#include <boost/math/special_functions/gamma.hpp>
#include <cmath>
#include <numbers>

namespace riskfn::fitting {

double kolmogorov_p_value(double distance, double count) {
  const double x = std::sqrt(count) * distance;
  if (!(x > 0.0)) return 1.0;
  // Two series of the same function: the first converges fast for small x, the second for large.
  if (x < 1.18) {
    const double a = std::numbers::pi * std::numbers::pi / (8.0 * x * x);
    double sum = 0.0;
    for (int k = 1; k <= 20; ++k) sum += std::exp(-a * (2 * k - 1) * (2 * k - 1));
    return std::clamp(1.0 - std::sqrt(2.0 * std::numbers::pi) / x * sum, 0.0, 1.0);
  }
  double sum = 0.0;
  for (int k = 1; k <= 100; ++k) {
    const double term = std::exp(-2.0 * k * k * x * x);
    sum += (k % 2 == 1 ? term : -term);
    if (term < 1e-18) break;
  }
  return std::clamp(2.0 * sum, 0.0, 1.0);
}

double anderson_darling_p_value(double z) {
  if (!(z > 0.0)) return 1.0;
  double cumulative = 0.0;
  if (z < 2.0) {
    cumulative = std::exp(-1.2337141 / z) / std::sqrt(z) *
                 (2.00012 + (0.247105 - (0.0649821 - (0.0347962 - (0.011672 - 0.00168691 * z) * z) * z) * z) * z);
  } else {
    cumulative =
        std::exp(-std::exp(1.0776 - (2.30695 - (0.43424 - (0.082433 - (0.008056 - 0.0003146 * z) * z) * z) * z) * z));
  }
  return std::clamp(1.0 - cumulative, 0.0, 1.0);
}

std::optional<ChiSquareTest> chi_square_test(std::span<const double> cumulative, int estimated) {
  const auto n = static_cast<double>(cumulative.size());
  ChiSquareTest test;
  test.classes = std::max(3, static_cast<int>(std::ceil(2.0 * std::pow(n, 0.4))));
  test.degrees_of_freedom = test.classes - 1 - estimated;
  if (test.degrees_of_freedom < 1 || n < 1) return std::nullopt;
  std::vector<double> observed(static_cast<std::size_t>(test.classes), 0.0);
  for (const double f : cumulative) {
    const auto k = static_cast<std::size_t>(std::clamp(std::floor(f * test.classes), 0.0, test.classes - 1.0));
    observed[k] += 1.0;
  }
  const double expected = n / test.classes;
  for (const double o : observed) test.statistic += (o - expected) * (o - expected) / expected;
  test.p_value = boost::math::gamma_q(test.degrees_of_freedom / 2.0, test.statistic / 2.0);
  return test;
}

std::optional<std::vector<std::vector<double>>> inverse_information(
    const std::function<std::optional<double>(const std::vector<double>&)>& log_likelihood,
    const std::vector<double>& maximum) {
  const std::size_t k = maximum.size();
  if (k == 0) return std::nullopt;
  std::vector<double> steps(k);
  for (std::size_t i = 0; i < k; ++i) steps[i] = 1e-4 * std::max(std::fabs(maximum[i]), 1e-3);
  const auto at = [&](std::size_t i, double di, std::size_t j, double dj) {
    std::vector<double> p = maximum;
    p[i] += di * steps[i];
    p[j] += dj * steps[j];
    const std::optional<double> value = log_likelihood(p);
    if (!value || !std::isfinite(*value)) throw std::domain_error("no likelihood near the maximum");
    return *value;
  };
  Eigen::MatrixXd information(k, k);
  try {
    const double centre = at(0, 0, 0, 0);
    for (std::size_t i = 0; i < k; ++i) {
      information(i, i) = -(at(i, 1, i, 0) - 2.0 * centre + at(i, -1, i, 0)) / (steps[i] * steps[i]);
      for (std::size_t j = 0; j < i; ++j) {
        const double mixed = (at(i, 1, j, 1) - at(i, 1, j, -1) - at(i, -1, j, 1) + at(i, -1, j, -1)) /
                             (4.0 * steps[i] * steps[j]);
        information(i, j) = information(j, i) = -mixed;
      }
    }
  } catch (const std::domain_error&) {
    return std::nullopt;
  }
  const Eigen::LLT<Eigen::MatrixXd> factor(information);
  if (factor.info() != Eigen::Success) return std::nullopt;
  const Eigen::MatrixXd covariance = factor.solve(Eigen::MatrixXd::Identity(k, k));
  std::vector<std::vector<double>> result(k, std::vector<double>(k));
  for (std::size_t i = 0; i < k; ++i) {
    for (std::size_t j = 0; j < k; ++j) result[i][j] = covariance(i, j);
  }
  return result;
}

std::optional<std::vector<double>> standard_errors(
    const std::function<std::optional<double>(const std::vector<double>&)>& log_likelihood,
    const std::vector<double>& maximum) {
  const auto covariance = inverse_information(log_likelihood, maximum);
  if (!covariance) return std::nullopt;
  std::vector<double> errors;
  for (std::size_t i = 0; i < maximum.size(); ++i) {
    if (!((*covariance)[i][i] > 0.0)) return std::nullopt;
    errors.push_back(std::sqrt((*covariance)[i][i]));
  }
  return errors;
}

}  // namespace riskfn::fitting
