// The wire of the mktfn server: JSON-RPC 2.0 messages, one per line, and the error codes both
// sides use. docs/mktfn-protocol.md describes it for programs in any language.
#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>

#include "common/failure.hpp"

namespace mktfn::protocol {

using Json = nlohmann::json;

// A message longer than this is refused unread, so that no message can exhaust memory.
inline constexpr std::size_t kMaxMessageBytes = 64u << 20;
// Deeper nesting than any value needs (an array of arrays inside a range inside params).
inline constexpr std::size_t kMaxNesting = 32;
// Values (numbers, texts, lists, objects, ...) one message may hold: two full worksheet columns.
// Each costs the parsed message and its cell values some hundred bytes however short its text,
// so the count, not the length, bounds a message's memory.
inline constexpr std::size_t kMaxValues = std::size_t{1} << 21;
// Calls the client sends while the server waits for its host nest inside the waiting call; each
// level costs the server stack, so a call deeper than this is refused.
inline constexpr int kMaxNestedCalls = 64;

namespace code {
inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kInternalError = -32603;
// A call that failed as it would in-process: data.number holds the run-time error number.
inline constexpr int kCallFailed = -32000;
}  // namespace code

// A message that breaks the protocol; answered with its code, never fatal. `id` is the message's
// id where it could be read.
class ProtocolError : public std::runtime_error {
 public:
  ProtocolError(int code, const std::string& message, Json id = nullptr)
      : std::runtime_error(message), code_(code), id_(std::move(id)) {}
  int code() const noexcept { return code_; }
  const Json& id() const noexcept { return id_; }

 private:
  int code_;
  Json id_;
};

// Parses one message, refusing nesting deeper than kMaxNesting (a parse error) and more than
// kMaxValues values (an invalid request) before it builds anything; raises ProtocolError.
Json parse_message(std::string_view text);
// The message as one line: no raw line breaks, invalid UTF-8 replaced.
std::string dump_message(const Json& message);

Json request(const Json& id, std::string_view method, Json params);
Json result_response(const Json& id, Json result);
Json error_response(const Json& id, int code, std::string_view message, Json data = nullptr);

// The failure an error response reports: its data.number, else a host failure, with its message.
kx::Failure failure_of_error(const Json& error);

// The member of an object that must be there, of the kind asked for; ProtocolError (invalid
// params) otherwise.
const Json& field(const Json& object, std::string_view name);
std::string text_field(const Json& object, std::string_view name);
std::int64_t integer_field(const Json& object, std::string_view name);

}  // namespace mktfn::protocol
