// The beta quantile BETA.INV computes through its per-shape grid, against high-precision
// quantiles (tests/data/beta_quantiles.csv, made by make_beta_quantiles.py).
#include "host/worksheet/beta_quantile.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
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
