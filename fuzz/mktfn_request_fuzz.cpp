// Random messages to the mktfn server's request handler, one per line, as a session: every line
// gets its answer (or none, for a notification), nothing crashes, and afterwards the handler
// still serves a good request. Requests for the host are refused, as by a client without one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/failure.hpp"
#include "mktfn/server/request_handler.hpp"

namespace {

class NoHost : public mktfn::server::HostLink {
 public:
  mktfn::protocol::Json request(std::string_view, mktfn::protocol::Json) override {
    throw kx::Failure(kx::error::kHostFailure, "no host in the fuzzer");
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  NoHost host;
  mktfn::server::RequestHandler handler(host);
  std::string_view session(reinterpret_cast<const char*>(data), size);
  while (!session.empty()) {
    const std::size_t end = session.find('\n');
    handler.handle_line(session.substr(0, end));
    session.remove_prefix(end == std::string_view::npos ? session.size() : end + 1);
  }
  const auto answer = handler.handle_line(R"({"jsonrpc":"2.0","id":1,"method":"create","params":{"class":"Main"}})");
  if (!answer || answer->find("\"result\"") == std::string::npos) std::abort();
  return 0;
}
