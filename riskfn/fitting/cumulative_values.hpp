// F of a fitted candidate at every sorted observation: the costliest part of fitting a long
// column, so it is computed on every core the machine has and kept for whoever measures the
// same fit again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "riskfn/fitting/candidates.hpp"

namespace riskfn::fitting {

// F(sorted[i]) for every i, equal neighbours evaluated once. The observations are shared out
// between threads in contiguous blocks; a failure is the one the first failing observation
// raises, as if they had been evaluated in order. `cumulative` must be safe to call from
// several threads at once.
std::vector<double> cumulative_at_each(std::span<const double> sorted,
                                       const std::function<double(double)>& cumulative);

// F values a fitting run computed, by candidate and fitted parameters, handed once to a later
// measurement of the same fit on the same observations.
class CumulativeMemo {
 public:
  void keep(std::int32_t code, const CandidateFit& fit, std::vector<double> values);
  // The values kept for this fit over `count` observations; none if none were kept. What was
  // kept for the candidate is dropped either way: a fit with other parameters (by likelihood)
  // has no use for it.
  std::optional<std::vector<double>> take(std::int32_t code, const CandidateFit& fit, std::size_t count);
  void clear();

 private:
  struct Entry {
    std::int32_t code;
    CandidateFit fit;
    std::vector<double> values;
  };
  std::mutex mutex_;
  std::vector<Entry> entries_;
};

}  // namespace riskfn::fitting
