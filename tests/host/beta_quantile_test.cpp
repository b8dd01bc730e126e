// The beta quantile BETA.INV computes through its per-shape grid, against high-precision
// quantiles (tests/data/beta_quantiles.csv, made by make_beta_quantiles.py).
#include "host/worksheet/beta_quantile.hpp"

#include <gtest/gtest.h>

#include <boost/math/special_functions/beta.hpp>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace host::worksheet {
namespace {

struct QuantileCase {
  double a = 0.0;
  double b = 0.0;
  double p = 0.0;
  double x = 0.0;
};

std::vector<QuantileCase> reference_quantiles() {
  std::ifstream file(KX_TEST_DATA_DIR "/beta_quantiles.csv");
  std::vector<QuantileCase> cases;
  std::string line;
  std::getline(file, line);  // header
  while (std::getline(file, line)) {
    QuantileCase row;
    if (std::sscanf(line.c_str(), "%lf,%lf,%lf,%lf", &row.a, &row.b, &row.p, &row.x) == 4) cases.push_back(row);
  }
  return cases;
}

TEST(BetaQuantile, MatchesTheHighPrecisionReference) {
  const std::vector<QuantileCase> cases = reference_quantiles();
  ASSERT_EQ(cases.size(), 300u);
  double worst = 0.0;
  for (const QuantileCase& row : cases) {
    SCOPED_TRACE("a " + std::to_string(row.a) + ", b " + std::to_string(row.b) + ", p " + std::to_string(row.p));
    const double relative = std::fabs(beta_quantile(row.a, row.b, row.p) - row.x) / row.x;
    worst = std::max(worst, relative);
    EXPECT_LE(relative, 1e-14);
  }
  std::cout << "  beta quantile max relative error " << worst << "\n";
}

// Many more probabilities, for shapes from the U-shaped to the nearly normal, against Boost's
// inverse computed in long double: the grid's shortcut must keep every digit of the general one.
TEST(BetaQuantile, KeepsTheDigitsOfTheInverseInLongDouble) {
  using LongDouble = boost::math::policies::policy<boost::math::policies::promote_double<true>>;
  const double shapes[][2] = {{2.6, 3.4},   {0.5, 3.0},   {0.2, 0.2}, {3.0, 0.4},  {30.0, 40.0},
                              {250.0, 0.9}, {100.0, 1.0}, {1.0, 5.0}, {0.05, 2.0}, {1e4, 2e4}};
  std::mt19937_64 generator(11);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  for (const auto& [a, b] : shapes) {
    SCOPED_TRACE("a " + std::to_string(a) + ", b " + std::to_string(b));
    for (int i = 0; i < 2000; ++i) {
      const double p = uniform(generator);
      const double want = boost::math::ibeta_inv(a, b, p, LongDouble());
      ASSERT_LE(std::fabs(beta_quantile(a, b, p) - want), 2e-14 * want) << "p " << p;
    }
  }
}

// A seeded simulation repeats on any number of threads only if a quantile never depends on
// which quantiles its thread computed before: here the same cases asked in the opposite order,
// on a thread whose kept shapes were first taken by others.
TEST(BetaQuantile, DependsOnItsArgumentsAloneNotOnWhatWasAskedBefore) {
  const std::vector<QuantileCase> cases = reference_quantiles();
  std::vector<double> forward;
  for (const QuantileCase& row : cases) forward.push_back(beta_quantile(row.a, row.b, row.p));
  std::vector<double> backward(cases.size());
  std::thread([&] {
    for (int shape = 1; shape <= 20; ++shape) beta_quantile(shape, 2.0, 0.3);
    for (std::size_t i = cases.size(); i-- > 0;) backward[i] = beta_quantile(cases[i].a, cases[i].b, cases[i].p);
  }).join();
  for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(forward[i], backward[i]) << "case " << i;
}

}  // namespace
}  // namespace host::worksheet
