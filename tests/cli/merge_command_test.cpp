// `kx simulate --part K/N --partial FILE` and `kx merge`: shares of a run written apart join into
// the report of one run, and parts that do not make one run are refused.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// An output that fails now and then (a division by zero), so that failures cross the parts.
constexpr const char* kFailingModel =
    "\"=kxNORMAL(10,2,,\"\"\"\")\",\"=IF(A1>12,1/0,A1)+kxOUTPUT()\"\n"
    "\"=kxUNIFORM(0,1,,\"\"\"\")\",\"=A1*A2+kxOUTPUT()\"\n";

// Runs each part of `parts` with the arguments and returns their files.
std::vector<std::string> run_parts(const std::vector<std::string>& arguments, int parts, const std::string& name) {
  std::vector<std::string> files;
  for (int k = 1; k <= parts; ++k) {
    const std::string file = scratch(fmt::format("{}_{}.kxr", name, k)).string();
    std::vector<std::string> part = arguments;
    part.insert(part.end(), {"--part", fmt::format("{}/{}", k, parts), "--partial", file, "--threads",
                             std::to_string(1 + k % 2)});
    const Outcome run = run_kx(part);
    EXPECT_EQ(run.status, 0) << run.err;
    files.push_back(file);
  }
  return files;
}

TEST(MergeCommand, PartsMergeIntoTheReportAndIterationsOfOneRun) {
  const fs::path failing = testing::write_model(scratch("failing.csv"), kFailingModel);
  struct Case {
    const char* label;
    std::vector<std::string> arguments;
    int parts;
  };
  const Case cases[] = {
      {"bundled model in three parts", {"simulate", "-n", "3001", "--seed", "7"}, 3},
      {"latin hypercube in two parts", {"simulate", "-n", "2000", "--seed", "8", "--sampling", "lhs"}, 2},
      {"failing output in four parts", {"simulate", failing.string(), "-n", "2003", "--seed", "9"}, 4},
      {"one part", {"simulate", failing.string(), "-n", "500", "--seed", "10"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const fs::path whole_csv = scratch("whole.csv");
    const fs::path merged_csv = scratch("merged.csv");
    std::vector<std::string> whole = c.arguments;
    whole.insert(whole.end(), {"--json", "--csv", whole_csv.string()});
    const Outcome one = run_kx(whole);
    ASSERT_EQ(one.status, 0) << one.err;
    std::vector<std::string> merge{"merge"};
    const std::vector<std::string> files = run_parts(c.arguments, c.parts, "same");
    // The parts may come in any order.
    merge.insert(merge.end(), files.rbegin(), files.rend());
    merge.insert(merge.end(), {"--json", "--csv", merged_csv.string()});
    const Outcome merged = run_kx(merge);
    ASSERT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(merged.out, one.out);
    EXPECT_EQ(read_bytes(merged_csv), read_bytes(whole_csv));
    for (const std::string& file : files) fs::remove(file);
    fs::remove(whole_csv);
    fs::remove(merged_csv);
  }
  fs::remove(failing);
}

TEST(MergeCommand, RefusesPartsThatDoNotMakeOneRun) {
  const std::vector<std::string> run{"simulate", "-n", "900", "--seed", "4"};
  const std::vector<std::string> parts = run_parts(run, 3, "run");
  const fs::path other_model = testing::write_model(scratch("other.csv"), kFailingModel);
  const std::vector<std::string> other_model_parts =
      run_parts({"simulate", other_model.string(), "-n", "900", "--seed", "4"}, 3, "model");
  const std::vector<std::string> other_seed = run_parts({"simulate", "-n", "900", "--seed", "5"}, 3, "seed");
  const std::vector<std::string> other_options =
      run_parts({"simulate", "-n", "900", "--seed", "4", "--sampling", "lhs"}, 3, "options");
  const std::vector<std::string> other_count = run_parts({"simulate", "-n", "900", "--seed", "4"}, 2, "count");
  // A CSV model of one column reads alike with any field separator, but another could not: the
  // reading is part of the run.
  const fs::path plain_csv =
      testing::write_model(scratch("plain.csv"), "\"=kxNORMAL(10,2,,\"\"\"\")\"\n\"=A1*2+kxOUTPUT()\"\n");
  const std::vector<std::string> comma = run_parts({"simulate", plain_csv.string(), "-n", "900", "--seed", "4"}, 2, "comma");
  const std::vector<std::string> bar_separated =
      run_parts({"simulate", plain_csv.string(), "-n", "900", "--seed", "4", "--delimiter", "|"}, 2, "bar");

  // A byte changed in the values, the file cut short, a file that is no part at all.
  const std::string bytes = read_bytes(parts[1]);
  const fs::path damaged = scratch("damaged.kxr");
  std::string changed = bytes;
  changed[changed.size() / 2] ^= 0x10;
  std::ofstream(damaged, std::ios::binary) << changed;
  const fs::path cut = scratch("cut.kxr");
  std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() - 100);
  const fs::path stranger = testing::write_model(scratch("stranger.kxr"), "1,2\n");

  struct Case {
    const char* label;
    std::vector<std::string> files;
    std::string message;
  };
  const Case cases[] = {
      {"other model", {parts[0], other_model_parts[1], parts[2]}, "different runs: their models differ"},
      {"other seed", {parts[0], other_seed[1], parts[2]}, "different runs: seed 4 and seed 5"},
      {"other options", {parts[0], other_options[1], parts[2]}, "different runs: their options differ"},
      {"other part count", {parts[0], other_count[1], parts[2]}, "different runs: 3 parts and 2 parts"},
      {"other reading", {comma[0], bar_separated[1]}, "the model read with delimiter , decimal . and with delimiter | decimal ."},
      {"missing part", {parts[0], parts[2]}, "part 2 of 3 is missing"},
      {"missing parts", {parts[1]}, "parts 1, 3 of 3 are missing"},
      {"duplicate part", {parts[0], parts[1], parts[1], parts[2]}, "part 2 of 3 is given twice"},
      {"damaged part", {parts[0], damaged.string(), parts[2]}, "damaged.kxr: damaged or cut short"},
      {"cut short", {parts[0], cut.string(), parts[2]}, "cut.kxr: damaged or cut short"},
      {"not a part", {parts[0], stranger.string(), parts[2]}, "stranger.kxr: not a partial result"},
      {"unreadable", {parts[0], "/nonexistent/part.kxr"}, "/nonexistent/part.kxr: cannot be read"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<std::string> merge{"merge"};
    merge.insert(merge.end(), c.files.begin(), c.files.end());
    const Outcome merged = run_kx(merge);
    EXPECT_EQ(merged.status, 1);
    EXPECT_NE(merged.err.find(c.message), std::string::npos) << merged.err;
    EXPECT_EQ(std::count(merged.err.begin(), merged.err.end(), '\n'), 1) << merged.err;
    EXPECT_EQ(merged.out, "");
  }
  for (const auto* files : {&parts, &other_model_parts, &other_seed, &other_options, &other_count, &comma, &bar_separated}) {
    for (const std::string& file : *files) fs::remove(file);
  }
  for (const fs::path& path : {other_model, damaged, cut, stranger, plain_csv}) fs::remove(path);
}

TEST(MergeCommand, PartOptionsThatCannotRunGiveOneLine) {
  const std::string file = scratch("part.kxr").string();
  struct Case {
    const char* label;
    std::vector<std::string> arguments;
    const char* message;
  };
  const Case cases[] = {
      {"no seed", {"simulate", "-n", "100", "--part", "1/2", "--partial", file}, "--part needs --seed"},
      {"no file", {"simulate", "-n", "100", "--seed", "1", "--part", "1/2"}, "--part needs --partial"},
      {"file without part", {"simulate", "-n", "100", "--partial", file}, "name it with --part"},
      {"part beyond", {"simulate", "-n", "100", "--seed", "1", "--part", "3/2", "--partial", file}, "is not K/N"},
      {"part zero", {"simulate", "-n", "100", "--seed", "1", "--part", "0/2", "--partial", file}, "is not K/N"},
      {"not a fraction", {"simulate", "-n", "100", "--seed", "1", "--part", "half", "--partial", file}, "is not K/N"},
      {"more parts than iterations",
       {"simulate", "-n", "3", "--seed", "1", "--part", "1/4", "--partial", file},
       "3 iterations cannot be split into 4 shares"},
      {"report asked of a part",
       {"simulate", "-n", "100", "--seed", "1", "--part", "1/2", "--partial", file, "--json"},
       "ask kx merge for the report"},
      {"precision",
       {"simulate", "-n", "100", "--seed", "1", "--part", "1/2", "--partial", file, "--precision", "1%"},
       "cannot be split into shares"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Outcome run = run_kx(c.arguments);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_FALSE(fs::exists(file));
  }
}

}  // namespace
}  // namespace cli
