// Independent pieces of fitting work shared out between the machine's cores.
#pragma once

#include <cstddef>
#include <functional>

namespace riskfn::fitting {

// The threads worth starting for `count` pieces: one per core, no more than pieces.
std::size_t threads_for(std::size_t count);

// Runs work(i) for every i in [0, count), each index once, on up to threads_for(count) threads;
// each index's results must go to a place of its own. When pieces fail, the failure of the
// lowest failing index is raised once all have ended, as if they had run in order.
void run_indices_in_parallel(std::size_t count, const std::function<void(std::size_t)>& work);

}  // namespace riskfn::fitting
