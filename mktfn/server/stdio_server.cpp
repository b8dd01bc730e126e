#include "mktfn/server/stdio_server.hpp"

#include <exception>
#include <string>

#include "common/failure.hpp"

namespace mktfn::server {

using protocol::Json;
using protocol::LineChannel;

StdioServer::StdioServer(int input, int output)
    : channel_(input, output, protocol::kMaxMessageBytes), handler_(*this) {}

bool StdioServer::answer(LineChannel::Read read, const std::string& line) {
  std::optional<std::string> response;
  if (read == LineChannel::Read::TooLong) {
    response = protocol::dump_message(protocol::error_response(
        nullptr, protocol::code::kInvalidRequest,
        "The message is longer than " + std::to_string(protocol::kMaxMessageBytes) + " bytes"));
  } else {
    response = handler_.handle_line(line);
  }
  if (!response) return true;
  try {
    channel_.write_line(*response);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

int StdioServer::run() {
  std::string line;
  for (;;) {
    const LineChannel::Read read = channel_.read_line(line);
    if (read == LineChannel::Read::End) return 0;
    if (!answer(read, line)) return 0;
  }
}

Json StdioServer::request(std::string_view method, Json params) {
  const Json id = "server-" + std::to_string(next_request_++);
  try {
    channel_.write_line(protocol::dump_message(protocol::request(id, method, std::move(params))));
  } catch (const std::exception&) {
    throw kx::Failure(kx::error::kServerUnavailable, "The client of the mktfn server is gone");
  }
  std::string line;
  for (;;) {
    const LineChannel::Read read = channel_.read_line(line);
    if (read == LineChannel::Read::End)
      throw kx::Failure(kx::error::kServerUnavailable, "The client of the mktfn server is gone");
    Json message;
    if (read == LineChannel::Read::Line) {
      try {
        message = protocol::parse_message(line);
      } catch (const protocol::ProtocolError&) {
      }
    }
    const bool is_answer = message.is_object() && !message.contains("method") && message.value("id", Json()) == id;
    if (!is_answer) {
      // While it waits, the server serves the client's own requests, one apartment thread as ever.
      if (!answer(read, line))
        throw kx::Failure(kx::error::kServerUnavailable, "The client of the mktfn server is gone");
      continue;
    }
    if (const auto error = message.find("error"); error != message.end()) throw protocol::failure_of_error(*error);
    return message.value("result", Json());
  }
}

}  // namespace mktfn::server
