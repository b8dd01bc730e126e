// The simulation loop through its public surface: models given as CSV text, run with the
// components started as kx starts them.
#include "host/simulation/simulation.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <numbers>
#include <sstream>
#include <string>
#include <type_traits>

#include "common/failure.hpp"
#include "common/uniform_generator.hpp"
#include "host/files/workbook_files.hpp"
#include "host/simulation/statistics.hpp"
#include "riskfn/frame/classes.hpp"

namespace host {
namespace {

ModelSource model(const std::string& csv) {
  return {[csv] { return read_workbook(csv, WorkbookFormat::Csv, "model.csv"); },
          [] { return std::vector<kx::ObjectRef>{riskfn::create_object("Main")}; }};
}

SimulationOptions options_of(std::int64_t iterations, std::optional<std::uint64_t> seed, int threads,
                              Sampling sampling = Sampling::Plain) {
  SimulationOptions options;
  options.iterations = iterations;
  options.seed = seed;
  options.threads = threads;
  options.sampling = sampling;
  return options;
}

SimulationResult run(const std::string& csv, std::int64_t iterations, int threads = 1, std::uint64_t seed = 1,
                     Sampling sampling = Sampling::Plain) {
  return simulate(model(csv), options_of(iterations, seed, threads, sampling));
}

// Five sampling inputs and three outputs whose distributions are known exactly.
const char* const kSimulatedModel =
    "\"=kxNORMAL(10,2,,\"\"\"\")\",\"=A1+A2+kxOUTPUT()+kxNAME(\"\"normal sum\"\")\"\n"
    "\"=kxNORMAL(-3,1.5,,\"\"\"\")\",\"=A3*A4+kxOUTPUT()+kxNAME(\"\"uniform product\"\")\"\n"
    "\"=kxUNIFORM(0,1,,\"\"\"\")\",\"=A5+kxOUTPUT()+kxNAME(\"\"poisson count\"\")\"\n"
    "\"=kxUNIFORM(0,1,,\"\"\"\")\"\n"
    "\"=kxPOISSON(4,,\"\"\"\")\"\n";

TEST(Simulation, KnownOutputsMatchTheirExactStatisticsWithinSamplingError) {
  const SimulationResult result = run(kSimulatedModel, 20000, 2, 2024);
  ASSERT_EQ(result.model.inputs.size(), 5U);
  ASSERT_EQ(result.model.outputs.size(), 3U);
  std::map<std::string, Summary> summaries;
  for (std::size_t i = 0; i < result.model.outputs.size(); ++i)
    summaries[result.model.outputs[i].name] = AnalysedSeries(result.collection.outputs[i]).summary();

  std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/simulation_known_outputs.tsv");
  ASSERT_TRUE(file) << "reference file missing";
  std::string line;
  std::getline(file, line);  // header
  int checked = 0;
  while (std::getline(file, line)) {
    std::istringstream fields(line);
    std::string output, statistic, exact, error;
    std::getline(fields, output, '\t');
    std::getline(fields, statistic, '\t');
    std::getline(fields, exact, '\t');
    std::getline(fields, error, '\t');
    SCOPED_TRACE(output + " " + statistic);
    ASSERT_EQ(summaries.count(output), 1U);
    const Summary& summary = summaries[output];
    EXPECT_EQ(summary.count, 20000);
    double estimate = 0;
    if (statistic == "mean") estimate = summary.mean;
    if (statistic == "std_dev") estimate = summary.std_dev.value_or(0);
    for (std::size_t p = 0; p < kReportedPercentiles.size(); ++p) {
      std::string name = "p";
      name += std::to_string(static_cast<int>(kReportedPercentiles[p]));
      if (statistic == name) estimate = summary.percentiles[p];
    }
    // Four standard errors: a fault in the loop, the seeding or the statistics moves far more.
    EXPECT_NEAR(estimate, std::stod(exact), 4 * std::stod(error));
    ++checked;
  }
  EXPECT_EQ(checked, 21);
}

TEST(Simulation, SeededRunsAreTheSameForEveryThreadCount) {
  const SimulationResult one = run(kSimulatedModel, 1001, 1, 77);
  for (const int threads : {2, 3, 8}) {
    SCOPED_TRACE(threads);
    const SimulationResult more = run(kSimulatedModel, 1001, threads, 77);
    for (std::size_t i = 0; i < one.collection.inputs.size(); ++i)
      EXPECT_EQ(one.collection.inputs[i].values, more.collection.inputs[i].values);
    for (std::size_t i = 0; i < one.collection.outputs.size(); ++i)
      EXPECT_EQ(one.collection.outputs[i].values, more.collection.outputs[i].values);
  }
  const auto& drawn = one.collection.inputs[0].values;
  EXPECT_NE(run(kSimulatedModel, 100, 1, 78).collection.inputs[0].values,
            std::remove_cvref_t<decltype(drawn)>(drawn.begin(), drawn.begin() + 100));
  // Without a seed, every run draws its own.
  EXPECT_NE(simulate(model(kSimulatedModel), options_of(100, std::nullopt, 1)).collection.inputs[0].values,
            simulate(model(kSimulatedModel), options_of(100, std::nullopt, 1)).collection.inputs[0].values);
}

TEST(Simulation, LatinHypercubePutsOneDrawInEveryStratum) {
  const std::int64_t n = 1000;
  for (const int threads : {1, 2}) {
    SCOPED_TRACE(threads);
    const SimulationResult result = run(kSimulatedModel, n, threads, 5, Sampling::LatinHypercube);
    // Inputs 3 and 4 are the uniforms: each of the n strata of (0, 1) holds exactly one value.
    for (const std::size_t input : {2U, 3U}) {
      std::vector<double> values(result.collection.inputs[input].values.begin(),
                                 result.collection.inputs[input].values.end());
      std::sort(values.begin(), values.end());
      for (std::int64_t i = 0; i < n; ++i) ASSERT_EQ(static_cast<std::int64_t>(values[i] * n), i);
    }
  }
}

TEST(Simulation, LatinHypercubeMeanConvergesFasterThanPlainSampling) {
  // The normal sum's mean over 20 seeds: plain sampling errs by about 2.5/sqrt(500) = 0.11.
  double plain = 0, latin = 0;
  for (std::uint64_t seed = 1; seed <= 20; ++seed) {
    const auto error = [&](Sampling sampling) {
      const double mean = AnalysedSeries(run(kSimulatedModel, 500, 1, seed, sampling).collection.outputs[0]).summary().mean;
      return (mean - 7) * (mean - 7);
    };
    plain += error(Sampling::Plain);
    latin += error(Sampling::LatinHypercube);
  }
  EXPECT_LT(std::sqrt(latin / 20), std::sqrt(plain / 20) / 5);
}

TEST(Simulation, InputsFedByCorrelatedUniformsAreRankCorrelated) {
  // kxCORREL's two uniforms over B1:C1 drive two normals; their normal scores correlate 0.8.
  const SimulationResult result =
      run("0.8,\"=kxCORREL(A1)\"\n"
          "\"=kxNORMAL(0,1,B1,\"\"\"\")\",\"=kxUNIFORM(5,6,C1,\"\"\"\")\",\"=A2+B2+kxOUTPUT()\"\n",
          5000, 2, 8);
  ASSERT_EQ(result.model.inputs.size(), 2U);
  const double rho =
      *rank_correlation(AnalysedSeries(result.collection.inputs[0]), AnalysedSeries(result.collection.inputs[1]));
  // Spearman's coefficient of normal scores with correlation r is (6 / pi) asin(r / 2).
  EXPECT_NEAR(rho, 6 / std::numbers::pi * std::asin(0.4), 0.02);
}

TEST(Simulation, LockedCellKeepsItsDeterministicValue) {
  const SimulationResult result =
      run("\"=kxNORMAL(100,15,,\"\"\"\")+kxLOCK()\",\"=A1+A2+kxOUTPUT()\"\n"
          "\"=kxUNIFORM(0,1,,\"\"\"\")\"\n",
          200);
  ASSERT_EQ(result.model.locked.size(), 1U);
  EXPECT_EQ(result.model.locked[0].address, "model!A1");
  ASSERT_EQ(result.model.inputs.size(), 1U);
  EXPECT_EQ(result.model.inputs[0].address, "model!A2");
  const Summary output = AnalysedSeries(result.collection.outputs[0]).summary();
  EXPECT_GE(output.minimum, 100);
  EXPECT_LT(output.maximum, 101);
}

TEST(Simulation, FailedIterationsAreCountedAndLeftOutOfTheStatistics) {
  const SimulationResult result = run("\"=kxUNIFORM(0,1,,\"\"\"\")\",\"=IF(A1<0.3,1/0,A1)+kxOUTPUT()\"\n", 5000);
  const Series& series = result.collection.outputs[0];
  const Summary summary = AnalysedSeries(series).summary();
  EXPECT_EQ(summary.count + summary.failed, 5000);
  EXPECT_NEAR(static_cast<double>(summary.failed) / 5000, 0.3, 0.03);
  EXPECT_GE(summary.minimum, 0.3);
  EXPECT_EQ(series.failures.front().error, kx::error::kXlDiv0);
}

void expect_same_series(const Series& a, const Series& b) {
  EXPECT_EQ(a.values, b.values);
  ASSERT_EQ(a.failures.size(), b.failures.size());
  for (std::size_t i = 0; i < a.failures.size(); ++i) {
    EXPECT_EQ(a.failures[i].iteration, b.failures[i].iteration);
    EXPECT_EQ(a.failures[i].error, b.failures[i].error);
  }
}

// Iterations first .. first+count-1 of a collection, as a block collected apart.
Collection block_of(const Collection& whole, std::int64_t first, std::int64_t count) {
  const auto cut = [&](const Series& series) {
    Series part;
    part.values.assign(series.values.begin() + first, series.values.begin() + first + count);
    for (FailedIteration failure : series.failures) {
      if (failure.iteration < first || failure.iteration >= first + count) continue;
      failure.iteration -= first;
      part.failures.push_back(failure);
    }
    return part;
  };
  Collection block;
  block.first_iteration = first;
  block.iterations = count;
  for (const Series& series : whole.inputs) block.inputs.push_back(cut(series));
  for (const Series& series : whole.outputs) block.outputs.push_back(cut(series));
  return block;
}

TEST(Simulation, FailuresLandInOrderAndBlocksCollectedApartMergeIntoTheRun) {
  const char* const csv = "\"=kxUNIFORM(0,1,,\"\"\"\")\",\"=IF(A1<0.3,1/0,A1)+kxOUTPUT()\"\n";
  const SimulationResult whole = run(csv, 3000, 1, 9);
  ASSERT_FALSE(whole.collection.outputs[0].failures.empty());
  // Two workers take blocks as they come; the failures still come out in iteration order.
  const SimulationResult shared = run(csv, 3000, 2, 9);
  expect_same_series(shared.collection.outputs[0], whole.collection.outputs[0]);

  // Blocks collected apart, as machines would, given in any order.
  std::vector<Collection> blocks;
  blocks.push_back(block_of(whole.collection, 2000, 1000));
  blocks.push_back(block_of(whole.collection, 0, 1200));
  blocks.push_back(block_of(whole.collection, 1200, 800));
  const Collection merged = merge(blocks);
  EXPECT_EQ(merged.iterations, 3000);
  expect_same_series(merged.inputs[0], whole.collection.inputs[0]);
  expect_same_series(merged.outputs[0], whole.collection.outputs[0]);
  blocks.erase(blocks.begin() + 2);
  EXPECT_THROW(merge(blocks), kx::Failure);  // iterations 1200 .. 1999 missing
}

TEST(Simulation, CellsSharingAnOutputFormulaAreEachAnOutput) {
  // B1 and B2 hold the same text, so they share one parsed formula; folding its markers for
  // the run must not hide the second cell's kxOUTPUT, nor change what kxNAME of a cell computes.
  const SimulationResult result =
      run("\"=kxUNIFORM(5,6,,\"\"\"\")\",\"=A1*2+kxOUTPUT()\"\n"
          "\"=kxUNIFORM(5,6,,\"\"\"\")\",\"=A1*2+kxOUTPUT()\"\n"
          "3,\"=A3+kxNAME(A3)+kxOUTPUT()\"\n",
          200);
  ASSERT_EQ(result.model.outputs.size(), 3u);
  EXPECT_EQ(result.model.inputs.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    const Summary summary = AnalysedSeries(result.collection.outputs[i]).summary();
    EXPECT_GE(summary.minimum, 10);
    EXPECT_LT(summary.maximum, 12);
  }
  const Summary named = AnalysedSeries(result.collection.outputs[2]).summary();
  EXPECT_EQ(named.count, 200);
  EXPECT_EQ(named.mean, 3.0);
}

TEST(Simulation, ModelsThatCannotRunFailWithTheCell) {
  struct Case {
    const char* label;
    std::string csv;
    std::int64_t iterations;
    int threads;
    const char* message;
  };
  const Case cases[] = {
      {"formula that does not parse", "1,\"=A1+*2+kxOUTPUT()\"\n", 10, 1, "model!B1"},
      {"missing sheet", "1,\"=Nowhere!A1+kxOUTPUT()\"\n", 10, 1, "model!B1"},
      {"unknown function", "1,\"=NOSUCH(A1)+kxOUTPUT()\"\n", 10, 1, "model!B1"},
      {"no output", "\"=kxUNIFORM(0,1,,\"\"\"\")\"\n", 10, 1, "no output"},
      {"cycle", "\"=B1+1\",\"=A1+kxOUTPUT()\"\n", 10, 1, "circular reference"},
      {"no iterations", "\"=1+kxOUTPUT()\"\n", 0, 1, "iterations must be positive"},
      {"no threads", "\"=1+kxOUTPUT()\"\n", 10, 0, "threads must be positive"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    try {
      simulate(model(c.csv), options_of(c.iterations, 1, c.threads));
      ADD_FAILURE() << "no failure";
    } catch (const kx::Failure& failure) {
      EXPECT_NE(std::string(failure.what()).find(c.message), std::string::npos) << failure.what();
    }
  }
}

TEST(SimulationStatistics, SortsAndRanksLongSeriesOfEverySign) {
  // Long enough for the radix sort to do the work, with negative numbers, ties and -0.
  Series series;
  kx::UniformGenerator generator;
  generator.set_fixed_seed(3);
  for (int i = 0; i < 20000; ++i) series.record(std::round((generator.next() - 0.5) * 2000) / 7);
  series.record(-0.0);
  series.record(0.0);
  const AnalysedSeries analysed(series);
  std::vector<double> expected(series.values.begin(), series.values.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(analysed.sorted(), expected);
  EXPECT_NEAR(*rank_correlation(analysed, analysed), 1.0, 1e-12);
}

// Ranks 1..n by a comparison sort, ties sharing their average rank.
std::vector<double> ranks_by_comparison(const std::vector<double>& values) {
  std::vector<std::size_t> order(values.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
  std::vector<double> ranks(values.size());
  for (std::size_t first = 0; first < order.size();) {
    std::size_t last = first + 1;
    while (last < order.size() && values[order[last]] == values[order[first]]) ++last;
    for (std::size_t i = first; i < last; ++i) ranks[order[i]] = static_cast<double>(first + 1 + last) / 2;
    first = last;
  }
  return ranks;
}

TEST(SimulationStatistics, AverageRanksAgreeWithAComparisonSort) {
  kx::UniformGenerator generator;
  generator.set_fixed_seed(5);
  struct Case {
    const char* label;
    std::function<double(int)> value;
  };
  const Case cases[] = {
      {"continuous, both signs", [&](int) { return (generator.next() - 0.5) * 1e6; }},
      {"whole numbers with many ties", [&](int) { return std::floor(generator.next() * 12); }},
      // Keys that differ only in their lowest bits, where the sort keeps the position.
      {"neighbours of one number", [&](int i) { return std::nextafter(1.0, 2.0 * (i % 3)) * (i % 5 == 0 ? -1 : 1); }},
      {"zeros of both signs", [&](int i) { return i % 2 == 0 ? -0.0 : 0.0; }},
      {"tiny and huge", [&](int i) { return i % 2 == 0 ? 1e-300 * generator.next() : 1e300 * generator.next(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    for (const int n : {1, 2, 3000, 200000}) {
      std::vector<double> values;
      for (int i = 0; i < n; ++i) values.push_back(c.value(i));
      EXPECT_EQ(average_ranks(values), ranks_by_comparison(values));
    }
  }
}

TEST(SimulationStatistics, CorrelationMatrixGivesWhatEachPairGives) {
  // Five series over several blocks of iterations, one with failed iterations: every entry must
  // equal the pair's own coefficient to the last bit.
  kx::UniformGenerator generator;
  generator.set_fixed_seed(9);
  std::vector<Series> series(5);
  for (int i = 0; i < 3000; ++i) {
    const double u = generator.next();
    series[0].record(u);
    series[1].record(u * u + 0.1 * generator.next());
    series[2].record(std::floor(generator.next() * 4));
    series[3].record(i % 7 == 0 ? kx::Value(kx::ErrorValue{kx::error::kXlNum}) : kx::Value(1 - u));
    series[4].record(3.0);
  }
  std::vector<AnalysedSeries> analysed;
  for (const Series& one : series) analysed.emplace_back(one);
  std::vector<const AnalysedSeries*> pointers;
  for (const AnalysedSeries& one : analysed) pointers.push_back(&one);
  const auto matrix = rank_correlations(pointers);
  for (std::size_t a = 0; a < series.size(); ++a) {
    for (std::size_t b = 0; b < series.size(); ++b) {
      SCOPED_TRACE(::testing::Message() << a << ", " << b);
      EXPECT_EQ(matrix[a][b], rank_correlation(analysed[a], analysed[b]));
    }
  }
  EXPECT_FALSE(matrix[0][4].has_value());
  EXPECT_NEAR(*matrix[0][3], -1.0, 1e-12);
}

TEST(SimulationStatistics, RankCorrelationAndPercentilesFollowTheirDefinitions) {
  // Reference values: scipy.stats.spearmanr(a, b) and numpy.percentile(a, [5, 50, 95]).
  Series a, b;
  for (const double x : {1.0, 2.0, 2.0, 4.0, 7.0, 3.0}) a.record(x);
  for (const double y : {10.0, 8.0, 9.0, 1.0, 2.0, 5.0}) b.record(y);
  EXPECT_NEAR(*rank_correlation(AnalysedSeries(a), AnalysedSeries(b)), -0.9276336570439174, 1e-12);
  const AnalysedSeries sorted(a);
  EXPECT_DOUBLE_EQ(percentile(sorted.sorted(), 5), 1.25);
  EXPECT_DOUBLE_EQ(percentile(sorted.sorted(), 50), 2.5);
  EXPECT_DOUBLE_EQ(percentile(sorted.sorted(), 95), 6.25);
  // A failed iteration leaves the pair out of the correlation.
  a.record(kx::ErrorValue{kx::error::kXlValue});
  b.record(100.0);
  EXPECT_NEAR(*rank_correlation(AnalysedSeries(a), AnalysedSeries(b)), -0.9276336570439174, 1e-12);
  Series constant;
  for (int i = 0; i < 7; ++i) constant.record(1.0);
  EXPECT_FALSE(rank_correlation(AnalysedSeries(a), AnalysedSeries(constant)).has_value());
}

}  // namespace
}  // namespace host
