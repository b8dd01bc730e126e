// Output files appear whole or not at all: a write that is abandoned leaves the target as it
// was, and no temporary file behind.
#include "cli/atomic_file.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/failure.hpp"

namespace cli {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(AtomicFile, TheTargetChangesOnlyWhenTheWholeFileIsCommitted) {
  const fs::path folder = fs::temp_directory_path() / ("kx_atomic_test_" + std::to_string(getpid()));
  fs::create_directories(folder);
  const fs::path target = folder / "report.csv";
  std::ofstream(target) << "old";
  {
    AtomicFile file(target.string());
    file.write("new and half");
    EXPECT_EQ(contents(target), "old");  // nothing shows before the commit
  }
  EXPECT_EQ(contents(target), "old");  // abandoned: the target is as it was
  {
    AtomicFile file(target.string());
    file.write("new ");
    file.write("and whole");
    file.commit();
  }
  EXPECT_EQ(contents(target), "new and whole");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);  // no leftovers
  fs::remove_all(folder);
}

TEST(AtomicFile, APathThatCannotBeWrittenIsNamedWithItsReason) {
  const struct {
    const char* path;
    const char* reason;
  } cases[] = {
      {"/nonexistent/kx/report.csv", "No such file or directory"},
      {"/", "it names no file"},
      {"/tmp", "it is a folder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    try {
      check_writable(c.path);
      ADD_FAILURE() << "no failure";
    } catch (const kx::Failure& failure) {
      EXPECT_NE(std::string(failure.what()).find(c.reason), std::string::npos) << failure.what();
      EXPECT_NE(std::string(failure.what()).find(c.path), std::string::npos) << failure.what();
    }
  }
}

}  // namespace
}  // namespace cli
