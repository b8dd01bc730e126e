#include "mktfn/client/remote_object.hpp"

#include <map>

#include "common/automation/interface.hpp"
#include "common/text_compare.hpp"
#include "mktfn/client/connection.hpp"
#include "mktfn/frame/classes.hpp"

namespace mktfn::client {
namespace {

using protocol::Json;

// The library's interface of a class with each member's work forwarded: parameters, declared
// types and defaults stay as declared, so arguments are checked alike on both sides.
kx::Interface forwarding_interface(const kx::Interface& local) {
  kx::Interface forwarded(local.class_name());
  for (const kx::Member& member : local.members()) {
    kx::Member copy = member;
    const std::string name = member.name;
    if (member.kind == kx::MemberKind::Method) {
      copy.invoke = [name](kx::Object& object, std::span<kx::Value> arguments) {
        return static_cast<RemoteObject&>(object).call(name, arguments);
      };
    } else {
      copy.get = [name](const kx::Object& object) { return static_cast<const RemoteObject&>(object).get(name); };
      if (member.put) {
        copy.put = [name](kx::Object& object, const kx::Value& value) {
          static_cast<RemoteObject&>(object).put(name, value);
        };
      }
    }
    forwarded.add(std::move(copy));
  }
  return forwarded;
}

const kx::Interface* interface_of(std::string_view class_name) {
  static const std::map<std::string, kx::Interface> interfaces = [] {
    std::map<std::string, kx::Interface> built;
    for (const kx::Interface* local : class_interfaces()) {
      built.emplace(kx::to_lower_ascii(local->class_name()), forwarding_interface(*local));
    }
    return built;
  }();
  const auto found = interfaces.find(kx::to_lower_ascii(class_name));
  return found == interfaces.end() ? nullptr : &found->second;
}

}  // namespace

std::shared_ptr<RemoteObject> RemoteObject::create(std::shared_ptr<Connection> connection, std::int64_t handle,
                                                   std::string_view class_name) {
  return std::shared_ptr<RemoteObject>(new RemoteObject(std::move(connection), handle, interface_of(class_name)));
}

RemoteObject::~RemoteObject() { connection_->notify("release", {{"object", handle_}}); }

kx::Value RemoteObject::call(const std::string& name, std::span<kx::Value> arguments) {
  const auto& codec = connection_->codec();
  Json encoded = Json::array();
  for (const kx::Value& argument : arguments) encoded.push_back(protocol::to_json(argument, codec));
  const Json result =
      connection_->request("call", {{"object", handle_}, {"name", name}, {"arguments", std::move(encoded)}});
  if (const auto changed = result.find("byref"); changed != result.end() && changed->is_array()) {
    for (const Json& entry : *changed) {
      const auto index = entry.at(0).get<std::size_t>();
      if (index < arguments.size()) arguments[index] = protocol::from_json(entry.at(1), codec);
    }
  }
  return protocol::from_json(protocol::field(result, "value"), codec);
}

kx::Value RemoteObject::get(const std::string& name) const {
  return protocol::from_json(connection_->request("get", {{"object", handle_}, {"name", name}}), connection_->codec());
}

void RemoteObject::put(const std::string& name, const kx::Value& value) {
  connection_->request(
      "set", {{"object", handle_}, {"name", name}, {"value", protocol::to_json(value, connection_->codec())}});
}

}  // namespace mktfn::client
