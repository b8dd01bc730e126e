// --max-memory: a run whose exact report would not fit is refused before it starts, with the
// memory it needs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/cli/kx_program.hpp"

namespace cli {
namespace {

using testing::Outcome;
using testing::run_kx;

TEST(SimulateMemory, RunsBeyondTheLimitAreRefusedWithTheFigure) {
  struct Case {
    const char* label;
    std::vector<std::string> arguments;
    int status;
    const char* said;  // on standard error
  };
  // The bundled model has 15 inputs and outputs: 100,000 iterations need 15 * 100,000 * 28 bytes.
  const Case cases[] = {
      {"over the limit", {"simulate", "-n", "100000", "--max-memory", "30M"}, 1,
       "the report of 100000 iterations of 15 inputs and outputs needs about 42.0 MB (28 MB per million "
       "iterations of each), more than the 31.5 MB --max-memory allows"},
      {"within the limit", {"simulate", "-n", "1000", "--seed", "1", "--max-memory", "30M"}, 0, ""},
      {"over the memory free", {"simulate", "-n", "1000000000000"}, 1, "of memory free; run fewer iterations"},
      {"no unit known", {"simulate", "--max-memory", "12Q"}, 1, "--max-memory: '12Q' is no amount of memory"},
      {"nothing", {"simulate", "--max-memory", "0"}, 1, "--max-memory: '0' is no amount of memory"},
      {"negative", {"simulate", "--max-memory", "-1G"}, 1, "--max-memory: '-1G' is no amount of memory"},
      {"too large", {"simulate", "--max-memory", "99999999999T"}, 1, "is no amount of memory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Outcome run = run_kx(c.arguments);
    EXPECT_EQ(run.status, c.status) << run.err;
    if (c.status == 0) continue;
    EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

}  // namespace
}  // namespace cli
