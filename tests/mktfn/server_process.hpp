// The mktfn server program driven line by line, as a client in another language drives it: raw
// messages in, raw lines out, every read bounded in time so that a hung server fails a test
// instead of hanging it.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "common/automation/dispatch.hpp"
#include "host/document/spreadsheet.hpp"
#include "mktfn/protocol/messages.hpp"
#include "mktfn/protocol/value_json.hpp"

namespace mktfn::testing {

class ServerProcess {
 public:
  // `address_space` > 0 limits the server's address space to that many bytes.
  explicit ServerProcess(std::size_t address_space = 0) {
    int to_server[2];
    int from_server[2];
    if (::pipe2(to_server, O_CLOEXEC) != 0 || ::pipe2(from_server, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(to_server[0], STDIN_FILENO);
      ::dup2(from_server[1], STDOUT_FILENO);
      if (address_space > 0) {
        const rlimit limit{address_space, address_space};
        ::setrlimit(RLIMIT_AS, &limit);
      }
      ::execl(KX_MKTFN_SERVER, KX_MKTFN_SERVER, static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(to_server[0]);
    ::close(from_server[1]);
    input_ = to_server[1];
    output_ = from_server[0];
  }
  ~ServerProcess() {
    if (input_ >= 0) ::close(input_);
    if (output_ >= 0) ::close(output_);
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  bool send_line(std::string_view line) {
    std::string message(line);
    message += '\n';
    for (std::size_t written = 0; written < message.size();) {
      const ssize_t count = ::write(input_, message.data() + written, message.size() - written);
      if (count <= 0) return false;
      written += static_cast<std::size_t>(count);
    }
    return true;
  }
  bool send(const protocol::Json& message) { return send_line(protocol::dump_message(message)); }

  // The next line; nothing when the server closed its output or said nothing for `patience`.
  std::optional<std::string> read_line(std::chrono::milliseconds patience = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
      if (const auto end = buffer_.find('\n'); end != std::string::npos) {
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        return line;
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd ready{output_, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
      char chunk[1 << 16];
      const ssize_t count = ::read(output_, chunk, sizeof chunk);
      if (count <= 0) return std::nullopt;
      buffer_.append(chunk, static_cast<std::size_t>(count));
    }
  }
  std::optional<protocol::Json> read_message(std::chrono::milliseconds patience = std::chrono::seconds(10)) {
    const auto line = read_line(patience);
    if (!line) return std::nullopt;
    return protocol::Json::parse(*line);
  }

  // Whether the server is still running.
  bool alive() const { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::string buffer_;
};

inline protocol::Json call_request(const protocol::Json& id, std::string_view member, protocol::Json arguments) {
  return protocol::request(id, "call", {{"object", 1}, {"name", member}, {"arguments", std::move(arguments)}});
}

// Creates Main (handle 1) and gives it the client's application, as the add-in starts it.
inline bool start_main(ServerProcess& server) {
  server.send(protocol::request("create", "create", {{"class", "Main"}}));
  server.send(
      protocol::request("app", "set", {{"object", 1}, {"name", "Application"}, {"value", {{"application", true}}}}));
  server.send(protocol::request("err", "set", {{"object", 1}, {"name", "xlErrValue"}, {"value", 2015}}));
  for (int answered = 0; answered < 3; ++answered) {
    const auto answer = server.read_message();
    if (!answer || !answer->contains("result")) return false;
  }
  return true;
}

// The answer of our own host to one of the server's host.call requests.
inline protocol::Json host_answer(const protocol::Json& request) {
  static const auto application = host::Spreadsheet::create();
  const protocol::ObjectCodec no_objects;
  const protocol::Json& params = request.at("params");
  std::vector<kx::Value> arguments;
  for (const protocol::Json& argument : params.at("arguments"))
    arguments.push_back(protocol::from_json(argument, no_objects));
  const auto fn = kx::find_worksheet_fn(params.at("function").get<std::string>());
  return protocol::result_response(request.at("id"), protocol::to_json(application->call(*fn, arguments), no_objects));
}

}  // namespace mktfn::testing
