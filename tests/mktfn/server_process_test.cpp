// The real server program under hostile clients: calls sent without waiting, calls nested inside
// the server's requests to its host, and messages that would cost far more memory than their size.
#include "tests/mktfn/server_process.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace mktfn {
namespace {

using protocol::Json;
using testing::ServerProcess;

bool is_host_request(const Json& message) { return message.contains("method"); }

TEST(ServerProcess, PipelinedCallsThatNeedTheHostEachGetTheirOwnAnswer) {
  const struct {
    const char* label;
    int calls;
  } cases[] = {{"two calls", 2}, {"three calls", 3}, {"eight calls", 8}};
  const Json arguments = Json::array({2, 3, 1});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ServerProcess server;
    ASSERT_TRUE(testing::start_main(server));
    // The answer of one call alone, for reference.
    server.send(testing::call_request("alone", "kxMMS", arguments));
    Json expected;
    while (const auto message = server.read_message()) {
      if (!is_host_request(*message)) {
        expected = *message;
        break;
      }
      server.send(testing::host_answer(*message));
    }
    ASSERT_TRUE(expected.contains("result")) << expected;

    for (int call = 0; call < c.calls; ++call) server.send(testing::call_request(call, "kxMMS", arguments));
    // Hold the server's first requests until every call waits for the host, then answer them in
    // the order they came: the outermost call's answer arrives while the innermost waits.
    std::vector<Json> held;
    while (static_cast<int>(held.size()) < c.calls) {
      const auto message = server.read_message();
      ASSERT_TRUE(message.has_value()) << "the server stopped after " << held.size() << " requests";
      ASSERT_TRUE(is_host_request(*message)) << *message;
      held.push_back(*message);
    }
    for (const Json& request : held) server.send(testing::host_answer(request));
    std::vector<Json> answers(c.calls);
    for (int answered = 0; answered < c.calls;) {
      const auto message = server.read_message();
      ASSERT_TRUE(message.has_value()) << "no answer after " << answered << " of " << c.calls;
      if (is_host_request(*message)) {
        server.send(testing::host_answer(*message));
        continue;
      }
      ASSERT_TRUE(message->at("id").is_number()) << *message;
      answers.at(message->at("id").get<int>()) = *message;
      ++answered;
    }
    for (const Json& answer : answers) EXPECT_EQ(answer.at("result"), expected.at("result")) << answer;
  }
}

TEST(ServerProcess, CallsNestedInsideHostRequestsStopAtADepthAndTheServerLives) {
  ServerProcess server;
  ASSERT_TRUE(testing::start_main(server));
  // A client that answers each request of the server with a new call, far deeper than any stack.
  const int attempted = 3000;
  const Json arguments = Json::array({2, 3, 1});
  int sent = 1;
  server.send(testing::call_request(sent, "kxMMS", arguments));
  std::vector<Json> held;
  std::vector<int> refused;
  int answered = 0;
  while (answered < sent) {
    const auto message = server.read_message();
    ASSERT_TRUE(message.has_value()) << "the server is gone after " << sent << " nested calls";
    if (is_host_request(*message)) {
      if (refused.empty() && sent < attempted) {
        held.push_back(*message);
        server.send(testing::call_request(++sent, "kxMMS", arguments));
      } else {
        server.send(testing::host_answer(*message));
      }
      continue;
    }
    ++answered;
    if (message->contains("error")) {
      EXPECT_EQ(message->at("error").at("data").at("number"), kx::error::kOutOfStackSpace) << *message;
      refused.push_back(message->at("id").get<int>());
      // The calls still waiting are answered innermost first and complete.
      for (auto request = held.rbegin(); request != held.rend(); ++request) server.send(testing::host_answer(*request));
      held.clear();
    } else {
      EXPECT_TRUE(message->at("result").contains("value")) << *message;
    }
  }
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused.front(), protocol::kMaxNestedCalls + 1);
  EXPECT_TRUE(server.alive());
}

#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kServerAddressSpace = 0;  // the sanitizer reserves far more address space
#else
constexpr std::size_t kServerAddressSpace = std::size_t{1} << 30;
#endif

TEST(ServerProcess, MessagesOfMillionsOfValuesAreRefusedWithinBoundedMemory) {
  // 33 million zeros, doubled into place: a loop of appends takes seconds in the sanitized build.
  std::string zeros = ",0";
  while (zeros.size() < 66'000'000) zeros += zeros;
  zeros.resize(66'000'000);
  zeros.front() = '[';
  zeros += "]";
  std::string call = protocol::dump_message(testing::call_request(7, "kxMD1", Json::array({1, 2})));
  call.insert(call.find("[1,2]") + 1, zeros + ",");
  const struct {
    const char* label;
    std::string line;
    Json id;
  } cases[] = {
      {"a bare list of 33 million zeros", zeros, nullptr},
      {"a call with 33 million zeros among its arguments", call, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ServerProcess server(kServerAddressSpace);
    ASSERT_TRUE(testing::start_main(server));
    ASSERT_TRUE(server.send_line(c.line));
    // Patience for a sanitized build on a busy machine: what is tested is the answer, not its speed.
    const auto answer = server.read_message(std::chrono::seconds(120));
    ASSERT_TRUE(answer.has_value()) << "the server did not answer";
    EXPECT_EQ(answer->at("id"), c.id);
    EXPECT_EQ(answer->at("error").at("code"), protocol::code::kInvalidRequest) << *answer;
    EXPECT_NE(answer->at("error").at("message").get<std::string>().find(std::to_string(protocol::kMaxValues)),
              std::string::npos);
    // The server goes on.
    server.send(testing::call_request(8, "kxDHMS", Json::array({30})));
    const auto next = server.read_message();
    ASSERT_TRUE(next.has_value());
    EXPECT_EQ(next->at("result").at("value"), "1:06:00:00");
  }
}

}  // namespace
}  // namespace mktfn
