#include "mktfn/server/stdio_server.hpp"

#include <exception>
#include <new>
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
    try {
      response = handler_.handle_line(line);
    } catch (const std::bad_alloc&) {
      response = protocol::dump_message(protocol::error_response(
          nullptr, protocol::code::kInternalError, "Out of memory: the message needs more memory than the server has",
          {{"number", kx::error::kOutOfMemory}}));
    }
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

Json StdioServer::result_of(const Json& answer) {
  if (const auto error = answer.find("error"); error != answer.end()) throw protocol::failure_of_error(*error);
  return answer.value("result", Json());
}

Json StdioServer::request(std::string_view method, Json params) {
  const std::string id = "server-" + std::to_string(next_request_++);
  try {
    channel_.write_line(protocol::dump_message(protocol::request(id, method, std::move(params))));
  } catch (const std::exception&) {
    throw kx::Failure(kx::error::kServerUnavailable, "The client of the mktfn server is gone");
  }
  waiting_.insert(id);
  struct Done {
    StdioServer& server;
    const std::string& id;
    ~Done() {
      server.waiting_.erase(id);
      server.early_answers_.erase(id);
    }
  } done{*this, id};

  std::string line;
  for (;;) {
    // Pipelined calls nest: the answer to this request may have come while an inner call waited.
    if (const auto early = early_answers_.find(id); early != early_answers_.end()) return result_of(early->second);
    const LineChannel::Read read = channel_.read_line(line);
    if (read == LineChannel::Read::End)
      throw kx::Failure(kx::error::kServerUnavailable, "The client of the mktfn server is gone");
    Json message;
    if (read == LineChannel::Read::Line) {
      try {
        message = protocol::parse_message(line);
      } catch (const std::exception&) {
        // Not an answer: answer() below tells the client what is wrong with it.
      }
    }
    std::string answered;  // the id of a waiting request of ours that this line answers
    if (message.is_object() && !message.contains("method")) {
      const auto found = message.find("id");
      if (found != message.end() && found->is_string() && waiting_.contains(found->get<std::string>()))
        answered = found->get<std::string>();
    }
    if (answered.empty()) {
      // While it waits, the server serves the client's own requests, one apartment thread as ever.
      if (!answer(read, line))
        throw kx::Failure(kx::error::kServerUnavailable, "The client of the mktfn server is gone");
      continue;
    }
    if (answered == id) return result_of(message);
    early_answers_.emplace(std::move(answered), std::move(message));
  }
}

}  // namespace mktfn::server
