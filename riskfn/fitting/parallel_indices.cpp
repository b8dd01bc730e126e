#include "riskfn/fitting/parallel_indices.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <vector>

namespace riskfn::fitting {

std::size_t threads_for(std::size_t count) {
  return std::clamp<std::size_t>(count, 1, std::max(1U, std::thread::hardware_concurrency()));
}

void run_indices_in_parallel(std::size_t count, const std::function<void(std::size_t)>& work) {
  const std::size_t threads = threads_for(count);
  if (threads == 1) {
    for (std::size_t i = 0; i < count; ++i) work(i);
    return;
  }
  std::vector<std::exception_ptr> failures(count);
  std::atomic<std::size_t> next = 0;
  const auto worker = [&] {
    for (std::size_t i = next++; i < count; i = next++) {
      try {
        work(i);
      } catch (...) {
        failures[i] = std::current_exception();
      }
    }
  };
  {
    std::vector<std::jthread> running;
    for (std::size_t t = 1; t < threads; ++t) running.emplace_back(worker);
    worker();
  }
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
}

}  // namespace riskfn::fitting
