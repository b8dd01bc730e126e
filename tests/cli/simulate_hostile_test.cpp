// `kx simulate` against what an adversary or an unlucky moment gives it: a model file that
// changes during the run, counts and paths it cannot serve, texts that are no UTF-8 or carry
// terminal controls, values at the edge of the double range, a server lost mid-run.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/cli/kx_program.hpp"
#include "tests/cli/simulation_files.hpp"

namespace cli {
namespace {

namespace fs = std::filesystem;
using testing::Outcome;
using testing::run_kx;
using testing::write_model;

fs::path scratch(const std::string& name) { return testing::scratch("simulate_hostile", name); }

// How often a file is opened while `work` runs.
template <typename Work>
int opens_during(const fs::path& path, Work work) {
  const int watch = ::inotify_init1(IN_NONBLOCK);
  // Closes are watched too: inotify merges an event into an identical one not yet read.
  ::inotify_add_watch(watch, path.c_str(), IN_OPEN | IN_CLOSE);
  work();
  int opens = 0;
  alignas(inotify_event) char events[4096];
  for (ssize_t length; (length = ::read(watch, events, sizeof events)) > 0;) {
    for (char* at = events; at < events + length; at += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(at)->len)
      opens += (reinterpret_cast<inotify_event*>(at)->mask & IN_OPEN) != 0;
  }
  ::close(watch);
  return opens;
}

TEST(SimulateHostile, TheModelFileIsReadOnceForEveryWorker) {
  // Each worker built its workbook from a read of its own: a file saved as the run started gave
  // them different models.
  const fs::path model = write_model(scratch("once.csv"), "\"=kxUNIFORM(0,1,,\"\"\"\")\",\"=A1*2+kxOUTPUT()\"\n");
  Outcome run;
  const int opens = opens_during(model, [&] {
    run = run_kx({"simulate", model.string(), "-n", "400", "--seed", "9", "--threads", "2", "--json"});
  });
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(nlohmann::json::parse(run.out)["outputs"][0]["count"], 400);
  EXPECT_EQ(opens, 1);
  fs::remove(model);
}

}  // namespace
}  // namespace cli
