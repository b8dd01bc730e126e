#include "riskfn/fitting/cumulative_values.hpp"

#include <algorithm>
#include <exception>
#include <thread>

namespace riskfn::fitting {
namespace {

// Below this many observations a thread costs more than it saves.
constexpr std::size_t kObservationsPerThread = 20'000;

void evaluate_block(std::span<const double> sorted, std::size_t first, std::size_t last,
                    const std::function<double(double)>& cumulative, std::vector<double>& values) {
  for (std::size_t i = first; i < last; ++i)
    values[i] = i > first && sorted[i] == sorted[i - 1] ? values[i - 1] : cumulative(sorted[i]);
}

}  // namespace

std::vector<double> cumulative_at_each(std::span<const double> sorted,
                                       const std::function<double(double)>& cumulative) {
  std::vector<double> values(sorted.size());
  const std::size_t threads = std::clamp<std::size_t>(sorted.size() / kObservationsPerThread, 1,
                                                      std::max(1U, std::thread::hardware_concurrency()));
  if (threads == 1) {
    evaluate_block(sorted, 0, sorted.size(), cumulative, values);
    return values;
  }
  std::vector<std::exception_ptr> failures(threads);
  {
    std::vector<std::jthread> running;
    for (std::size_t t = 0; t < threads; ++t) {
      const std::size_t first = sorted.size() * t / threads;
      const std::size_t last = sorted.size() * (t + 1) / threads;
      running.emplace_back([&, t, first, last] {
        try {
          evaluate_block(sorted, first, last, cumulative, values);
        } catch (...) {
          failures[t] = std::current_exception();
        }
      });
    }
  }
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
  return values;
}

void CumulativeMemo::keep(std::int32_t code, const CandidateFit& fit, std::vector<double> values) {
  std::erase_if(entries_, [&](const Entry& e) { return e.code == code; });
  entries_.push_back({code, fit, std::move(values)});
}

std::optional<std::vector<double>> CumulativeMemo::take(std::int32_t code, const CandidateFit& fit,
                                                        std::size_t count) {
  const auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
    return e.code == code && e.fit.applicable == fit.applicable && e.fit.slots == fit.slots &&
           e.values.size() == count;
  });
  if (found == entries_.end()) return std::nullopt;
  std::vector<double> values = std::move(found->values);
  entries_.erase(found);
  return values;
}

}  // namespace riskfn::fitting
