// The C++ client against servers that misbehave: silent, answering other calls, answering with
// far more values than any call returns. Each call must fail with one clear failure, in bounded
// time and memory, instead of waiting forever.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "mktfn/client/connection.hpp"

namespace mktfn {
namespace {

namespace fs = std::filesystem;

// A stand-in server: a shell script started as the mktfn program would be.
class FakeServer {
 public:
  explicit FakeServer(const std::string& script)
      : path_(fs::temp_directory_path() /
              ("kx_fake_server_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++) + ".sh")) {
    std::ofstream(path_) << "#!/bin/sh\n" << script << "\n";
    fs::permissions(path_, fs::perms::owner_all);
  }
  ~FakeServer() { fs::remove(path_); }
  std::string path() const { return path_.string(); }

 private:
  static inline int counter_ = 0;
  fs::path path_;
};

TEST(Client, ACallToAServerThatNeverAnswersItFailsInBoundedTime) {
  const struct {
    const char* label;
    const char* script;
  } cases[] = {
      {"silent", "while read line; do :; done"},
      {"answers another id", "while read line; do echo '{\"jsonrpc\":\"2.0\",\"id\":999,\"result\":null}'; done"},
      {"answers with no id", "while read line; do echo '{\"jsonrpc\":\"2.0\",\"result\":1}'; done"},
  };
  const auto limit = std::chrono::milliseconds(300);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    FakeServer fake(c.script);
    auto connection = client::Connection::start(fake.path(), limit);
    for (int attempt = 0; attempt < 2; ++attempt) {
      const auto started = std::chrono::steady_clock::now();
      try {
        connection->request("create", {{"class", "Main"}});
        ADD_FAILURE() << "no failure";
      } catch (const kx::Failure& failure) {
        EXPECT_EQ(failure.number(), kx::error::kServerUnavailable);
        EXPECT_NE(std::string(failure.what()).find("no answer for 0.3 seconds"), std::string::npos) << failure.what();
      }
      // The first call waits out the limit; a later one fails at once.
      EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    }
  }
}

TEST(Client, AnAnswerOfMillionsOfValuesFailsTheCallInsteadOfExhaustingMemory) {
  // 30 million zeros: 60 MB, under the length limit.
  FakeServer fake(R"(read line
printf '{"jsonrpc":"2.0","id":1,"result":['
yes 0, 2>/dev/null | head -n 30000000 | tr -d '\n'
printf '0]}\n'
exec cat >/dev/null)");
  auto connection = client::Connection::start(fake.path(), std::chrono::seconds(20));
  try {
    connection->request("get", {{"object", 1}, {"name", "P0"}});
    ADD_FAILURE() << "no failure";
  } catch (const kx::Failure& failure) {
    EXPECT_EQ(failure.number(), kx::error::kHostFailure);
    EXPECT_NE(std::string(failure.what()).find(std::to_string(protocol::kMaxValues)), std::string::npos)
        << failure.what();
  }
}

}  // namespace
}  // namespace mktfn
