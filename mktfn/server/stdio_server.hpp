// The server's loop: requests from the client on one descriptor, answers on another, and the
// server's own requests to the client on the same pair while a call waits for the host.
#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>

#include "mktfn/protocol/line_channel.hpp"
#include "mktfn/server/host_link.hpp"
#include "mktfn/server/request_handler.hpp"

namespace mktfn::server {

class StdioServer : public HostLink {
 public:
  StdioServer(int input, int output);

  // Serves until the client closes its end; returns the exit status.
  int run();

  protocol::Json request(std::string_view method, protocol::Json params) override;

 private:
  // Answers one line from the client; false when the answer cannot be written.
  bool answer(protocol::LineChannel::Read read, const std::string& line);
  protocol::Json result_of(const protocol::Json& answer);

  protocol::LineChannel channel_;
  RequestHandler handler_;
  std::int64_t next_request_ = 1;
  // Requests to the client still waiting, innermost last, and the answers that came for an outer
  // one while an inner call (a request the client sent meanwhile) waited for its own.
  std::unordered_set<std::string> waiting_;
  std::unordered_map<std::string, protocol::Json> early_answers_;
};

}  // namespace mktfn::server
