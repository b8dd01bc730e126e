#include "mktfn/server/request_handler.hpp"

#include <exception>
#include <vector>

#include "common/automation/dispatch.hpp"
#include "common/reporting.hpp"
#include "mktfn/frame/classes.hpp"

namespace mktfn::server {

using protocol::Json;
using protocol::ProtocolError;
namespace code = protocol::code;

RequestHandler::RequestHandler(HostLink& link) : link_(link) {
  codec_.encode = [this](const kx::ObjectRef& object) { return encode_object(object); };
  codec_.decode = [this](const Json& marker) { return decode_object(marker); };
}

Json RequestHandler::encode_object(const kx::ObjectRef& object) {
  if (object == application_) return Json{{"application", true}};
  if (auto workbook = std::dynamic_pointer_cast<kx::Workbook>(object)) return Json{{"workbook", workbook->name()}};
  if (const auto found = handles_.find(object.get()); found != handles_.end()) {
    return Json{{"object", found->second}, {"class", object->automation_interface()->class_name()}};
  }
  const std::int64_t handle = next_handle_++;
  objects_.emplace(handle, object);
  handles_.emplace(object.get(), handle);
  const kx::Interface* interface = object->automation_interface();
  return Json{{"object", handle}, {"class", interface ? interface->class_name() : ""}};
}

kx::Value RequestHandler::decode_object(const Json& marker) {
  if (marker.contains("application")) {
    if (!application_) {
      char separator = '.';
      if (const auto found = marker.find("decimal_separator");
          found != marker.end() && found->is_string() && found->get<std::string>().size() == 1)
        separator = found->get<std::string>()[0];
      application_ = std::make_shared<RemoteApplication>(link_, codec_, separator);
    }
    return kx::Value(kx::ObjectRef(application_));
  }
  if (marker.contains("workbook")) {
    if (!application_) decode_object(Json{{"application", true}});
    return kx::Value(kx::ObjectRef(remote_workbook(application_, protocol::text_field(marker, "workbook"))));
  }
  return kx::Value(kx::ObjectRef(object_of(marker).shared_from_this()));
}

kx::Object& RequestHandler::object_of(const Json& params) {
  const auto found = objects_.find(protocol::integer_field(params, "object"));
  if (found == objects_.end()) throw ProtocolError(code::kInvalidParams, "No object has this handle");
  return *found->second;
}

Json RequestHandler::create(const Json& params) {
  const std::string class_name = protocol::text_field(params, "class");
  kx::ObjectRef object = create_object(class_name);
  if (!object) throw ProtocolError(code::kInvalidParams, "mktfn has no class named \"" + class_name + "\"");
  return encode_object(object);
}

Json RequestHandler::call(const Json& params) {
  // Held for the whole call: a request the member's host calls let in may release the handle.
  const kx::ObjectRef object_ref = object_of(params).shared_from_this();
  kx::Object& object = *object_ref;
  const std::string name = protocol::text_field(params, "name");
  const Json& given = params.contains("arguments") ? params.at("arguments") : Json::array();
  if (!given.is_array()) throw ProtocolError(code::kInvalidParams, "\"arguments\" must be a list");
  std::vector<kx::Value> arguments;
  arguments.reserve(given.size());
  for (const Json& argument : given) arguments.push_back(protocol::from_json(argument, codec_));
  const std::vector<kx::Value> before = arguments;

  const kx::Value value = kx::call_by_name(object, name, arguments);
  // Arguments passed by reference come back when the member changed them.
  Json changed = Json::array();
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (!(arguments[i] == before[i])) changed.push_back(Json::array({i, protocol::to_json(arguments[i], codec_)}));
  }
  Json result{{"value", protocol::to_json(value, codec_)}};
  if (!changed.empty()) result["byref"] = std::move(changed);
  return result;
}

Json RequestHandler::dispatch(const std::string& method, const Json& params) {
  if (method == "create") return create(params);
  if (method == "call") return call(params);
  if (method == "get") {
    return protocol::to_json(kx::get_property(object_of(params), protocol::text_field(params, "name")), codec_);
  }
  if (method == "set") {
    kx::Object& object = object_of(params);
    kx::set_property(object, protocol::text_field(params, "name"),
                     protocol::from_json(protocol::field(params, "value"), codec_));
    return nullptr;
  }
  if (method == "release") {
    const auto found = objects_.find(protocol::integer_field(params, "object"));
    if (found != objects_.end()) {
      handles_.erase(found->second.get());
      objects_.erase(found);
    }
    return nullptr;
  }
  throw ProtocolError(code::kMethodNotFound, "No method named \"" + method + "\"");
}

std::optional<Json> RequestHandler::handle(const Json& message) {
  const bool has_id = message.is_object() && message.contains("id");
  const bool id_allowed = has_id && (message.at("id").is_string() || message.at("id").is_number());
  const Json id = id_allowed ? message.at("id") : Json();
  // A well-formed request without an id is a notification: it is carried out, never answered.
  const bool notification = !has_id && message.is_object() && message.contains("method");
  try {
    if (!message.is_object() || message.value("jsonrpc", "") != "2.0" || !message.contains("method") ||
        !message.at("method").is_string() || (has_id && !id_allowed && !message.at("id").is_null())) {
      throw ProtocolError(code::kInvalidRequest, "Not a JSON-RPC 2.0 request");
    }
    ++depth_;
    const struct Leave {
      int& depth;
      ~Leave() { --depth; }
    } leave{depth_};
    if (depth_ > protocol::kMaxNestedCalls) {
      throw kx::Failure(kx::error::kOutOfStackSpace, "Out of stack space: calls nest more than " +
                                                         std::to_string(protocol::kMaxNestedCalls) +
                                                         " levels deep inside the server's requests to its client");
    }
    const Json params = message.contains("params") ? message.at("params") : Json::object();
    Json result = dispatch(message.at("method").get<std::string>(), params);
    if (!has_id) return std::nullopt;
    return protocol::result_response(id, std::move(result));
  } catch (const ProtocolError& error) {
    if (notification) return std::nullopt;
    return protocol::error_response(id, error.code(), error.what());
  } catch (const kx::Failure& failure) {
    if (notification) return std::nullopt;
    return protocol::error_response(id, code::kCallFailed, failure.what(), {{"number", failure.number()}});
  } catch (const std::exception& caught) {
    if (notification) return std::nullopt;
    return protocol::error_response(id, code::kCallFailed, caught.what(), {{"number", kx::failure_number_of(caught)}});
  }
}

std::optional<std::string> RequestHandler::handle_line(std::string_view line) {
  std::optional<Json> response;
  try {
    response = handle(protocol::parse_message(line));
  } catch (const ProtocolError& error) {
    response = protocol::error_response(error.id(), error.code(), error.what());
  }
  if (!response) return std::nullopt;
  return protocol::dump_message(*response);
}

}  // namespace mktfn::server
