// What a simulation collects: every input's and output's value at every iteration, in
// iteration order, with the iterations where a cell failed. Blocks of consecutive iterations
// collected apart (by threads, or by machines) merge into exactly the collection of one run.
#pragma once

#include <boost/container/vector.hpp>
#include <cstdint>
#include <span>
#include <vector>

#include "common/value.hpp"

namespace host {

// An iteration where a cell held no number.
struct FailedIteration {
  std::int64_t iteration = 0;  // counted from the block's first iteration
  std::int32_t error = 0;      // the error value's number, or kNoNumber
};
// A cell that held text, a boolean or nothing.
inline constexpr std::int32_t kNoNumber = -1;

// One cell's values over a block of iterations.
struct Series {
  // Sized without zeroing: a run's workers write every value in place, and zeroing hundreds of
  // megabytes beforehand would take a pass of its own.
  boost::container::vector<double> values;  // 0 at a failed iteration
  std::vector<FailedIteration> failures;    // in iteration order

  std::int64_t failed() const { return static_cast<std::int64_t>(failures.size()); }
  // Records the next iteration's value.
  void record(const kx::Value& value);
  // Writes the value of iteration `at` into a series already sized for it. What is no number is
  // written as 0 and its failure added to `failed`, so that workers writing apart into one
  // series can put their failures in order afterwards.
  void record_at(std::size_t at, const kx::Value& value, std::vector<FailedIteration>& failed);
  // The values of the iterations that did not fail, in iteration order.
  std::vector<double> numbers() const;
  // The same without a copy when no iteration failed; else they are put in `kept`.
  std::span<const double> numbers(std::vector<double>& kept) const;
};

struct Collection {
  std::int64_t first_iteration = 0;
  std::int64_t iterations = 0;
  std::vector<Series> inputs;
  std::vector<Series> outputs;
};

// Joins blocks of iterations of one run, given in any order, into one. Raises kx::Failure when
// they do not fit together: different cells, or iterations missing or collected twice.
Collection merge(std::vector<Collection> blocks);

}  // namespace host
