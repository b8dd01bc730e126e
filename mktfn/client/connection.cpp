#include "mktfn/client/connection.hpp"

#include <fcntl.h>
#include <fmt/format.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <new>
#include <thread>
#include <vector>

#include "common/automation/dispatch.hpp"
#include "common/reporting.hpp"
#include "mktfn/client/remote_object.hpp"

extern char** environ;

namespace mktfn::client {

using protocol::Json;

std::shared_ptr<Connection> Connection::start(const std::string& program, std::chrono::milliseconds silence_limit) {
  std::signal(SIGPIPE, SIG_IGN);
  int to_server[2];
  int from_server[2];
  if (::pipe2(to_server, O_CLOEXEC) != 0) throw kx::Failure(kx::error::kServerUnavailable, std::strerror(errno));
  if (::pipe2(from_server, O_CLOEXEC) != 0) {
    ::close(to_server[0]);
    ::close(to_server[1]);
    throw kx::Failure(kx::error::kServerUnavailable, std::strerror(errno));
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, to_server[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, from_server[1], STDOUT_FILENO);
  std::vector<char*> arguments = {const_cast<char*>(program.c_str()), nullptr};
  pid_t server = 0;
  const int spawned = ::posix_spawn(&server, program.c_str(), &actions, nullptr, arguments.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(to_server[0]);
  ::close(from_server[1]);
  if (spawned != 0) {
    ::close(to_server[1]);
    ::close(from_server[0]);
    throw kx::Failure(kx::error::kServerUnavailable,
                      "Cannot start the mktfn server " + program + ": " + std::strerror(spawned));
  }
  return std::shared_ptr<Connection>(new Connection(server, to_server[1], from_server[0], silence_limit));
}

Connection::Connection(pid_t server, int to_server, int from_server, std::chrono::milliseconds silence_limit)
    : server_(server),
      to_server_(to_server),
      from_server_(from_server),
      channel_(from_server, to_server, protocol::kMaxMessageBytes),
      silence_limit_(silence_limit) {
  codec_.encode = [this](const kx::ObjectRef& object) { return encode_object(object); };
  codec_.decode = [this](const Json& marker) { return decode_object(marker); };
}

Connection::~Connection() {
  // Closing its input tells the server its client is gone; one that does not end soon is stopped.
  ::close(to_server_);
  ::close(from_server_);
  if (server_ <= 0) return;
  for (int waited = 0; waited < 200; ++waited) {
    if (::waitpid(server_, nullptr, WNOHANG) != 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(server_, SIGKILL);
  ::waitpid(server_, nullptr, 0);
}

void Connection::server_silent() {
  gone_ = true;
  gone_because_ = fmt::format("The mktfn server sent no answer for {} seconds and was stopped",
                              std::chrono::duration<double>(silence_limit_).count());
  if (server_ > 0) {
    ::kill(server_, SIGKILL);
    ::waitpid(server_, nullptr, 0);
    server_ = -1;
  }
  throw kx::Failure(kx::error::kServerUnavailable, gone_because_ + "; the call cannot be completed");
}

void Connection::server_gone() {
  if (!gone_because_.empty())
    throw kx::Failure(kx::error::kServerUnavailable, gone_because_ + "; the call cannot be completed");
  gone_ = true;
  int status = 0;
  std::string how = "ended";
  // Its end of the pipe closes as it exits; give it a moment to be reaped, to say how it ended.
  for (int waited = 0; waited < 100 && server_ > 0; ++waited) {
    if (::waitpid(server_, &status, WNOHANG) == server_) {
      if (WIFEXITED(status)) how = "ended with exit status " + std::to_string(WEXITSTATUS(status));
      if (WIFSIGNALED(status)) how = "was killed by signal " + std::to_string(WTERMSIG(status));
      server_ = -1;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  throw kx::Failure(kx::error::kServerUnavailable, "The mktfn server " + how + "; the call cannot be completed");
}

void Connection::notify(std::string_view method, Json params) {
  if (gone_) return;
  Json message{{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
  try {
    channel_.write_line(protocol::dump_message(message));
  } catch (const std::exception&) {
    gone_ = true;
  }
}

Json Connection::request(std::string_view method, Json params) {
  if (gone_) server_gone();
  const Json id = next_request_++;
  try {
    channel_.write_line(protocol::dump_message(protocol::request(id, method, std::move(params))));
  } catch (const std::exception&) {
    server_gone();
  }
  auto deadline = std::chrono::steady_clock::now() + silence_limit_;
  for (;;) {
    const Json message = read_message(deadline);
    if (message.contains("method")) {
      // The server asks the host for something before it can answer.
      const Json request_id = message.value("id", Json());
      Json response;
      try {
        response = protocol::result_response(
            request_id, answer_host_request(message.at("method").get<std::string>(), message.value("params", Json())));
      } catch (const kx::Failure& failure) {
        response = protocol::error_response(request_id, protocol::code::kCallFailed, failure.what(),
                                            {{"number", failure.number()}});
      } catch (const std::exception& caught) {
        response = protocol::error_response(request_id, protocol::code::kCallFailed, caught.what(),
                                            {{"number", kx::failure_number_of(caught)}});
      }
      try {
        channel_.write_line(protocol::dump_message(response));
      } catch (const std::exception&) {
        server_gone();
      }
      // The server is working, not silent; the host's own time (a message box read) is not its.
      deadline = std::chrono::steady_clock::now() + silence_limit_;
      continue;
    }
    if (message.value("id", Json()) != id) continue;  // an answer to a request no longer waited for
    if (const auto error = message.find("error"); error != message.end()) throw protocol::failure_of_error(*error);
    return message.value("result", Json());
  }
}

Json Connection::read_message(protocol::LineChannel::Deadline deadline) {
  std::string line;
  switch (channel_.read_line(line, deadline)) {
    case protocol::LineChannel::Read::Line: break;
    case protocol::LineChannel::Read::TimedOut: server_silent();
    case protocol::LineChannel::Read::End: server_gone();
    case protocol::LineChannel::Read::TooLong:
      throw kx::Failure(kx::error::kHostFailure, fmt::format("The mktfn server sent a message longer than {} bytes",
                                                             protocol::kMaxMessageBytes));
  }
  try {
    Json message = protocol::parse_message(line);
    if (!message.is_object()) throw protocol::ProtocolError(protocol::code::kInvalidRequest, "not a JSON object");
    return message;
  } catch (const protocol::ProtocolError& error) {
    throw kx::Failure(kx::error::kHostFailure,
                      std::string("The mktfn server sent a message the client cannot read: ") + error.what());
  } catch (const std::bad_alloc&) {
    throw kx::Failure(kx::error::kOutOfMemory, "Out of memory reading the mktfn server's message");
  }
}

Json Connection::answer_host_request(const std::string& method, const Json& params) {
  if (!application_)
    throw kx::Failure(kx::error::kObjectNotSet, "The server asked for the host before any Application was set");
  if (method == "host.call") {
    const auto fn = kx::find_worksheet_fn(protocol::text_field(params, "function"));
    if (!fn) throw kx::Failure(kx::error::kNoSuchMember, "The host has no worksheet function of that name");
    std::vector<kx::Value> arguments;
    for (const Json& argument : protocol::field(params, "arguments"))
      arguments.push_back(protocol::from_json(argument, codec_));
    const bool raising = params.value("raising", false);
    const kx::Value result =
        raising ? application_->worksheet_function()->call(*fn, arguments) : application_->call(*fn, arguments);
    return protocol::to_json(result, codec_);
  }
  if (method == "host.range") {
    auto sheet = application_->workbook(protocol::text_field(params, "workbook"))
                     ->worksheet(protocol::text_field(params, "sheet"));
    const kx::RangeRef range = params.contains("address")
                                   ? sheet->range(protocol::text_field(params, "address"))
                                   : sheet->cells(static_cast<std::int32_t>(protocol::integer_field(params, "row")),
                                                  static_cast<std::int32_t>(protocol::integer_field(params, "column")));
    return protocol::to_json(kx::Value(range), codec_);
  }
  if (method == "host.message") {
    application_->show_message(protocol::text_field(params, "text"));
    return nullptr;
  }
  if (method == "host.status_bar") {
    if (params.contains("text")) {
      application_->set_status_bar(protocol::text_field(params, "text"));
      return nullptr;
    }
    return application_->status_bar();
  }
  if (method == "host.volatile") {
    application_->mark_volatile();
    return nullptr;
  }
  throw kx::Failure(kx::error::kNoSuchMember, "The host has no operation named " + method);
}

kx::ObjectRef Connection::create_object(std::string_view class_name) {
  const kx::Value object = protocol::from_json(request("create", {{"class", class_name}}), codec_);
  return object.object();
}

Json Connection::encode_object(const kx::ObjectRef& object) {
  if (auto remote = std::dynamic_pointer_cast<RemoteObject>(object); remote && &remote->connection() == this)
    return Json{{"object", remote->handle()}};
  if (auto application = std::dynamic_pointer_cast<kx::Application>(object)) {
    // The server calls back the application it was given last.
    application_ = application;
    return Json{{"application", true}, {"decimal_separator", std::string(1, application->decimal_separator())}};
  }
  if (auto workbook = std::dynamic_pointer_cast<kx::Workbook>(object)) return Json{{"workbook", workbook->name()}};
  throw kx::Failure(kx::error::kTypeMismatch, "Type mismatch: this object cannot be passed to the mktfn server");
}

kx::Value Connection::decode_object(const Json& marker) {
  if (marker.contains("application")) {
    if (!application_) throw kx::Failure(kx::error::kObjectNotSet, "No application was given to the server");
    return kx::Value(kx::ObjectRef(application_));
  }
  if (marker.contains("workbook")) {
    if (!application_) throw kx::Failure(kx::error::kObjectNotSet, "No application was given to the server");
    return kx::Value(kx::ObjectRef(application_->workbook(protocol::text_field(marker, "workbook"))));
  }
  const std::int64_t handle = protocol::integer_field(marker, "object");
  if (auto known = proxies_[handle].lock()) return kx::Value(known);
  auto proxy = RemoteObject::create(shared_from_this(), handle, protocol::text_field(marker, "class"));
  proxies_[handle] = proxy;
  return kx::Value(kx::ObjectRef(proxy));
}

}  // namespace mktfn::client
