// The requests of the mktfn server: create objects, get and set their properties, call their
// members with cell values. Every request gets its answer, bad ones a JSON-RPC error; nothing a
// client sends ends the server.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "common/object.hpp"
#include "mktfn/protocol/value_json.hpp"
#include "mktfn/server/host_link.hpp"
#include "mktfn/server/remote_host.hpp"

namespace mktfn::server {

class RequestHandler {
 public:
  explicit RequestHandler(HostLink& link);

  // The response to one message, or nothing for a notification (a request without an id).
  std::optional<protocol::Json> handle(const protocol::Json& message);
  // The same from the text of a line; a line that is no JSON gets the parse-error response.
  std::optional<std::string> handle_line(std::string_view line);

 private:
  protocol::Json dispatch(const std::string& method, const protocol::Json& params);
  protocol::Json create(const protocol::Json& params);
  protocol::Json call(const protocol::Json& params);
  kx::Object& object_of(const protocol::Json& params);

  protocol::Json encode_object(const kx::ObjectRef& object);
  kx::Value decode_object(const protocol::Json& marker);

  HostLink& link_;
  protocol::ObjectCodec codec_;
  std::shared_ptr<RemoteApplication> application_;  // the client's host, once a request names it
  std::unordered_map<std::int64_t, kx::ObjectRef> objects_;
  std::unordered_map<const kx::Object*, std::int64_t> handles_;
  std::int64_t next_handle_ = 1;
  int depth_ = 0;  // requests being handled: more than one while calls nest inside a host request
};

}  // namespace mktfn::server
