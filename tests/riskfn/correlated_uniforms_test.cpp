// kxCORREL called by name: the construction of its numbers from the generator's draws, the
// matrices it rejects, and the rank correlation of sampling functions fed with its numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "common/conversions.hpp"
#include "tests/riskfn/sampling_fixture.hpp"

namespace riskfn {
namespace {

using kx::Value;

using CorrelationTest = SamplingTest;

constexpr std::uint64_t kSeed = 20261208;

Value matrix_of(const std::vector<std::vector<double>>& rows) {
  kx::Array matrix(rows.size(), rows.front().size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) matrix.at(r, c) = rows[r][c];
  }
  return matrix;
}

std::vector<double> numbers_of(const Value& result) {
  std::vector<double> numbers;
  for (const Value& v : result.array().values()) numbers.push_back(v.number());
  return numbers;
}

// The draws the generator gives from kSeed on.
std::vector<double> draws(std::size_t count) {
  kx::uniform_generator().set_fixed_seed(kSeed);
  std::vector<double> u(count);
  for (double& x : u) x = kx::uniform_generator().next();
  kx::uniform_generator().set_fixed_seed(kSeed);
  return u;
}

TEST_F(CorrelationTest, BuildsTheNumbersFromTheDraws) {
  const boost::math::normal_distribution<double> normal;
  const auto z = [&](double u) { return boost::math::quantile(normal, u); };
  const auto phi = [&](double x) { return boost::math::cdf(normal, x); };
  const auto u = draws(3);
  const std::vector<double> two_variables = {phi(0.6 * z(u[0]) + 0.8 * z(u[1])), u[1]};
  struct Case {
    const char* label;
    Value matrix;
    std::vector<double> expected;
  } cases[] = {
      {"a single correlation", 0.8, two_variables},
      {"a 2 x 2 matrix", matrix_of({{1, 0.8}, {0.8, 1}}), two_variables},
      {"the upper triangle is not read", matrix_of({{1, -0.3}, {0.8, 1}}), two_variables},
      {"an identity matrix keeps the draws", matrix_of({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}), u},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    draws(3);
    const Value result = call("kxCORREL", {c.matrix});
    ASSERT_TRUE(result.is_array()) << describe_value(result);
    EXPECT_EQ(result.array().lower_bound(1), 1);
    const auto numbers = numbers_of(result);
    ASSERT_EQ(numbers.size(), c.expected.size());
    for (std::size_t i = 0; i < numbers.size(); ++i) EXPECT_NEAR(numbers[i], c.expected[i], 1e-14) << i;
  }
}

TEST_F(CorrelationTest, PerfectCorrelationsGiveNearlyEqualNumbers) {
  const auto numbers = numbers_of(call("kxCORREL", {matrix_of({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}})}));
  ASSERT_EQ(numbers.size(), 3u);
  EXPECT_NEAR(numbers[0], numbers[2], 0.01);
  EXPECT_NEAR(numbers[1], numbers[2], 0.01);
}

TEST_F(CorrelationTest, RejectedMatricesGiveTheEmptyValue) {
  kx::Array text_inside(2, 2);
  text_inside.at(0, 0) = 1.0;
  text_inside.at(1, 0) = "high";
  text_inside.at(1, 1) = 1.0;
  struct Case {
    const char* label;
    Value matrix;
  } cases[] = {
      {"a diagonal element of 0.99", matrix_of({{0.99, 0.5}, {0.5, 1}})},
      {"the last diagonal element", matrix_of({{1, 0, 0}, {0, 1, 0}, {0, 0, 2}})},
      {"a correlation beyond 1", 1.5},
      {"an element that is no number", text_inside},
      {"text", "0.5 or so"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(call("kxCORREL", {c.matrix}), Value());
  }
}

// Ranks 1..n of the values (no ties among continuous draws).
std::vector<double> ranks(const std::vector<double>& values) {
  std::vector<std::size_t> order(values.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
  std::vector<double> rank(values.size());
  for (std::size_t i = 0; i < order.size(); ++i) rank[order[i]] = static_cast<double>(i + 1);
  return rank;
}

double rank_correlation(const std::vector<double>& x, const std::vector<double>& y) {
  const auto rx = ranks(x);
  const auto ry = ranks(y);
  const double mean = (static_cast<double>(x.size()) + 1.0) / 2.0;
  double sxy = 0.0;
  double sxx = 0.0;
  double syy = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    sxy += (rx[i] - mean) * (ry[i] - mean);
    sxx += (rx[i] - mean) * (rx[i] - mean);
    syy += (ry[i] - mean) * (ry[i] - mean);
  }
  return sxy / std::sqrt(sxx * syy);
}

// As a simulation uses it: one kxCORREL per recalculation, each number the corFactor of one
// sampling function; the sampled variables then carry the rank correlation asked for.
TEST_F(CorrelationTest, SampledVariablesCarryTheRankCorrelation) {
  constexpr int kRecalculations = 20000;
  struct Case {
    const char* label;
    Value matrix;
    std::vector<std::vector<double>> asked;  // lower triangle, row by row
  } cases[] = {
      {"0.8 as a single number", 0.8, {{}, {0.8}}},
      {"-0.5 as a 2 x 2 matrix", matrix_of({{1, -0.5}, {-0.5, 1}}), {{}, {-0.5}}},
      {"a 3 x 3 matrix", matrix_of({{1, 0.6, -0.3}, {0.6, 1, 0.2}, {-0.3, 0.2, 1}}), {{}, {0.6}, {-0.3, 0.2}}},
  };
  const std::string sample;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    kx::uniform_generator().set_fixed_seed(kSeed);
    std::vector<std::vector<double>> sampled(c.asked.size());
    for (int n = 0; n < kRecalculations; ++n) {
      const Value numbers = call("kxCORREL", {c.matrix});
      ASSERT_TRUE(numbers.is_array());
      const kx::Array& u = numbers.array();
      sampled[0].push_back(kx::to_double(call("kxNORMAL", {100.0, 15.0, u.at(0), sample})));
      sampled[1].push_back(kx::to_double(call("kxEXPON", {2.0, u.at(1), sample})));
      if (sampled.size() > 2) sampled[2].push_back(kx::to_double(call("kxUNIFORM", {0.0, 1.0, u.at(2), sample})));
    }
    for (std::size_t i = 1; i < c.asked.size(); ++i) {
      for (std::size_t j = 0; j < i; ++j) {
        EXPECT_NEAR(rank_correlation(sampled[i], sampled[j]), c.asked[i][j], 0.02) << i << ", " << j;
      }
    }
  }
}

}  // namespace
}  // namespace riskfn
