// Each sampling function draws from its distribution: 20,000 draws with a fixed seed pass a
// Kolmogorov-Smirnov (continuous) or chi-square (discrete) test against the distribution
// function computed here with Boost.Math, and the variate never falls as a supplied u grows.
#include <gtest/gtest.h>

#include <algorithm>
#include <boost/math/distributions/beta.hpp>
#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/exponential.hpp>
#include <boost/math/distributions/extreme_value.hpp>
#include <boost/math/distributions/gamma.hpp>
#include <boost/math/distributions/geometric.hpp>
#include <boost/math/distributions/hypergeometric.hpp>
#include <boost/math/distributions/inverse_gaussian.hpp>
#include <boost/math/distributions/logistic.hpp>
#include <boost/math/distributions/lognormal.hpp>
#include <boost/math/distributions/negative_binomial.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/pareto.hpp>
#include <boost/math/distributions/poisson.hpp>
#include <boost/math/distributions/rayleigh.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <boost/math/distributions/triangular.hpp>
#include <boost/math/distributions/uniform.hpp>
#include <boost/math/distributions/weibull.hpp>
#include <cmath>
#include <functional>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "tests/riskfn/sampling_fixture.hpp"

namespace riskfn {
namespace {

namespace bm = boost::math;
using kx::Value;

constexpr std::size_t kDraws = 20000;
constexpr double kSignificance = 1e-4;  // with a fixed seed the verdict never changes between runs
constexpr std::uint64_t kDistributionSeed = 20240607;

struct DistributionCase {
  const char* label;
  const char* function;
  std::vector<Value> parameters;      // before corFactor and ModeSheet
  std::function<double(double)> cdf;  // the distribution function
  std::vector<double> support = {};   // discrete: every value it takes, increasing
  std::vector<Value> trailing = {};   // after ModeSheet (kxBETAGEN's bounds)
  // Orders the variates for the monotonicity test; the identity unless the table is unordered.
  std::function<double(double)> rank = [](double x) { return x; };
};

template <class Distribution>
std::function<double(double)> cdf_of(Distribution distribution) {
  return [distribution](double x) {
    if (x < bm::range(distribution).first) return 0.0;
    if (x > bm::range(distribution).second) return 1.0;
    return bm::cdf(distribution, x);
  };
}

std::vector<double> integers(int first, int last) {
  std::vector<double> values(static_cast<std::size_t>(last - first + 1));
  std::iota(values.begin(), values.end(), static_cast<double>(first));
  return values;
}

// The Kolmogorov distribution's upper tail, with Stephens' correction for finite samples.
double kolmogorov_p_value(double distance, std::size_t n) {
  const double root = std::sqrt(static_cast<double>(n));
  const double lambda = (root + 0.12 + 0.11 / root) * distance;
  if (lambda < 0.2) return 1.0;
  double sum = 0.0;
  for (int k = 1; k <= 100; ++k) {
    const double term = 2.0 * ((k % 2 == 1) ? 1.0 : -1.0) * std::exp(-2.0 * k * k * lambda * lambda);
    sum += term;
    if (std::fabs(term) < 1e-12) break;
  }
  return std::clamp(sum, 0.0, 1.0);
}

double ks_p_value(std::vector<double> draws, const std::function<double(double)>& cdf) {
  std::sort(draws.begin(), draws.end());
  const double n = static_cast<double>(draws.size());
  double distance = 0.0;
  for (std::size_t i = 0; i < draws.size(); ++i) {
    const double f = cdf(draws[i]);
    distance = std::max({distance, (i + 1) / n - f, f - i / n});
  }
  return kolmogorov_p_value(distance, draws.size());
}

// Chi-square over the support, adjacent values pooled until each cell expects at least 10
// draws; the first and last cells take the tails.
double chi_square_p_value(const std::vector<double>& draws, const std::vector<double>& support,
                          const std::function<double(double)>& cdf) {
  std::map<double, double> observed;
  for (double x : draws) {
    if (!std::binary_search(support.begin(), support.end(), x)) {
      ADD_FAILURE() << "a draw of " << x << " is no value of the distribution";
      return 0.0;
    }
    ++observed[x];
  }
  const double n = static_cast<double>(draws.size());
  std::vector<double> expected_cells;
  std::vector<double> observed_cells;
  double expected = 0.0;
  double seen = 0.0;
  double below = 0.0;
  for (std::size_t i = 0; i < support.size(); ++i) {
    const double upto = i + 1 == support.size() ? 1.0 : cdf(support[i]);
    expected += (upto - below) * n;
    below = upto;
    seen += observed[support[i]];
    if (expected >= 10.0) {
      expected_cells.push_back(expected);
      observed_cells.push_back(seen);
      expected = seen = 0.0;
    }
  }
  if (expected_cells.empty()) return 0.0;
  expected_cells.back() += expected;
  observed_cells.back() += seen;
  double statistic = 0.0;
  for (std::size_t i = 0; i < expected_cells.size(); ++i) {
    const double difference = observed_cells[i] - expected_cells[i];
    statistic += difference * difference / expected_cells[i];
  }
  if (expected_cells.size() < 2) return 1.0;
  return bm::cdf(bm::complement(bm::chi_squared(static_cast<double>(expected_cells.size() - 1)), statistic));
}

std::vector<DistributionCase> distribution_cases() {
  const double pert_mean = (1.0 + 4.0 * 3.0 + 10.0) / 6.0;
  const double log_sd = std::sqrt(std::log(109.0 / 100.0));
  const std::vector<double> table_values = {5.0, 1.0, 3.0};
  return {
      {"beta", "kxBETA", {2.0, 3.0}, cdf_of(bm::beta_distribution<>(2, 3))},
      {"general beta",
       "kxBETAGEN",
       {2.0, 3.0},
       [](double x) { return cdf_of(bm::beta_distribution<>(2, 3))((x - 10.0) / 10.0); },
       {},
       {10.0, 20.0}},
      {"binomial", "kxBINOMIAL", {20.0, 0.3}, cdf_of(bm::binomial(20, 0.3)), integers(0, 20)},
      {"chi-square", "kxCHI2", {5.0}, cdf_of(bm::chi_squared(5))},
      {"chi-square from 680 degrees", "kxCHI2", {1000.0}, cdf_of(bm::chi_squared(1000))},
      {"discrete table",
       "kxDISCRETE",
       {kx::Array::vector({5.0, 1.0, 3.0}, 1), kx::Array::vector({0.2, 0.5, 0.3}, 1)},
       [](double x) {
         return x < 1 ? 0.0 : x < 3 ? 0.5 : x < 5 ? 0.8 : 1.0;
       },
       {1.0, 3.0, 5.0},
       {},
       [table_values](double x) {
         return static_cast<double>(std::find(table_values.begin(), table_values.end(), x) - table_values.begin());
       }},
      {"erf", "kxERF", {2.0}, cdf_of(bm::normal(0, 1 / (2 * std::sqrt(2.0))))},
      {"erlang", "kxERLANG", {3.0, 2.0}, cdf_of(bm::gamma_distribution<>(3, 2))},
      {"exponential", "kxEXPON", {5.0}, cdf_of(bm::exponential(1 / 5.0))},
      {"extreme value", "kxEXTVAL", {10.0, 2.0}, cdf_of(bm::extreme_value(10, 2))},
      {"gamma of shape below 1", "kxGAMMA", {0.7, 2.0}, cdf_of(bm::gamma_distribution<>(0.7, 2))},
      {"inverse gaussian", "kxGAUSSINV", {1.0, 3.0}, cdf_of(bm::inverse_gaussian(1, 3))},
      {"geometric", "kxGEO", {0.3}, cdf_of(bm::geometric(0.3)), integers(0, 80)},
      {"hypergeometric", "kxHYPERGEO", {10.0, 20.0, 60.0}, cdf_of(bm::hypergeometric(20, 10, 60)), integers(0, 10)},
      {"integer uniform",
       "kxINTUNI",
       {3.0, 9.0},
       [](double x) { return std::clamp((std::floor(x) - 2.0) / 7.0, 0.0, 1.0); },
       integers(3, 9)},
      {"logistic", "kxLOGISTIC", {5.0, 2.0}, cdf_of(bm::logistic(5, 2))},
      {"lognormal", "kxLOGNORMAL", {10.0, 3.0}, cdf_of(bm::lognormal(std::log(100 / std::sqrt(109.0)), log_sd))},
      {"negative binomial", "kxNEGBIN", {5.0, 0.4}, cdf_of(bm::negative_binomial(5, 0.4)), integers(0, 120)},
      {"normal", "kxNORMAL", {100.0, 15.0}, cdf_of(bm::normal(100, 15))},
      {"pareto", "kxPARETO", {3.0, 2.0}, cdf_of(bm::pareto(2, 3))},
      {"pareto2", "kxPARETO2", {3.0, 2.0}, [](double x) { return cdf_of(bm::pareto(2, 3))(x + 2.0); }},
      {"pert",
       "kxPERT",
       {1.0, 3.0, 10.0},
       [pert_mean](double x) {
         const bm::beta_distribution<> beta(6 * (pert_mean - 1) / 9, 6 * (10 - pert_mean) / 9);
         return cdf_of(beta)((x - 1.0) / 9.0);
       }},
      {"poisson", "kxPOISSON", {4.5}, cdf_of(bm::poisson(4.5)), integers(0, 40)},
      {"poisson of a large mean", "kxPOISSON", {250.0}, cdf_of(bm::poisson(250)), integers(130, 400)},
      {"randbetween", "kxRANDBETWEEN", {-4.0, 6.0}, cdf_of(bm::uniform(-4, 6))},
      {"rayleigh", "kxRAYLEIGH", {2.0}, cdf_of(bm::rayleigh(2))},
      {"student", "kxSTUDENT", {5.0}, cdf_of(bm::students_t(5))},
      {"triangular", "kxTRI", {0.0, 3.0, 10.0}, cdf_of(bm::triangular(0, 3, 10))},
      {"uniform", "kxUNIFORM", {2.0, 6.0}, cdf_of(bm::uniform(2, 6))},
      {"weibull", "kxWEIBULL", {1.5, 2.0}, cdf_of(bm::weibull(1.5, 2))},
  };
}

std::vector<Value> arguments_of(const DistributionCase& c, const Value& u) {
  std::vector<Value> arguments = c.parameters;
  arguments.push_back(u);
  arguments.push_back("");
  arguments.insert(arguments.end(), c.trailing.begin(), c.trailing.end());
  return arguments;
}

TEST_F(SamplingTest, DrawsFollowTheirDistribution) {
  for (const auto& c : distribution_cases()) {
    SCOPED_TRACE(c.label);
    kx::uniform_generator().set_fixed_seed(kDistributionSeed);
    // Resolved once, as the formula engine keeps a cell's member and arguments.
    const kx::Member& member = kx::find_member(*main_, c.function);
    std::vector<Value> arguments = arguments_of(c, kMissing);
    std::vector<double> draws;
    draws.reserve(kDraws);
    for (std::size_t i = 0; i < kDraws; ++i) {
      const Value result = kx::call_member(*main_, member, arguments);
      if (!result.is_number()) break;
      draws.push_back(result.number());
    }
    if (draws.size() < kDraws) {
      ADD_FAILURE() << "a draw gave no number";
      continue;
    }
    const double p_value = c.support.empty() ? ks_p_value(draws, c.cdf) : chi_square_p_value(draws, c.support, c.cdf);
    EXPECT_GT(p_value, kSignificance);
  }
}

TEST_F(SamplingTest, VariatesNeverFallAsTheUniformGrows) {
  std::vector<double> uniforms = {1e-9, 1e-6, 1e-4};
  for (int i = 1; i < 1000; ++i) uniforms.push_back(i / 1000.0);
  for (double tail : {1e-4, 1e-6, 1e-9}) uniforms.push_back(1.0 - tail);
  for (const auto& c : distribution_cases()) {
    SCOPED_TRACE(c.label);
    double previous = -INFINITY;
    for (double u : uniforms) {
      const Value result = call(c.function, arguments_of(c, u));
      if (!result.is_number()) {
        ADD_FAILURE() << "u " << u << ": " << describe_value(result);
        break;
      }
      const double rank = c.rank(result.number());
      if (rank < previous) {
        ADD_FAILURE() << "the variate falls at u " << u;
        break;
      }
      previous = rank;
    }
  }
}

}  // namespace
}  // namespace riskfn
