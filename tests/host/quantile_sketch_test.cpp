// The quantile sketch of streamed summaries: every percentile it gives lies between the exact
// order statistics its stated rank error allows, for streams in any order, added at once or as
// merged pieces; the bound itself stays small.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "host/simulation/quantile_sketch.hpp"
#include "host/simulation/streaming_summary.hpp"

namespace host {
namespace {

std::vector<double> stream(const std::string& kind, std::size_t n) {
  std::mt19937_64 generator(42);
  std::vector<double> values(n);
  std::normal_distribution<double> normal(5, 2);
  std::exponential_distribution<double> exponential(1);
  for (std::size_t i = 0; i < n; ++i) {
    if (kind == "normal") values[i] = normal(generator);
    if (kind == "skewed") values[i] = std::exp(3 * exponential(generator));
    if (kind == "ascending") values[i] = static_cast<double>(i);
    if (kind == "descending") values[i] = -static_cast<double>(i);
    if (kind == "few values") values[i] = static_cast<double>(generator() % 7);
  }
  return values;
}

TEST(QuantileSketch, PercentilesLieWithinTheStatedRankError) {
  struct Case {
    const char* kind;
    std::size_t n;
    std::size_t pieces;      // sketched apart and merged
    double largest_error;  // of the rank, as a share of n
  };
  const Case cases[] = {
      {"normal", 1'000'000, 1, 0.001},    {"normal", 1'000'000, 7, 0.001},  {"skewed", 300'000, 3, 0.001},
      {"ascending", 500'000, 1, 0.001},   {"descending", 500'000, 4, 0.001}, {"few values", 200'000, 2, 0.001},
      {"normal", 5'000, 1, 0.0},  // fewer than a level holds: exact
  };
  const double percentiles[] = {0, 0.1, 1, 5, 25, 50, 75, 95, 99, 99.9, 100};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.kind) + " " + std::to_string(c.n) + " in " + std::to_string(c.pieces));
    const std::vector<double> values = stream(c.kind, c.n);
    QuantileSketch sketch;
    for (std::size_t p = 0; p < c.pieces; ++p) {
      QuantileSketch piece;
      for (std::size_t i = c.n * p / c.pieces; i < c.n * (p + 1) / c.pieces; ++i) piece.add(values[i]);
      // Through its bytes, as a rank sends it.
      sketch.merge(QuantileSketch::from_bytes(piece.bytes()));
    }
    ASSERT_EQ(sketch.count(), static_cast<std::int64_t>(c.n));
    EXPECT_LE(static_cast<double>(sketch.rank_error()), c.largest_error * static_cast<double>(c.n));
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const auto error = static_cast<double>(sketch.rank_error());
    for (const double k : percentiles) {
      SCOPED_TRACE(k);
      const double rank = k / 100 * static_cast<double>(c.n - 1);
      const auto at = [&](double r) {
        return sorted[static_cast<std::size_t>(std::clamp(r, 0.0, static_cast<double>(c.n - 1)))];
      };
      const double x = sketch.percentile(k);
      EXPECT_GE(x, at(std::floor(rank - error - 1)));
      EXPECT_LE(x, at(std::ceil(rank + error + 1)));
    }
  }
}

TEST(StreamingSummary, MomentsAndTargetsOfMergedBlocksAreThoseOfAllValues) {
  const std::vector<double> values = stream("skewed", 100'003);
  struct Case {
    std::size_t blocks;
  };
  const Case cases[] = {{1}, {2}, {13}};
  double sum = 0;
  for (const double x : values) sum += x;
  const double mean = sum / static_cast<double>(values.size());
  double squares = 0;
  for (const double x : values) squares += (x - mean) * (x - mean);
  const double std_dev = std::sqrt(squares / static_cast<double>(values.size() - 1));
  const double target = 20;
  const auto below = std::count_if(values.begin(), values.end(), [&](double x) { return x <= target; });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.blocks);
    StreamingSummary summary({target});
    for (std::size_t b = 0; b < c.blocks; ++b) {
      Series block;
      for (std::size_t i = values.size() * b / c.blocks; i < values.size() * (b + 1) / c.blocks; ++i)
        block.record(values[i]);
      block.record(kx::Value("no number"));  // counted as failed, left out
      if (b == 0) {
        // A block of failures alone comes first: its count must survive the merge.
        Series failures;
        failures.record(kx::Value("no number"));
        StreamingSummary failed({target});
        failed.add(failures);
        summary.merge(failed);
      }
      StreamingSummary part({target});
      part.add(block);
      summary.merge(StreamingSummary::from_bytes(part.bytes()));
    }
    EXPECT_EQ(summary.count(), static_cast<std::int64_t>(values.size()));
    EXPECT_EQ(summary.failed(), static_cast<std::int64_t>(c.blocks) + 1);
    EXPECT_NEAR(summary.mean(), mean, 1e-12 * std::abs(mean));
    EXPECT_NEAR(*summary.std_dev(), std_dev, 1e-10 * std_dev);
    EXPECT_EQ(summary.minimum(), *std::min_element(values.begin(), values.end()));
    EXPECT_EQ(summary.maximum(), *std::max_element(values.begin(), values.end()));
    EXPECT_DOUBLE_EQ(summary.target_shares().at(0), static_cast<double>(below) / static_cast<double>(values.size()));
  }
}

}  // namespace
}  // namespace host
