// One cell's summary over a stream of iterations, kept without the values: count, mean and
// standard deviation (Welford's running sums, merged by Chan's rule), minimum and maximum, the
// count at or below each target, and the percentiles from a quantile sketch. Summaries of blocks
// of iterations (a chunk, a rank's share) merge into the summary of all of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/simulation/collection.hpp"
#include "host/simulation/quantile_sketch.hpp"

namespace host {

class StreamingSummary {
 public:
  // Counts the numbers at or below each of `targets`.
  explicit StreamingSummary(std::vector<double> targets = {});

  // Adds a block's values; the failed iterations are counted, not summarised.
  void add(const Series& series);
  void merge(const StreamingSummary& other);

  std::int64_t count() const { return count_; }
  std::int64_t failed() const { return failed_; }
  // The following need count() > 0.
  double mean() const { return mean_; }
  std::optional<double> std_dev() const;  // none below two numbers
  double minimum() const { return minimum_; }
  double maximum() const { return maximum_; }
  const std::vector<double>& targets() const { return targets_; }
  // The share of the numbers at or below each target, exact.
  std::vector<double> target_shares() const;
  const QuantileSketch& sketch() const { return sketch_; }

  std::string bytes() const;
  // Raises kx::Failure for bytes that are no summary.
  static StreamingSummary from_bytes(std::string_view bytes);

 private:
  std::int64_t count_ = 0;
  std::int64_t failed_ = 0;
  double mean_ = 0;
  double squares_ = 0;  // of the differences from the mean
  double minimum_ = 0;
  double maximum_ = 0;
  std::vector<double> targets_;
  std::vector<std::int64_t> at_or_below_;
  QuantileSketch sketch_;
};

}  // namespace host
