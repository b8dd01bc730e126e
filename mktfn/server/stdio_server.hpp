// The server's loop: requests from the client on one descriptor, answers on another, and the
// server's own requests to the client on the same pair while a call waits for the host.
#pragma once

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

  protocol::LineChannel channel_;
  RequestHandler handler_;
  std::int64_t next_request_ = 1;
};

}  // namespace mktfn::server
