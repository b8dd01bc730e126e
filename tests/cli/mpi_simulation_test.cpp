// `mpirun -np N kx simulate`: the ranks run shares of the iterations and rank 0 reports what one
// process reports; a rank that fails stops the run with one line naming it. Skipped where mpirun
// or an MPI build of kx is missing.
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/kx_program.hpp"
#include "tests/cli/simulation_files.hpp"

namespace cli {
namespace {

namespace fs = std::filesystem;
using testing::Outcome;
using testing::run_kx;

using testing::read_bytes;
using testing::scratch;

// mpirun with `ranks` processes on however many cores there are; none where it is missing.
std::vector<std::string> mpirun(int ranks) {
  if (std::system("command -v mpirun >/dev/null 2>&1") != 0) return {};
  // Open MPI's plugins keep their state to the end and are unloaded before a leak check could
  // name them in a suppression: the ranks of a sanitized build run without one.
  std::vector<std::string> launcher{"env", "ASAN_OPTIONS=detect_leaks=0:abort_on_error=1", "mpirun", "--oversubscribe"};
  if (geteuid() == 0) launcher.push_back("--allow-run-as-root");
  launcher.insert(launcher.end(), {"-np", std::to_string(ranks)});
  return launcher;
}

// Why the MPI runs cannot be tested here, or nothing when they can.
std::string mpi_missing() {
  if (mpirun(2).empty()) return "mpirun is not installed (openmpi-bin)";
  const Outcome run = run_kx({"simulate", "-n", "10"}, mpirun(2));
  if (run.err.find("built without MPI") != std::string::npos) return "kx was built without MPI";
  return "";
}

TEST(MpiSimulation, RanksAndPartsGiveTheReportAndIterationsOfOneProcess) {
  if (const std::string missing = mpi_missing(); !missing.empty()) GTEST_SKIP() << missing;
  const std::vector<std::string> run{"simulate", "-n", "6001", "--seed", "21", "--json"};
  const fs::path one_csv = scratch("one.csv");
  std::vector<std::string> one = run;
  one.insert(one.end(), {"--threads", "1", "--csv", one_csv.string()});
  const Outcome single = run_kx(one);
  ASSERT_EQ(single.status, 0) << single.err;
  struct Case {
    int ranks;
    const char* threads;
  };
  const Case cases[] = {{2, "1"}, {3, "2"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(fmt::format("{} ranks of {} threads", c.ranks, c.threads));
    const fs::path csv = scratch("ranks.csv");
    std::vector<std::string> ranked = run;
    ranked.insert(ranked.end(), {"--threads", c.threads, "--csv", csv.string()});
    const Outcome across = run_kx(ranked, mpirun(c.ranks));
    ASSERT_EQ(across.status, 0) << across.err;
    EXPECT_EQ(across.out, single.out);
    EXPECT_EQ(read_bytes(csv), read_bytes(one_csv));
    fs::remove(csv);
  }
  // A run to a precision stops at the same round, in rounds split over the ranks.
  const std::vector<std::string> to_precision{"simulate", "-n", "50000", "--seed", "22", "--precision", "1.5%", "--json"};
  const Outcome alone = run_kx(to_precision);
  const Outcome ranked = run_kx(to_precision, mpirun(3));
  ASSERT_EQ(alone.status, 0) << alone.err;
  ASSERT_EQ(ranked.status, 0) << ranked.err;
  EXPECT_EQ(ranked.out, alone.out);
  EXPECT_NE(alone.out.find("\"met\": true"), std::string::npos);

  // The same run as the three jobs of an array, merged.
  std::vector<std::string> merge{"merge", "--json"};
  for (int k = 1; k <= 3; ++k) {
    const std::string file = scratch(fmt::format("part{}.kxr", k)).string();
    const Outcome part = run_kx({"simulate", "-n", "6001", "--seed", "21", "--part", fmt::format("{}/3", k), "--partial", file});
    ASSERT_EQ(part.status, 0) << part.err;
    merge.push_back(file);
  }
  const Outcome merged = run_kx(merge);
  ASSERT_EQ(merged.status, 0) << merged.err;
  EXPECT_EQ(merged.out, single.out);
  for (std::size_t k = 2; k < merge.size(); ++k) fs::remove(merge[k]);
  fs::remove(one_csv);
}

TEST(MpiSimulation, StreamedSummariesOfTheRanksMergeIntoThoseOfOneProcess) {
  if (const std::string missing = mpi_missing(); !missing.empty()) GTEST_SKIP() << missing;
  const std::vector<std::string> run{"simulate", "-n", "30000", "--seed", "5", "--summary", "streaming", "--json",
                                     "--target", "0"};
  const Outcome single = run_kx(run);
  const Outcome across = run_kx(run, mpirun(3));
  ASSERT_EQ(single.status, 0) << single.err;
  ASSERT_EQ(across.status, 0) << across.err;
  const auto one = nlohmann::json::parse(single.out);
  const auto all = nlohmann::json::parse(across.out);
  EXPECT_EQ(all["approximate"], true);
  for (std::size_t o = 0; o < one["outputs"].size(); ++o) {
    const auto& a = all["outputs"][o];
    const auto& b = one["outputs"][o];
    SCOPED_TRACE(b["name"].get<std::string>());
    for (const char* exact : {"count", "min", "max", "targets"}) EXPECT_EQ(a[exact], b[exact]) << exact;
    EXPECT_NEAR(a["mean"].get<double>(), b["mean"].get<double>(), 1e-9 * std::abs(b["mean"].get<double>()));
    // Each lies within its rank bound of the same exact median (checked against it in one process).
    EXPECT_NEAR(a["percentiles"]["50"].get<double>(), b["percentiles"]["50"].get<double>(),
                0.01 * std::abs(b["std_dev"].get<double>()));
  }
}

TEST(MpiSimulation, ARankThatFailsStopsTheRunWithOneLineNamingIt) {
  if (const std::string missing = mpi_missing(); !missing.empty()) GTEST_SKIP() << missing;
  const fs::path report = scratch("report.xlsx");
  struct Case {
    const char* label;
    std::vector<std::string> arguments;
    const char* message;
  };
  // Rank 1 of an MPMD launch is given a model that it cannot read, as on a machine without it.
  const std::string program = testing::kx_program().string();
  const Case cases[] = {
      {"model missing on rank 1",
       {"-n", "3000", "--seed", "1", "--xlsx", report.string(), ":", "-np", "1", program, "simulate",
        "/nonexistent/model.xlsx", "-n", "3000", "--seed", "1"},
       "kx: rank 1: Cannot read \"/nonexistent/model.xlsx\""},
      {"unknown target on every rank", {"-n", "3000", "--target", "Nothing<=0"}, "rank 0: --target: the model has no output Nothing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<std::string> arguments{"simulate"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const Outcome run = run_kx(arguments, mpirun(c.arguments.size() > 8 ? 1 : 2));
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(fs::exists(report));
    // kx says it once; mpirun adds its own notice of the failed processes.
    std::vector<std::string> said;
    std::istringstream lines(run.err);
    for (std::string line; std::getline(lines, line);) {
      if (line.starts_with("kx: ")) said.push_back(line);
    }
    ASSERT_EQ(said.size(), 1U) << run.err;
    EXPECT_NE(said[0].find(c.message), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace cli
