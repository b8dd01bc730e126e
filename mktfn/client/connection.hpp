// The C++ client of the mktfn server: starts the server program, and gives its objects the same
// call interface as the in-process library (kx::call_by_name, kx::get_property, ...). While a
// call waits, the connection answers the server's requests for the host with the application
// that was given to a Main object's Application.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "common/host_services.hpp"
#include "common/object.hpp"
#include "mktfn/protocol/line_channel.hpp"
#include "mktfn/protocol/value_json.hpp"

namespace mktfn::client {

class Connection : public std::enable_shared_from_this<Connection> {
 public:
  // A call fails when the server sends nothing for this long: neither its answer nor a request
  // for the host. The server is then stopped and every later call fails at once.
  static constexpr std::chrono::milliseconds kDefaultSilenceLimit{5000};

  // Starts `program` (the mktfn server) with its standard input and output connected here.
  // Writing to a server that has gone must not kill the client: SIGPIPE is ignored from then on.
  static std::shared_ptr<Connection> start(const std::string& program,
                                           std::chrono::milliseconds silence_limit = kDefaultSilenceLimit);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // A new object of a public class of the server ("Main", "Tools"), published with the same
  // interface as in-process.
  kx::ObjectRef create_object(std::string_view class_name);

  // One request and its result; the server's failures come back as kx::Failure with their
  // number, a server that is gone or silent as failure 462, a message it cannot read as 1004.
  protocol::Json request(std::string_view method, protocol::Json params);
  // A request without an answer.
  void notify(std::string_view method, protocol::Json params);

  const protocol::ObjectCodec& codec() const { return codec_; }
  pid_t server_process() const { return server_; }

 private:
  Connection(pid_t server, int to_server, int from_server, std::chrono::milliseconds silence_limit);
  protocol::Json answer_host_request(const std::string& method, const protocol::Json& params);
  [[noreturn]] void server_gone();
  [[noreturn]] void server_silent();
  protocol::Json read_message(protocol::LineChannel::Deadline deadline);
  protocol::Json encode_object(const kx::ObjectRef& object);
  kx::Value decode_object(const protocol::Json& marker);

  pid_t server_;
  int to_server_;
  int from_server_;
  protocol::LineChannel channel_;
  protocol::ObjectCodec codec_;
  std::shared_ptr<kx::Application> application_;  // the host the server calls back
  std::unordered_map<std::int64_t, std::weak_ptr<kx::Object>> proxies_;
  std::int64_t next_request_ = 1;
  std::chrono::milliseconds silence_limit_;
  bool gone_ = false;
  std::string gone_because_;  // why a server still running is no longer used
};

}  // namespace mktfn::client
