// Running the built kx program as users do: its output, error messages and exit status.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace cli::testing {

// The kx program built beside this test program (build/cli/kx next to build/tests/kx_tests).
inline std::filesystem::path kx_program() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "cli" / "kx";
}

inline std::string quoted(const std::string& text) {
  std::string result = "'";
  for (const char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return result + "'";
}

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs kx with the arguments; under a launcher (as {"mpirun", "-np", "2"}) when one is given.
inline Outcome run_kx(const std::vector<std::string>& arguments, const std::vector<std::string>& launcher = {}) {
  namespace fs = std::filesystem;
  const fs::path errors = fs::temp_directory_path() / ("kx_eval_test_" + std::to_string(getpid()) + ".err");
  std::string command;
  for (const std::string& word : launcher) command += quoted(word) + ' ';
  command += quoted(kx_program().string());
  for (const std::string& argument : arguments) {
    command += ' ';
    command += quoted(argument);
  }
  command += " 2>";
  command += quoted(errors.string());
  command += " </dev/null";
  Outcome run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  for (std::size_t read = 0; (read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, read);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream file(errors);
  std::stringstream text;
  text << file.rdbuf();
  run.err = text.str();
  fs::remove(errors);
  return run;
}

// A command run on a pseudo-terminal of `columns` columns, as a user at a terminal sees it: its
// standard output and error together.
inline Outcome run_kx_on_terminal(const std::string& command, int columns) {
  const std::string shell = "stty cols " + std::to_string(columns) + " rows 40; " + command;
  Outcome run;
  FILE* pipe = popen(("script -qec " + quoted(shell) + " /dev/null </dev/null").c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  for (std::size_t read = 0; (read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, read);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace cli::testing
