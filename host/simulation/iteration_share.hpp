// A share of a run's iterations: the consecutive iterations one process of several runs (a
// job of an array, a rank of an MPI run). What an iteration draws depends only on the seed and
// its number, so shares run apart and merged give exactly the values of one run.
#pragma once

#include <cstdint>

namespace host {

struct IterationRange {
  std::int64_t first = 0;
  std::int64_t count = 0;
};

// The `part`-th (from 0) of `parts` shares of a run as even as they can be, the larger ones
// first. Raises kx::Failure when a share would be empty.
IterationRange share_of(std::int64_t iterations, std::int64_t part, std::int64_t parts);

}  // namespace host
