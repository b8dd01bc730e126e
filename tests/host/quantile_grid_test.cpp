// The beta and gamma quantiles BETA.INV and GAMMA.INV compute through their per-shape grids,
// against high-precision quantiles (tests/data/grid_quantiles.csv, made by
// make_grid_quantiles.py) and Boost's inverses computed in long double.
#include <gtest/gtest.h>

#include <boost/math/special_functions/beta.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "host/worksheet/beta_quantile.hpp"
#include "host/worksheet/gamma_quantile.hpp"

namespace host::worksheet {
namespace {

struct QuantileCase {
  bool beta = true;  // else gamma, whose b is unused
  double a = 0.0;
  double b = 0.0;
  double p = 0.0;
  double x = 0.0;
};

double grid_quantile(const QuantileCase& row) {
  return row.beta ? beta_quantile(row.a, row.b, row.p) : gamma_quantile(row.a, row.p);
}

std::vector<QuantileCase> reference_quantiles() {
  std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/grid_quantiles.csv");
  std::vector<QuantileCase> cases;
  std::string line;
  std::getline(file, line);  // header
  while (std::getline(file, line)) {
    QuantileCase row;
    char family[8] = {};
    if (std::sscanf(line.c_str(), "%7[a-z],%lf,%lf,%lf,%lf", family, &row.a, &row.b, &row.p, &row.x) != 5) continue;
    row.beta = std::string(family) == "beta";
    cases.push_back(row);
  }
  return cases;
}

// A quantile near 0 of a small shape a moves by 1/a times the relative change of p, so its
// last digits are not all known: allow for it as Boost's own inverses need it.
double tolerance(double relative, const QuantileCase& row) { return relative * std::max(1.0, 0.1 / row.a); }

std::string label(const QuantileCase& row) {
  return std::string(row.beta ? "beta" : "gamma") + " a " + std::to_string(row.a) + ", b " + std::to_string(row.b) +
         ", p " + std::to_string(row.p);
}

TEST(QuantileGrid, MatchesTheHighPrecisionReference) {
  const std::vector<QuantileCase> cases = reference_quantiles();
  ASSERT_EQ(cases.size(), 510u);
  double worst = 0.0;
  for (const QuantileCase& row : cases) {
    SCOPED_TRACE(label(row));
    const double relative = std::fabs(grid_quantile(row) - row.x) / row.x;
    worst = std::max(worst, relative);
    EXPECT_LE(relative, tolerance(1e-14, row));
  }
  std::cout << "  grid quantile max relative error " << worst << "\n";
}

// Many more probabilities, for shapes from the U-shaped to the nearly normal: the grid's
// shortcut must keep every digit of the general inverse.
TEST(QuantileGrid, KeepsTheDigitsOfTheInverseInLongDouble) {
  using LongDouble = boost::math::policies::policy<boost::math::policies::promote_double<true>>;
  const QuantileCase shapes[] = {{true, 2.6, 3.4},   {true, 0.5, 3.0},   {true, 0.2, 0.2},    {true, 3.0, 0.4},
                                 {true, 30.0, 40.0}, {true, 250.0, 0.9}, {true, 100.0, 1.0},  {true, 1.0, 5.0},
                                 {true, 0.05, 2.0},  {true, 1e4, 2e4},   {false, 16.0, 0.0},  {false, 0.3, 0.0},
                                 {false, 1.0, 0.0},  {false, 7.5, 0.0},  {false, 800.0, 0.0}, {false, 0.02, 0.0}};
  std::mt19937_64 generator(11);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  for (QuantileCase row : shapes) {
    SCOPED_TRACE(label(row));
    for (int i = 0; i < 2000; ++i) {
      row.p = uniform(generator);
      const double want = row.beta ? boost::math::ibeta_inv(row.a, row.b, row.p, LongDouble())
                                   : boost::math::gamma_p_inv(row.a, row.p, LongDouble());
      ASSERT_LE(std::fabs(grid_quantile(row) - want), tolerance(2e-14, row) * want) << "p " << row.p;
    }
  }
}

// A seeded simulation repeats on any number of threads only if a quantile never depends on
// which quantiles its thread computed before: here the same cases asked in the opposite order,
// on a thread whose kept shapes were first taken by others.
TEST(QuantileGrid, DependsOnItsArgumentsAloneNotOnWhatWasAskedBefore) {
  const std::vector<QuantileCase> cases = reference_quantiles();
  std::vector<double> forward;
  for (const QuantileCase& row : cases) forward.push_back(grid_quantile(row));
  std::vector<double> backward(cases.size());
  std::thread([&] {
    for (int shape = 1; shape <= 20; ++shape) {
      beta_quantile(shape, 2.0, 0.3);
      gamma_quantile(shape, 0.3);
    }
    for (std::size_t i = cases.size(); i-- > 0;) backward[i] = grid_quantile(cases[i]);
  }).join();
  for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(forward[i], backward[i]) << label(cases[i]);
}

}  // namespace
}  // namespace host::worksheet
