// The shares of a run's iterations: consecutive, covering every iteration once, as even as
// they can be.
#include <gtest/gtest.h>

#include <string>

#include "common/failure.hpp"
#include "host/simulation/iteration_share.hpp"

namespace host {
namespace {

TEST(IterationShare, SharesCoverEveryIterationOnceAndDifferByAtMostOne) {
  struct Case {
    std::int64_t iterations;
    std::int64_t parts;
  };
  const Case cases[] = {{10, 1}, {10, 3}, {10, 10}, {1'000'000, 7}, {7, 4}, {INT64_MAX, 3}, {INT64_MAX, 64 * 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.iterations) + " in " + std::to_string(c.parts));
    std::int64_t next = 0;
    std::int64_t smallest = INT64_MAX, largest = 0;
    for (std::int64_t k = 0; k < c.parts; ++k) {
      const IterationRange share = share_of(c.iterations, k, c.parts);
      EXPECT_EQ(share.first, next);
      next = share.first + share.count;
      smallest = std::min(smallest, share.count);
      largest = std::max(largest, share.count);
    }
    EXPECT_EQ(next, c.iterations);
    EXPECT_LE(largest - smallest, 1);
    EXPECT_GE(smallest, 1);
  }
}

TEST(IterationShare, EmptyOrUnknownSharesAreRefused) {
  struct Case {
    std::int64_t iterations, part, parts;
  };
  const Case cases[] = {{3, 0, 4}, {10, 2, 2}, {10, -1, 2}, {10, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.part) + " of " + std::to_string(c.parts));
    EXPECT_THROW(share_of(c.iterations, c.part, c.parts), kx::Failure);
  }
}

}  // namespace
}  // namespace host
