#include "riskfn/fitting/cumulative_values.hpp"

#include <algorithm>

#include "riskfn/fitting/parallel_indices.hpp"

namespace riskfn::fitting {
namespace {

// Below this many observations a thread costs more than it saves.
constexpr std::size_t kObservationsPerBlock = 20'000;

}  // namespace

std::vector<double> cumulative_at_each(std::span<const double> sorted,
                                       const std::function<double(double)>& cumulative) {
  std::vector<double> values(sorted.size());
  const std::size_t blocks = threads_for(sorted.size() / kObservationsPerBlock);
  run_indices_in_parallel(blocks, [&](std::size_t block) {
    const std::size_t first = sorted.size() * block / blocks;
    const std::size_t last = sorted.size() * (block + 1) / blocks;
    for (std::size_t i = first; i < last; ++i)
      values[i] = i > first && sorted[i] == sorted[i - 1] ? values[i - 1] : cumulative(sorted[i]);
  });
  return values;
}

void CumulativeMemo::keep(std::int32_t code, const CandidateFit& fit, std::vector<double> values) {
  const std::lock_guard lock(mutex_);
  std::erase_if(entries_, [&](const Entry& e) { return e.code == code; });
  entries_.push_back({code, fit, std::move(values)});
}

std::optional<std::vector<double>> CumulativeMemo::take(std::int32_t code, const CandidateFit& fit,
                                                        std::size_t count) {
  const std::lock_guard lock(mutex_);
  const auto found =
      std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.code == code; });
  if (found == entries_.end()) return std::nullopt;
  std::vector<double> values = std::move(found->values);
  const bool same = found->fit.applicable == fit.applicable && found->fit.slots == fit.slots && values.size() == count;
  entries_.erase(found);
  if (!same) return std::nullopt;
  return values;
}

void CumulativeMemo::clear() {
  const std::lock_guard lock(mutex_);
  entries_.clear();
}

}  // namespace riskfn::fitting
