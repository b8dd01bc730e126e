#include "mktfn/protocol/messages.hpp"

namespace mktfn::protocol {
namespace {

struct TooDeep {};

}  // namespace

Json parse_message(std::string_view text) {
  const nlohmann::json::parser_callback_t limit_depth = [](int depth, Json::parse_event_t, Json&) {
    if (static_cast<std::size_t>(depth) > kMaxNesting) throw TooDeep{};
    return true;
  };
  try {
    return Json::parse(text, limit_depth);
  } catch (const TooDeep&) {
    throw ProtocolError(code::kParseError, "The message nests deeper than " + std::to_string(kMaxNesting) + " levels");
  } catch (const Json::exception& error) {
    throw ProtocolError(code::kParseError, std::string("The message is no JSON: ") + error.what());
  }
}

std::string dump_message(const Json& message) { return message.dump(-1, ' ', false, Json::error_handler_t::replace); }

Json request(const Json& id, std::string_view method, Json params) {
  return Json{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}};
}

Json result_response(const Json& id, Json result) {
  return Json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}};
}

Json error_response(const Json& id, int code, std::string_view message, Json data) {
  Json error{{"code", code}, {"message", message}};
  if (!data.is_null()) error["data"] = std::move(data);
  return Json{{"jsonrpc", "2.0"}, {"id", id}, {"error", std::move(error)}};
}

kx::Failure failure_of_error(const Json& error) {
  std::int32_t number = kx::error::kHostFailure;
  std::string message = "The other side failed without a reason";
  if (error.is_object()) {
    if (const auto text = error.find("message"); text != error.end() && text->is_string())
      message = text->get<std::string>();
    if (const auto data = error.find("data"); data != error.end() && data->is_object()) {
      if (const auto found = data->find("number"); found != data->end() && found->is_number_integer()) {
        const auto value = found->get<std::int64_t>();
        if (value >= INT32_MIN && value <= INT32_MAX) number = static_cast<std::int32_t>(value);
      }
    }
  }
  return kx::Failure(number, message);
}

const Json& field(const Json& object, std::string_view name) {
  if (!object.is_object()) throw ProtocolError(code::kInvalidParams, "The parameters must be a JSON object");
  const auto found = object.find(name);
  if (found == object.end()) throw ProtocolError(code::kInvalidParams, "Missing member \"" + std::string(name) + "\"");
  return *found;
}

std::string text_field(const Json& object, std::string_view name) {
  const Json& value = field(object, name);
  if (!value.is_string()) throw ProtocolError(code::kInvalidParams, "\"" + std::string(name) + "\" must be a string");
  return value.get<std::string>();
}

std::int64_t integer_field(const Json& object, std::string_view name) {
  const Json& value = field(object, name);
  if (!value.is_number_integer())
    throw ProtocolError(code::kInvalidParams, "\"" + std::string(name) + "\" must be a whole number");
  return value.get<std::int64_t>();
}

}  // namespace mktfn::protocol
