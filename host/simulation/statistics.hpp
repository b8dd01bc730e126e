// Statistics of a simulation's collected series: the summary of one cell's values and
// Spearman's rank correlation between two cells. Computed from the merged collection, in
// iteration order, so a run gives the same figures however it was split.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "host/simulation/collection.hpp"

namespace host {

// The percentiles a summary reports unless others are asked for.
inline constexpr std::array<double, 5> kReportedPercentiles = {5, 25, 50, 75, 95};

struct Summary {
  std::int64_t count = 0;  // iterations with a number
  std::int64_t failed = 0;
  // The rest only when count > 0; the standard deviation (of a sample) when count > 1.
  double mean = 0;
  std::optional<double> std_dev;
  double minimum = 0;
  double maximum = 0;
  std::vector<double> percentiles;  // one for each percentile asked for, in that order
};

// The k-th percentile (0..100) of sorted values, as the spreadsheet's PERCENTILE gives it:
// linear between the two closest ranks. The values must not be empty.
double percentile(std::span<const double> sorted, double k);

// The share of sorted values at or below x: the probability of meeting a target of x.
double share_at_or_below(std::span<const double> sorted, double x);

// Ranks 1..n of values, ties sharing their average rank.
std::vector<double> average_ranks(std::span<const double> values);

// One cell's collected values, sorted and ranked once for every statistic asked of it.
class AnalysedSeries {
 public:
  explicit AnalysedSeries(const Series& series, std::span<const double> percentiles = kReportedPercentiles);

  const Summary& summary() const { return summary_; }
  // The numbers in ascending order.
  const std::vector<double>& sorted() const { return sorted_; }
  std::vector<double> take_sorted() { return std::move(sorted_); }

  // Spearman's coefficient over the iterations where both cells hold a number; none when
  // fewer than two such iterations remain or either cell is constant there.
  friend std::optional<double> rank_correlation(const AnalysedSeries& a, const AnalysedSeries& b);
  friend std::vector<std::vector<std::optional<double>>> rank_correlations(
      std::span<const AnalysedSeries* const> rows, std::span<const AnalysedSeries* const> columns);

 private:
  const Series* series_;
  Summary summary_;
  std::vector<double> sorted_;
  std::vector<double> ranks_;  // of the numbers, in iteration order (failed iterations left out)
};

// Every series sorted and ranked, spread over `threads` threads: on a long run this is most of
// the work of a report.
std::vector<AnalysedSeries> analyse(const std::vector<const Series*>& series, int threads,
                                    std::span<const double> percentiles = kReportedPercentiles);

// The coefficient of every row with every column, by index, as rank_correlation gives it; series
// of a run without failures are read together in one pass, which a long run's report needs. A
// report asks only for the pairs it shows (inputs with inputs and with outputs): the cost grows
// with rows times columns.
std::vector<std::vector<std::optional<double>>> rank_correlations(std::span<const AnalysedSeries* const> rows,
                                                                  std::span<const AnalysedSeries* const> columns);
// Every pair of the series.
std::vector<std::vector<std::optional<double>>> rank_correlations(std::span<const AnalysedSeries* const> series);

}  // namespace host
