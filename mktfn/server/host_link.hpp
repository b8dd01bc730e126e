// The server's way back to its client: requests for the host operations the worksheet functions
// use (worksheet functions, cells of the add-in workbook, the message box), answered by the client.
#pragma once

#include <string_view>

#include "mktfn/protocol/messages.hpp"

namespace mktfn::server {

class HostLink {
 public:
  virtual ~HostLink() = default;
  // Sends a request to the client and waits for its answer: the result, or a kx::Failure
  // carrying the error number the client's host raised.
  virtual protocol::Json request(std::string_view method, protocol::Json params) = 0;
};

}  // namespace mktfn::server
