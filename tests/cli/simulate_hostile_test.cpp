// `kx simulate` against what an adversary or an unlucky moment gives it: a model file that
// changes during the run, counts and paths it cannot serve, texts that are no UTF-8 or carry
// terminal controls, values at the edge of the double range, a server lost mid-run.
#include <fcntl.h>
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "host/simulation/run_limits.hpp"
#include "tests/cli/kx_program.hpp"
#include "tests/cli/simulation_files.hpp"

namespace cli {
namespace {

namespace fs = std::filesystem;
using testing::Outcome;
using testing::run_kx;
using testing::write_model;
using testing::scratch;

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
    for (char* at = events; at < events + length;
         at += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(at)->len)
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

TEST(SimulateHostile, CountsThreadsAndPathsItCannotServeAreRefusedBeforeTheRun) {
  const fs::path model = write_model(scratch("refused.csv"), "\"=kxUNIFORM(0,1,,\"\"\"\")\",\"=A1+kxOUTPUT()\"\n");
  const fs::path folder = scratch("folder");
  fs::create_directories(folder);
  struct Case {
    std::vector<std::string> options;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {{"-n", "99999999999999999999"}, 2, "--iterations: 99999999999999999999 is out of range"},
      {{"-n", "9223372036854775807"},
       1,
       "the report of 9223372036854775807 iterations of 2 inputs and outputs needs about 516.5 EB"},
      {{"-n", "9223372036854775000"},
       1,
       "the report of 9223372036854775000 iterations of 2 inputs and outputs needs about"},
      {{"--threads", "99999999999"}, 2, "--threads: 99999999999 is out of range"},
      {{"--csv", "/nonexistent-kx-folder/rows.csv"}, 1, "cannot write /nonexistent-kx-folder/rows.csv"},
      {{"--xlsx", folder.string()}, 1, "cannot write " + folder.string() + ": it is a folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options.front() + " " + c.options.back());
    std::vector<std::string> arguments = {"simulate", model.string(), "--seed", "1"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const Outcome run = run_kx(arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.out, "");  // refused before the run, not after it
  }
  fs::remove(folder);
  fs::remove(model);
}

TEST(SimulateHostile, ThreadsBeyondTheCoresAreCappedAndTheReportSaysHowMany) {
  const fs::path model = write_model(scratch("threads.csv"), "\"=kxUNIFORM(0,1,,\"\"\"\")\",\"=A1+kxOUTPUT()\"\n");
  const int cores = host::machine_cores();
  const Outcome run = run_kx({"simulate", model.string(), "-n", "100", "--seed", "1", "--threads", "5000"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find(fmt::format("warning: --threads 5000: running {} worker", cores)), std::string::npos)
      << run.err;
  EXPECT_NE(run.out.find(fmt::format("seed 1, {} thread", cores)), std::string::npos) << run.out;
  // Fewer iterations than workers: as many workers as iterations.
  const Outcome few = run_kx({"simulate", model.string(), "-n", "1", "--seed", "1", "--threads", "1"});
  EXPECT_NE(few.out.find("seed 1, 1 thread,"), std::string::npos) << few.out;
  fs::remove(model);
}

// A model whose names, and the path of whose file, hold terminal controls and bytes that are no
// UTF-8, with outputs at the limits of a double.
struct HostileModel {
  fs::path path;
  HostileModel()
      : path(write_model(scratch("e\x1b[2J\xff.csv"),
                         "\"=kxUNIFORM(0,1,,\"\"\"\")+kxNAME(\"\"in\x1b[31m\xff\"\")\","
                         "\"=1.7E308+0*A1+kxOUTPUT()+kxNAME(\"\"out\x1b]0;title\x07\"\")\","
                         "\"=IF(A1<0.5,-1.7E308,1.7E308)+kxOUTPUT()+kxNAME(\"\"both\"\")\"\n")) {}
  ~HostileModel() { fs::remove(path); }
};

TEST(SimulateHostile, TheTextReportWritesControlsAndStrayBytesOut) {
  const HostileModel model;
  const Outcome run = run_kx({"simulate", model.path.string(), "-n", "1000", "--seed", "1"});
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char raw : {'\x1b', '\x07', '\xff'}) EXPECT_EQ(run.out.find(raw), std::string::npos) << int(raw);
  for (const char* shown : {"e\\x1b[2J\\xff.csv:", "Output out\\x1b]0;title\\x07", "in\\x1b[31m\\xff"})
    EXPECT_NE(run.out.find(shown), std::string::npos) << shown;
  // Figures near 1.7E308 are figures, not NaN.
  for (const char* wrong : {"nan", "inf", "#NUM!"}) EXPECT_EQ(run.out.find(wrong), std::string::npos) << wrong;
}

TEST(SimulateHostile, JsonAndPicturesOfNamesThatAreNoUtf8) {
  const HostileModel model;
  const fs::path picture = scratch("names.pdf");  // one file, a page per output
  const Outcome run = run_kx({"simulate", model.path.string(), "-n", "1000", "--seed", "1", "--json", "--target",
                              "both<=0", "--plot", picture.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_GT(fs::file_size(picture), 1000U);
  fs::remove(picture);
  const auto report = nlohmann::json::parse(run.out);  // throws on what is no UTF-8
  EXPECT_EQ(report["inputs"][0]["name"], "in\x1b[31m\xef\xbf\xbd");
  // The constant's mean is the constant. Of n values -c or c, a share p at or below 0, the mean
  // is m = c (1 - 2p) and the sample deviation sqrt(n / (n - 1) (c^2 - m^2)).
  constexpr double kBig = 1.7e308;
  const auto& constant = report["outputs"][0];
  EXPECT_EQ(constant["name"], "out\x1b]0;title\x07");
  EXPECT_DOUBLE_EQ(constant["mean"].get<double>(), kBig);
  EXPECT_DOUBLE_EQ(constant["std_dev"].get<double>(), 0);
  const auto& both = report["outputs"][1];
  const double p = both["targets"][0]["at_or_below"].get<double>();
  const double n = 1000;
  const double mean = kBig * (1 - 2 * p);
  EXPECT_NEAR(both["mean"].get<double>() / kBig, 1 - 2 * p, 1e-12);
  EXPECT_NEAR(both["std_dev"].get<double>() / kBig, std::sqrt(n / (n - 1) * (1 - (mean / kBig) * (mean / kBig))),
              1e-12);
}

// kx started in the background, its output and errors going to files; -1 when it cannot start.
pid_t start_kx(const std::vector<std::string>& options, const fs::path& out, const fs::path& err) {
  const std::string program = testing::kx_program().string();
  std::vector<char*> argv = {const_cast<char*>(program.c_str())};
  for (const std::string& option : options) argv.push_back(const_cast<char*>(option.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&files, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t kx = -1;
  if (posix_spawn(&kx, program.c_str(), &files, nullptr, argv.data(), environ) != 0) kx = -1;
  posix_spawn_file_actions_destroy(&files);
  return kx;
}

// The processes whose parent is `parent`.
std::vector<pid_t> children_of(pid_t parent) {
  std::vector<pid_t> children;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::ifstream stat(entry.path() / "stat");
    std::string pid, name, state;
    pid_t ppid = 0;
    if (stat >> pid >> name >> state >> ppid && ppid == parent) children.push_back(std::stoi(pid));
  }
  return children;
}

TEST(SimulateHostile, AServerLostDuringTheRunEndsItWithOneLine) {
  const fs::path model =
      write_model(scratch("lost.csv"), "\"=kxUNIFORM(100,200,,\"\"\"\")\",\"=kxCAGR(A1,100,5)+kxOUTPUT()\"\n");
  const fs::path out = scratch("lost.out"), err = scratch("lost.err");
  const pid_t kx =
      start_kx({"--server", "simulate", model.string(), "-n", "100000", "--threads", "1", "--seed", "3"}, out, err);
  ASSERT_GT(kx, 0);
  // The run's server is the one child left once the model is read and the base case computed.
  bool killed = false;
  for (int wait = 0; wait < 200 && !killed; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto children = children_of(kx);
    if (wait >= 6 && children.size() == 1) killed = ::kill(children.front(), SIGKILL) == 0;
  }
  int status = 0;
  ::waitpid(kx, &status, 0);
  ASSERT_TRUE(killed);
  std::ifstream error_file(err);
  const std::string errors{std::istreambuf_iterator<char>(error_file), std::istreambuf_iterator<char>()};
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  EXPECT_NE(errors.find("the run lost its mktfn server"), std::string::npos) << errors;
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
  EXPECT_EQ(fs::file_size(out), 0U);  // no report of iterations that could not run
  for (const fs::path& path : {model, out, err}) fs::remove(path);
}

// The share of the run the progress bar showed last, in percent, from everything kx wrote to its
// terminal; -1 before the bar appears.
int last_progress(const std::string& terminal) {
  int last = -1;
  for (std::size_t at = terminal.find('%'); at != std::string::npos; at = terminal.find('%', at + 1)) {
    std::size_t digits = at;
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(terminal[digits - 1]))) --digits;
    if (digits < at) last = std::stoi(terminal.substr(digits, at - digits));
  }
  return last;
}

TEST(SimulateHostile, AServerLostDuringTheRunStopsItsIterations) {
  // Once its server was gone, the run failed every iteration left before it said so: a million
  // of them after a death in the first seconds. On a terminal kx shows how far the run is.
  const fs::path model =
      write_model(scratch("stops.csv"), "\"=kxUNIFORM(100,200,,\"\"\"\")\",\"=kxCAGR(A1,100,5)+kxOUTPUT()\"\n");
  const std::string program = testing::kx_program().string();
  std::vector<std::string> words = {program,   "--server",  "simulate", model.string(), "-n",
                                    "1000000", "--threads", "1",        "--seed",       "3"};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  int terminal = -1;
  const pid_t kx = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(kx, 0);
  if (kx == 0) {
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  std::string shown;
  int progress_at_kill = -1;
  char buffer[4096];
  for (;;) {
    pollfd ready{terminal, POLLIN, 0};
    if (::poll(&ready, 1, 50) < 0) break;
    if (ready.revents != 0) {
      const ssize_t length = ::read(terminal, buffer, sizeof buffer);
      if (length <= 0) break;  // kx has ended: its terminal is closed
      shown.append(buffer, static_cast<std::size_t>(length));
    }
    // Killed once the bar shows: the run's server is then kx's one child.
    if (progress_at_kill < 0 && last_progress(shown) >= 0) {
      const auto children = children_of(kx);
      if (children.size() == 1 && ::kill(children.front(), SIGKILL) == 0) progress_at_kill = last_progress(shown);
    }
  }
  ::close(terminal);
  int status = 0;
  ::waitpid(kx, &status, 0);
  ASSERT_GE(progress_at_kill, 0) << shown;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  EXPECT_NE(shown.find("the run lost its mktfn server"), std::string::npos) << shown;
  // Stopped within a bar's update of the loss, short of half the run.
  EXPECT_LT(last_progress(shown), 50) << shown;
  fs::remove(model);
}

TEST(SimulateHostile, AnInterruptedCsvLeavesNeitherAHalfFileNorATemporaryOne) {
  const fs::path folder = scratch("interrupted");
  fs::create_directories(folder);
  const fs::path model = write_model(folder / "model.csv", "\"=kxUNIFORM(0,1,,\"\"\"\")\",\"=A1+kxOUTPUT()\"\n");
  const fs::path csv = folder / "rows.csv";
  const pid_t kx = start_kx({"simulate", model.string(), "-n", "3000000", "--seed", "1", "--csv", csv.string()},
                            folder / "out", folder / "err");
  ASSERT_GT(kx, 0);
  // Interrupted while the rows are written: their temporary file holds some (the empty one made
  // before the run only checks that the folder can be written).
  const auto temporary_bytes = [&]() -> std::optional<std::uintmax_t> {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.path().filename().string().starts_with(".rows.csv.")) return fs::file_size(entry.path(), error);
    }
    return std::nullopt;
  };
  bool interrupted = false;
  for (int wait = 0; wait < 6000 && !interrupted; ++wait) {
    const auto bytes = temporary_bytes();
    if (bytes && *bytes > 0 && *bytes != static_cast<std::uintmax_t>(-1)) interrupted = ::kill(kx, SIGINT) == 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  int status = 0;
  ::waitpid(kx, &status, 0);
  ASSERT_TRUE(interrupted);
  if (WIFEXITED(status) && fs::exists(csv)) GTEST_SKIP() << "the file was whole before the signal came";
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
  EXPECT_FALSE(fs::exists(csv));
  EXPECT_FALSE(temporary_bytes().has_value());
  fs::remove_all(folder);
}

}  // namespace
}  // namespace cli
