// Random answers of a mktfn server, one per line, read as the C++ client reads them: the message
// parsed within its limits, an error turned into the failure it reports, a result into a cell
// value, objects decoded by a codec that refuses them. A malformed answer may fail; nothing may
// crash, hang or take memory out of proportion to its size.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string_view>

#include "common/failure.hpp"
#include "mktfn/protocol/messages.hpp"
#include "mktfn/protocol/value_json.hpp"

namespace {

using mktfn::protocol::Json;

void read_answer(std::string_view line, const mktfn::protocol::ObjectCodec& codec) {
  try {
    const Json message = mktfn::protocol::parse_message(line);
    if (!message.is_object()) return;
    if (const auto error = message.find("error"); error != message.end()) {
      (void)mktfn::protocol::failure_of_error(*error);
      return;
    }
    (void)mktfn::protocol::from_json(message.value("result", Json()), codec);
  } catch (const std::exception&) {
    // A failure of the call, as the client reports it; only a crash is a finding.
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const mktfn::protocol::ObjectCodec codec{
      [](const kx::ObjectRef&) -> Json { throw kx::Failure(kx::error::kTypeMismatch, "no objects here"); },
      [](const Json&) -> kx::Value { throw kx::Failure(kx::error::kObjectNotSet, "no objects here"); }};
  std::string_view answers(reinterpret_cast<const char*>(data), size);
  while (!answers.empty()) {
    const std::size_t end = answers.find('\n');
    read_answer(answers.substr(0, end), codec);
    answers.remove_prefix(end == std::string_view::npos ? answers.size() : end + 1);
  }
  return 0;
}
