// What a simulation does at the edges: values near the limits of a double, counts beyond memory,
// and the correlations a report asks for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "common/failure.hpp"
#include "host/files/workbook_files.hpp"
#include "host/simulation/run_limits.hpp"
#include "host/simulation/simulation.hpp"
#include "host/simulation/statistics.hpp"
#include "riskfn/frame/classes.hpp"

namespace host {
namespace {

Series series_of(const std::vector<double>& values) {
  Series series;
  for (const double x : values) series.record(x);
  return series;
}

std::vector<double> repeated(std::vector<double> pattern, int times) {
  std::vector<double> values;
  for (int i = 0; i < times; ++i) values.insert(values.end(), pattern.begin(), pattern.end());
  return values;
}

TEST(SimulationLimits, SummariesOfValuesNearTheLargestDoubleAreFinite) {
  // Expected by definition: the mean of a constant is the constant; n values, half -c and half c,
  // have mean 0 and sample deviation c * sqrt(n / (n - 1)); the median lies halfway between.
  constexpr double kBig = 1.7e308;
  constexpr double kLargest = std::numeric_limits<double>::max();
  struct Case {
    const char* name;
    std::vector<double> values;
    double mean;
    std::optional<double> std_dev;  // none: beyond the largest double
    double median;
  };
  const Case cases[] = {
      {"constant 1.7E308", repeated({kBig}, 1000), kBig, 0.0, kBig},
      {"constant -1.7E308", repeated({-kBig}, 7), -kBig, 0.0, -kBig},
      {"half each sign", repeated({-kBig, kBig}, 500), 0.0, kBig * std::sqrt(1000.0 / 999.0), 0.0},
      {"deviation beyond a double", {-kLargest, kLargest}, 0.0, std::nullopt, 0.0},
      {"ordinary values keep their figures", {1, 2, 3, 4}, 2.5, std::sqrt(5.0 / 3.0), 2.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Series series = series_of(c.values);
    const Summary summary = AnalysedSeries(series).summary();
    EXPECT_DOUBLE_EQ(summary.mean, c.mean);
    ASSERT_EQ(summary.std_dev.has_value(), c.std_dev.has_value());
    // Squares of a thousand deviations summed lose a few last digits.
    if (c.std_dev) { EXPECT_NEAR(*summary.std_dev, *c.std_dev, 1e-13 * *c.std_dev); }
    ASSERT_EQ(summary.percentiles.size(), kReportedPercentiles.size());
    for (const double p : summary.percentiles) EXPECT_TRUE(std::isfinite(p));
    EXPECT_DOUBLE_EQ(summary.percentiles[2], c.median);
  }
}

TEST(SimulationLimits, CountsBeyondMemoryAreRefusedNamingTheCountAndTheMemory) {
  struct Case {
    std::int64_t iterations;
    std::size_t cells;
    const char* message;  // empty: fits
  };
  const Case cases[] = {
      {std::numeric_limits<std::int64_t>::max(), 2, "9223372036854775807 iterations of 2 cells need about 516.5 EB"},
      {std::int64_t{1} << 40, 1000, "1099511627776 iterations of 1000 cells need about"},
      {100'000, 10, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.iterations);
    if (*c.message == '\0') {
      EXPECT_NO_THROW(check_memory_for(c.iterations, c.cells));
      continue;
    }
    try {
      check_memory_for(c.iterations, c.cells);
      ADD_FAILURE() << "no failure";
    } catch (const kx::Failure& failure) {
      EXPECT_NE(std::string(failure.what()).find(c.message), std::string::npos) << failure.what();
    }
  }
}

TEST(SimulationLimits, ARunOfNearlyTwoToTheSixtyThreeIterationsFailsByName) {
  const ModelSource source{
      [] { return read_workbook("\"=kxUNIFORM(0,1,,\"\"\"\")\",\"=A1+kxOUTPUT()\"\n", WorkbookFormat::Csv, "m.csv"); },
      [] { return std::vector<kx::ObjectRef>{riskfn::create_object("Main")}; }};
  for (const std::int64_t iterations :
       {std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::max() - 1000}) {
    SimulationOptions options;
    options.iterations = iterations;
    options.seed = 1;
    options.threads = 2;
    try {
      simulate(source, options);
      ADD_FAILURE() << "no failure";
    } catch (const kx::Failure& failure) {
      EXPECT_NE(std::string(failure.what()).find(std::to_string(iterations) + " iterations"), std::string::npos)
          << failure.what();
    }
  }
}

// Spearman's coefficient by its definition: the numbers both series hold ranked afresh, then
// Pearson's coefficient of the ranks.
std::optional<double> spearman(const Series& a, const Series& b) {
  std::vector<double> x, y;
  const auto failed = [](const Series& s, std::size_t i) {
    return std::any_of(s.failures.begin(), s.failures.end(),
                       [&](const FailedIteration& f) { return f.iteration == static_cast<std::int64_t>(i); });
  };
  for (std::size_t i = 0; i < a.values.size(); ++i) {
    if (failed(a, i) || failed(b, i)) continue;
    x.push_back(a.values[i]);
    y.push_back(b.values[i]);
  }
  const std::vector<double> rx = average_ranks(x), ry = average_ranks(y);
  const double middle = (static_cast<double>(x.size()) + 1) / 2;
  double xy = 0, xx = 0, yy = 0;
  for (std::size_t i = 0; i < rx.size(); ++i) {
    xy += (rx[i] - middle) * (ry[i] - middle);
    xx += (rx[i] - middle) * (rx[i] - middle);
    yy += (ry[i] - middle) * (ry[i] - middle);
  }
  if (x.size() < 2 || xx == 0 || yy == 0) return std::nullopt;
  return xy / std::sqrt(xx * yy);
}

TEST(SimulationLimits, CorrelationsOfRowsWithColumnsGiveWhatEachPairGives) {
  // Rows and columns that share series, with and without failed iterations.
  std::vector<Series> series;
  for (int s = 0; s < 6; ++s) {
    Series one;
    for (int i = 0; i < 3000; ++i) {
      // Series 2 and 4 hold many ties.
      const double wave = std::sin(i * (s + 1) * 0.37) + std::floor(i / 500.0);
      const double x = s == 2 || s == 4 ? std::floor(4 * wave) : wave;
      if ((s >= 3 && i % (7 + s) == 0) || (s == 5 && i > 2900)) {
        one.record(kx::ErrorValue{kx::error::kXlValue});
      } else {
        one.record(x);
      }
    }
    series.push_back(std::move(one));
  }
  std::vector<AnalysedSeries> analysed;
  for (const Series& one : series) analysed.emplace_back(one);
  const auto at = [&](std::vector<std::size_t> indices) {
    std::vector<const AnalysedSeries*> pointers;
    for (const std::size_t i : indices) pointers.push_back(&analysed[i]);
    return pointers;
  };
  struct Case {
    const char* name;
    std::vector<std::size_t> rows, columns;
  };
  const Case cases[] = {
      {"inputs against inputs and outputs", {0, 1, 4}, {0, 1, 4, 2, 3, 5}},
      {"rows that are no columns", {2, 5}, {0, 1, 3}},
      {"one row", {3}, {3}},
      {"no rows", {}, {0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto rows = at(c.rows);
    const auto columns = at(c.columns);
    const auto matrix = rank_correlations(rows, columns);
    ASSERT_EQ(matrix.size(), rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
      ASSERT_EQ(matrix[r].size(), columns.size());
      for (std::size_t k = 0; k < columns.size(); ++k) {
        const auto expected = spearman(series[c.rows[r]], series[c.columns[k]]);
        ASSERT_EQ(matrix[r][k].has_value(), expected.has_value()) << r << ", " << k;
        if (expected) { EXPECT_NEAR(*matrix[r][k], *expected, 1e-12) << r << ", " << k; }
      }
    }
  }
}

}  // namespace
}  // namespace host
