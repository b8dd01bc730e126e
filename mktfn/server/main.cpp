// mktfn: the marketing component as an out-of-process server. It serves one client over its
// standard input and output (JSON-RPC 2.0, one message per line) and ends when the client goes.
#include <unistd.h>

#include <csignal>

#include "mktfn/server/stdio_server.hpp"

int main() {
  // A client that goes away shows as a failed write, never as a signal.
  std::signal(SIGPIPE, SIG_IGN);
  return mktfn::server::StdioServer(STDIN_FILENO, STDOUT_FILENO).run();
}
