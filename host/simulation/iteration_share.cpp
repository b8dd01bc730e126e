#include "host/simulation/iteration_share.hpp"

#include <algorithm>
#include <string>

#include "common/failure.hpp"

namespace host {

IterationRange share_of(std::int64_t iterations, std::int64_t part, std::int64_t parts) {
  if (parts <= 0 || part < 0 || part >= parts)
    throw kx::Failure(kx::error::kHostFailure,
                      "share " + std::to_string(part + 1) + " of " + std::to_string(parts) + " does not exist");
  if (parts > iterations)
    throw kx::Failure(kx::error::kHostFailure, std::to_string(iterations) + " iterations cannot be split into " +
                                                   std::to_string(parts) + " shares: some would be empty");
  // Written without a product, which could overflow for the largest counts.
  const std::int64_t base = iterations / parts;
  const std::int64_t larger = iterations % parts;
  return {part * base + std::min(part, larger), base + (part < larger ? 1 : 0)};
}

}  // namespace host
