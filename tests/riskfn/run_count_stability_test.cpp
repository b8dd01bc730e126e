// kxOPTNUM called by name: its answers against the direct computation through the host's
// Average and Stdev at every step, and its settings and edge cases.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "common/conversions.hpp"
#include "riskfn/analysis/run_count_stability.hpp"
#include "tests/riskfn/sampling_fixture.hpp"

namespace riskfn {
namespace {

using kx::Value;

using RunCountTest = SamplingTest;

Value numbers_array(const std::vector<double>& numbers, std::int32_t base = 1) {
  std::vector<Value> values(numbers.begin(), numbers.end());
  return kx::Array::vector(std::move(values), base);
}

// The run count by its definition, recomputing the running mean and the spread of the
// running means through the host at every step. A NaN stands for a failed run: its step is
// skipped and the mean is over the other results so far.
double run_count_by_definition(kx::Application& host, const std::vector<double>& results, double periods,
                               double limit) {
  const auto host_number = [&](kx::WorksheetFn fn, const std::vector<double>& numbers) {
    return kx::to_double(host.call(fn, {numbers_array(numbers)}));
  };
  std::vector<double> read;
  std::vector<double> means;
  std::vector<double> spreads;
  double stable = 0;
  for (int t = 0; t < static_cast<int>(results.size()); ++t) {
    if (std::isnan(results[t])) continue;
    read.push_back(results[t]);
    if (t < periods - 1) continue;
    means.push_back(host_number(kx::WorksheetFn::Average, read));
    if (t < periods || means.size() < 2) continue;
    spreads.push_back(host_number(kx::WorksheetFn::Stdev, means));
    if (t < periods + 1 || spreads.size() < 2) continue;
    const double change = std::fabs(1.0 - spreads.back() / spreads[spreads.size() - 2]);
    stable = change <= limit ? stable + 1 : 0;
    if (stable == periods) return t + 1;
  }
  return 0;
}

// Results as cells: a NaN becomes the host's #N/A.
Value cells_of(const std::vector<double>& results) {
  std::vector<Value> values;
  for (const double x : results) {
    if (std::isnan(x)) {
      values.emplace_back(kx::ErrorValue{kx::error::kXlNA});
    } else {
      values.emplace_back(x);
    }
  }
  return kx::Array::vector(std::move(values), 1);
}

std::vector<double> simulated_results(std::uint64_t seed, std::size_t count, double mean, double sd) {
  std::mt19937_64 engine(seed);
  std::normal_distribution<double> normal(mean, sd);
  std::vector<double> results(count);
  for (double& x : results) x = normal(engine);
  return results;
}

TEST_F(RunCountTest, AgreesWithTheDefinitionThroughTheHost) {
  struct Case {
    const char* label;
    std::vector<double> results;
    int periods;
    double limit;
  } cases[] = {
      {"defaults", simulated_results(1, 1500, 100.0, 15.0), 20, 0.0005},
      {"a loose limit", simulated_results(2, 800, 10.0, 3.0), 20, 0.005},
      {"short window", simulated_results(3, 800, -5.0, 1.0), 5, 0.002},
      {"large mean, small spread", simulated_results(4, 1200, 1e6, 0.5), 10, 0.001},
      {"skewed results",
       [] {
         auto r = simulated_results(5, 1000, 0.0, 1.0);
         for (double& x : r) x = std::exp(x);
         return r;
       }(),
       15, 0.001},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const double expected = run_count_by_definition(*spreadsheet_, c.results, c.periods, c.limit);
    EXPECT_GT(expected, 0.0);  // the case exercises an answer, not only the 0 of "never"
    EXPECT_EQ(call("kxOPTNUM", {numbers_array(c.results), static_cast<double>(c.periods), c.limit}), Value(expected));
  }
}

TEST_F(RunCountTest, SettingsAndEdgeCases) {
  const auto noisy = simulated_results(6, 1500, 100.0, 15.0);
  const double with_defaults = run_count_by_definition(*spreadsheet_, noisy, 20, 0.0005);
  std::vector<double> constant(100, 7.0);
  struct Case {
    const char* label;
    Value input;
    Value periods;
    Value limit;
    double expected;
  } cases[] = {
      {"omitted settings are 20 and 0.0005", numbers_array(noisy), kMissing, kMissing, with_defaults},
      {"negative settings take the defaults", numbers_array(noisy), -1.0, -3.0, with_defaults},
      {"a 0-based array reads every element", numbers_array(noisy, 0), kMissing, kMissing, with_defaults},
      {"fewer than 2P + 1 results", numbers_array({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), 5.0, 1.0, 0.0},
      {"2P + 1 results with a loose limit", numbers_array({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}), 5.0, 1.0, 11.0},
      {"constant results never compare", numbers_array(constant), 5.0, 1.0, 0.0},
      {"a limit of 0 needs unchanged spreads", numbers_array(noisy), 5.0, 0.0, 0.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(call("kxOPTNUM", {c.input, c.periods, c.limit}), Value(c.expected));
  }
}

// A failed run (an error cell) is skipped: the running statistics go on over the results read.
TEST_F(RunCountTest, AFailedRunIsSkipped) {
  const auto with_failure = [](std::vector<double> results, std::vector<std::size_t> failed) {
    for (const std::size_t at : failed) results[at] = std::nan("");
    return results;
  };
  struct Case {
    const char* label;
    std::vector<double> results;
    double periods;
    double limit;
  } cases[] = {
      {"one error at row 100, defaults", with_failure(simulated_results(8, 300, 100.0, 15.0), {99}), 20, 0.0005},
      {"one error at row 100, short window", with_failure(simulated_results(9, 300, 100.0, 15.0), {99}), 5, 0.0005},
      {"errors early and late", with_failure(simulated_results(10, 1500, 100.0, 15.0), {3, 40, 700}), 20, 0.0005},
      {"an error where the first mean falls", with_failure(simulated_results(11, 800, 10.0, 3.0), {19, 20}), 20,
       0.005},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const double expected = run_count_by_definition(*spreadsheet_, c.results, c.periods, c.limit);
    EXPECT_EQ(call("kxOPTNUM", {cells_of(c.results), c.periods, c.limit}), Value(expected));
  }
}

// A count of stable runs is whole: a fractional number of periods is never reached.
TEST_F(RunCountTest, AFractionalPeriodCountIsTakenAsGiven) {
  const auto results = simulated_results(12, 1500, 100.0, 15.0);
  struct Case {
    double periods;
    double limit;
  } cases[] = {{20.4, 0.0005}, {5.5, 0.01}, {5.0, 0.01}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.periods);
    const double expected = run_count_by_definition(*spreadsheet_, results, c.periods, c.limit);
    EXPECT_EQ(expected == 0.0, c.periods != std::floor(c.periods));
    EXPECT_EQ(call("kxOPTNUM", {numbers_array(results), c.periods, c.limit}), Value(expected));
  }
}

TEST_F(RunCountTest, ReadsAColumnOfCells) {
  auto sheet = spreadsheet_->add_book("results")->add_sheet("Sheet1");
  const auto results = simulated_results(7, 400, 50.0, 5.0);
  for (std::size_t i = 0; i < results.size(); ++i) sheet->set_value(static_cast<std::int32_t>(i + 1), 1, results[i]);
  const double expected = run_count_by_definition(*spreadsheet_, results, 10, 0.002);
  EXPECT_EQ(call("kxOPTNUM", {Value(sheet->range("A1:A400")), 10.0, 0.002}), Value(expected));
  EXPECT_THROW(call("kxOPTNUM", {5.0, 10.0, 0.002}), kx::Failure);
}

TEST_F(RunCountTest, ResultsInMemoryGiveWhatTheCallGives) {
  for (const int seed : {1, 2, 3}) {
    SCOPED_TRACE(seed);
    const auto results = simulated_results(seed, 3000, 50.0, 5.0);
    EXPECT_EQ(Value(analysis::settled_run_count(results)), call("kxOPTNUM", {numbers_array(results)}));
  }
}

}  // namespace
}  // namespace riskfn
