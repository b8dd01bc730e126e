// The mktfn program as an out-of-process server: the same results through it as in-process,
// values that keep their kind across the wire, and a server that survives bad messages.
#include <gtest/gtest.h>
#include <signal.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "common/automation/dispatch.hpp"
#include "common/conversions.hpp"
#include "host/addin/addin_workbook.hpp"
#include "host/session/session.hpp"
#include "mktfn/client/connection.hpp"
#include "mktfn/frame/classes.hpp"
#include "mktfn/server/request_handler.hpp"

namespace mktfn {
namespace {

using kx::Value;
using protocol::Json;

std::shared_ptr<client::Connection> start_server() { return client::Connection::start(KX_MKTFN_SERVER); }

// Two sessions of the host over the same workbook: one with mktfn in-process, one through the server.
class ServerTest : public ::testing::Test {
 protected:
  ServerTest() : local({create_object("Main")}), remote({connection->create_object("Main")}) {
    for (host::Session* session : {&local, &remote}) {
      auto book = host::Book::create("model");
      auto sheet = book->add_sheet("Sheet1");
      sheet->set_value(1, 1, 2.0);   // A1: arrival rate
      sheet->set_value(1, 2, 0.25);  // B1: service time
      sheet->set_value(2, 1, "busy");
      sheet->set_value(3, 1, 0.000001);
      session->open(book);
      session->engine().recalculate();
    }
  }

  std::shared_ptr<client::Connection> connection = start_server();
  host::Session local;
  host::Session remote;
};

TEST_F(ServerTest, FormulasGiveTheSameResultsThroughTheServer) {
  const char* formulas[] = {
      "kxDHMS(30)",
      "kxDHMS(A1/7)",
      "kxDHMS(A2)",       // type mismatch
      "kxMD1(A1,B1)",     // one-cell ranges
      "kxMD1(A1:B1,B1)",  // a two-cell range is no number
      "kxMG1(1,0.5,0.3,1,TRUE)",
      "kxMD1(4,B1)",  // unstable: the error value
      "kxMMS(2,3,1,0,FALSE,A3,TRUE)",
      "kxMMS(9,4,3,,,,TRUE)",  // missing arguments take their defaults
      "kxMMS(2,0,1)",          // division by zero
      "kxMMSP(1,4,2,10)",
      "kxMMSQ(9,4,3,5,1,TRUE,0.001,TRUE)",
      "kxMMSQ(9,4,3,300)",  // the message box, then the error value
      "INDEX(doArr(\"MSQ\",2,4/3,1,2/3,3),2,4)",
      "INDEX(doArr(\"MMS\",0.5,1,1,1,0),60001,1)",
      "doArr(\"other\",1,1,1)",
      "kxBDI(A1:A3,A1:A3)",  // not available yet
      "kxMMS(1)",            // an argument not optional
  };
  for (const char* formula : formulas) {
    SCOPED_TRACE(formula);
    const auto expected = local.engine().evaluate(formula);
    const auto through_server = remote.engine().evaluate(formula);
    EXPECT_EQ(through_server.value, expected.value);
    ASSERT_EQ(through_server.failure.has_value(), expected.failure.has_value());
    if (expected.failure) {
      EXPECT_EQ(through_server.failure->number, expected.failure->number);
      EXPECT_EQ(through_server.failure->message, expected.failure->message);
    }
  }
  EXPECT_EQ(remote.application().last_message(), local.application().last_message());
  EXPECT_NE(remote.application().last_message(), "");
}

TEST_F(ServerTest, PublicVariablesAndTextsThroughTheServer) {
  host::set_addin_language(local.application(), "GER");
  host::set_addin_language(remote.application(), "GER");
  for (const char* formula : {"kxMMSQ(9,4,3,5)", "kxMD1(1,0.5)"}) {
    local.engine().evaluate(formula);
    remote.engine().evaluate(formula);
  }
  const kx::ObjectRef local_main = create_object("Main");
  kx::Object& remote_main = *remote.engine().functions().find("kxMD1")->object;
  kx::Object& in_process = *local.engine().functions().find("kxMD1")->object;
  for (const char* variable : {"P0", "Pw", "Pb", "xlErrValue"}) {
    SCOPED_TRACE(variable);
    EXPECT_EQ(kx::get_property(remote_main, variable), kx::get_property(in_process, variable));
  }
  const Value tools = kx::get_property(remote_main, "Tools");
  ASSERT_TRUE(tools.is_object());
  EXPECT_EQ(kx::get_property(remote_main, "Tools"), tools);  // one proxy per server object
  const Value local_tools = kx::get_property(in_process, "Tools");
  for (std::int32_t row : {1, 5, 40}) {
    std::vector<Value> arguments = {Value(0), Value(row)};
    std::vector<Value> same = arguments;
    EXPECT_EQ(kx::call_by_name(*tools.object(), "GetMLText", arguments),
              kx::call_by_name(*local_tools.object(), "GetMLText", same));
  }
}

TEST(ServerValues, EveryKindOfValueCrossesTheWireIntact) {
  auto connection = start_server();
  const kx::ObjectRef main = connection->create_object("Main");
  auto book = host::Book::create("values");
  auto sheet = book->add_sheet("Data");
  sheet->set_value(3, 2, 1.5);
  sheet->set_value(3, 3, "text");
  sheet->set_value(4, 2, true);
  sheet->set_value(4, 3, Value(kx::ErrorValue{kx::error::kXlNA}));

  kx::Array two_dimensions(2, 3, 0, 5);
  two_dimensions.at(0, 0) = 1.0;
  two_dimensions.at(1, 2) = Value(kx::ErrorValue{7});
  const Value values[] = {
      Value(),
      Value(0.1 + 0.2),
      Value(-0.0),
      Value(std::numeric_limits<double>::denorm_min()),
      Value(std::numeric_limits<double>::max()),
      Value(1.0 / 3),
      Value("ünïcode \"quoted\"\nline"),
      Value(true),
      Value(kx::ErrorValue{2015}),
      Value::missing(),
      Value(kx::Array::vector({Value(1.0), Value("a"), Value()}, 1)),
      Value(kx::Array::vector(0)),
      Value(two_dimensions),
  };
  for (const Value& value : values) {
    SCOPED_TRACE(static_cast<int>(value.kind()));
    kx::set_property(*main, "P0", value);
    const Value back = kx::get_property(*main, "P0");
    EXPECT_EQ(back, value);
    if (value.is_number()) {
      EXPECT_EQ(std::signbit(back.number()), std::signbit(value.number()));
    }
    if (value.is_array()) {
      EXPECT_EQ(back.array().dimensions(), value.array().dimensions());
      EXPECT_EQ(back.array().lower_bound(2), value.array().lower_bound(2));
    }
  }

  // A range travels by value: its place, address, geometry and cells.
  kx::set_property(*main, "Pw", Value(sheet->range("B3:C4")));
  const Value range = kx::get_property(*main, "Pw");
  ASSERT_TRUE(range.is_range());
  EXPECT_EQ(range.range()->address(), "$B$3:$C$4");
  EXPECT_EQ(range.range()->row(), 3);
  EXPECT_EQ(range.range()->column(), 2);
  EXPECT_EQ(range.range()->row_count(), 2);
  EXPECT_EQ(range.range()->count(), 4);
  EXPECT_EQ(range.range()->cells(1, 2)->value(), Value("text"));
  EXPECT_EQ(range.range()->cells(2, 2)->value(), Value(kx::ErrorValue{kx::error::kXlNA}));
  EXPECT_EQ(range.range()->columns(1)->value(), sheet->range("B3:B4")->value());
  EXPECT_EQ(range.range()->cells(1, 2)->address(), "$C$3");
  EXPECT_THROW(range.range()->cells(3, 1), kx::Failure);  // outside the cells sent
}

TEST(ServerRobustness, BadMessagesGetErrorsAndTheNextRequestIsServed) {
  struct NoHost : server::HostLink {
    Json request(std::string_view, Json) override { throw kx::Failure(kx::error::kHostFailure, "no host"); }
  } no_host;
  server::RequestHandler handler(no_host);
  ASSERT_TRUE(handler.handle_line(R"({"jsonrpc":"2.0","id":0,"method":"create","params":{"class":"Main"}})"));
  ASSERT_TRUE(handler.handle_line(
      R"({"jsonrpc":"2.0","id":0,"method":"set","params":{"object":1,"name":"Application","value":{"application":true}}})"));
  const std::string deep = std::string(100, '[') + std::string(100, ']');
  const struct {
    std::string line;
    int code;
    std::int32_t number;
  } cases[] = {
      {"{not json", protocol::code::kParseError, 0},
      {deep, protocol::code::kParseError, 0},
      {R"([{"jsonrpc":"2.0","id":1,"method":"create"}])", protocol::code::kInvalidRequest, 0},
      {R"({"id":1,"method":"create","params":{"class":"Main"}})", protocol::code::kInvalidRequest, 0},
      {R"({"jsonrpc":"2.0","id":1,"method":"launch","params":{}})", protocol::code::kMethodNotFound, 0},
      {R"({"jsonrpc":"2.0","id":1,"method":"create","params":{"class":"Spreadsheet"}})", protocol::code::kInvalidParams,
       0},
      {R"({"jsonrpc":"2.0","id":1,"method":"call","params":{"object":99,"name":"kxMD1"}})",
       protocol::code::kInvalidParams, 0},
      {R"({"jsonrpc":"2.0","id":1,"method":"call","params":{"object":1,"name":"kxMD1","arguments":[{"what":1}]}})",
       protocol::code::kInvalidParams, 0},
      {R"({"jsonrpc":"2.0","id":1,"method":"call","params":{"object":1,"name":"kxMD1","arguments":[{"array":[[1],[1,2]]}]}})",
       protocol::code::kInvalidParams, 0},
      {R"({"jsonrpc":"2.0","id":1,"method":"call","params":{"object":1,"name":"kxNONE","arguments":[]}})",
       protocol::code::kCallFailed, kx::error::kNoSuchMember},
      {R"({"jsonrpc":"2.0","id":1,"method":"call","params":{"object":1,"name":"kxDHMS","arguments":[1,2]}})",
       protocol::code::kCallFailed, kx::error::kWrongArgumentCount},
      {R"({"jsonrpc":"2.0","id":1,"method":"call","params":{"object":1,"name":"kxMMS","arguments":["x",1,1]}})",
       protocol::code::kCallFailed, kx::error::kTypeMismatch},
      {R"({"jsonrpc":"2.0","id":1,"method":"call","params":{"object":1,"name":"kxMMS","arguments":[2,3,1]}})",
       protocol::code::kCallFailed, kx::error::kHostFailure},  // Fact needs the host
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line.substr(0, 60));
    const auto answer = handler.handle_line(c.line);
    ASSERT_TRUE(answer.has_value());
    const Json response = Json::parse(*answer);
    EXPECT_EQ(response.at("error").at("code"), c.code);
    if (c.number != 0) {
      EXPECT_EQ(response.at("error").at("data").at("number"), c.number);
    }
    const auto next = handler.handle_line(
        R"({"jsonrpc":"2.0","id":"next","method":"call","params":{"object":1,"name":"kxDHMS","arguments":[5.5]}})");
    EXPECT_EQ(Json::parse(*next).at("result").at("value"), "05:30:00");
  }
  // A notification is carried out and never answered, even when it fails.
  EXPECT_FALSE(handler.handle_line(R"({"jsonrpc":"2.0","method":"call","params":{"object":1,"name":"kxNONE"}})"));
}

TEST(ServerRobustness, AnOversizedMessageIsRefusedAndTheServerGoesOn) {
  protocol::Json huge = {{"jsonrpc", "2.0"}, {"id", 1}, {"method", "create"}};
  int to_server[2];
  int from_server[2];
  ASSERT_EQ(::pipe(to_server), 0);
  ASSERT_EQ(::pipe(from_server), 0);
  protocol::LineChannel writer(from_server[0], to_server[1], 1 << 20);
  protocol::LineChannel reader(to_server[0], from_server[1], 16);
  writer.write_line(std::string(40, 'x'));
  writer.write_line("short");
  std::string line;
  EXPECT_EQ(reader.read_line(line), protocol::LineChannel::Read::TooLong);
  EXPECT_EQ(reader.read_line(line), protocol::LineChannel::Read::Line);
  EXPECT_EQ(line, "short");
  for (int fd : {to_server[0], to_server[1], from_server[0], from_server[1]}) ::close(fd);
}

TEST(ServerRobustness, ACallToADeadServerFailsInsteadOfHanging) {
  auto connection = start_server();
  const kx::ObjectRef main = connection->create_object("Main");
  std::vector<Value> arguments = {Value(2.0)};
  EXPECT_EQ(kx::call_by_name(*main, "kxDHMS", arguments), Value("02:00:00"));
  ::kill(connection->server_process(), SIGKILL);
  try {
    kx::call_by_name(*main, "kxDHMS", arguments);
    ADD_FAILURE() << "no failure";
  } catch (const kx::Failure& failure) {
    EXPECT_EQ(failure.number(), kx::error::kServerUnavailable);
    EXPECT_NE(std::string(failure.what()).find("signal 9"), std::string::npos) << failure.what();
  }
}

TEST(ServerExample, ThePythonClientGetsTheInProcessResults) {
  const std::string command = std::string("python3 ") + KX_SOURCE_DIR + "/examples/mktfn_client.py " + KX_MKTFN_SERVER;
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[4096];
  while (std::size_t count = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, count);
  ASSERT_EQ(::pclose(pipe), 0) << output;

  // Numbers are printed with the digits that read back to the same double.
  std::vector<std::string> lines;
  for (std::size_t begin = 0, end; (end = output.find('\n', begin)) != std::string::npos; begin = end + 1)
    lines.push_back(output.substr(begin, end - begin));
  auto main = create_object("Main");
  kx::set_property(*main, "xlErrValue", Value(2015));
  std::vector<std::pair<std::string, Value>> expected;
  for (double hours : {30.0, 5.5, 0.25}) {
    std::vector<Value> arguments = {Value(hours)};
    expected.emplace_back("kxDHMS(" + kx::format_general(hours) + ")", kx::call_by_name(*main, "kxDHMS", arguments));
  }
  kx::set_property(*main, "Application", Value(kx::ObjectRef(host::Spreadsheet::create())));
  std::vector<Value> arguments = {Value(2), Value(3), Value(1)};
  const Value table = kx::call_by_name(*main, "kxMMS", arguments);
  for (std::size_t row = 0; row < table.array().rows(); ++row)
    expected.emplace_back("kxMMS(2,3,1)\t" + table.array().at(row, 0).text(), table.array().at(row, 1));
  expected.emplace_back("kxMMS(3,3,1)", Value("#ERR(2015)"));
  ASSERT_EQ(lines.size(), expected.size()) << output;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i]);
    const std::size_t tab = lines[i].rfind('\t');
    EXPECT_EQ(lines[i].substr(0, tab), expected[i].first);
    const std::string shown = lines[i].substr(tab + 1);
    if (expected[i].second.is_number()) {
      EXPECT_EQ(std::stod(shown), expected[i].second.number());
    } else {
      EXPECT_EQ(shown, expected[i].second.text());
    }
  }
}

}  // namespace
}  // namespace mktfn
