// An object of the mktfn server seen from the client: the interface of its class as the library
// declares it, every member forwarded to the server.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "common/object.hpp"
#include "common/value.hpp"

namespace mktfn::client {

class Connection;

class RemoteObject : public kx::Object {
 public:
  static std::shared_ptr<RemoteObject> create(std::shared_ptr<Connection> connection, std::int64_t handle,
                                              std::string_view class_name);
  // Tells the server it may let the object go.
  ~RemoteObject() override;

  const kx::Interface* automation_interface() const override { return interface_; }
  Connection& connection() const { return *connection_; }
  std::int64_t handle() const { return handle_; }

  // A member called on the server; arguments it changed by reference are written back.
  kx::Value call(const std::string& name, std::span<kx::Value> arguments);
  kx::Value get(const std::string& name) const;
  void put(const std::string& name, const kx::Value& value);

 private:
  RemoteObject(std::shared_ptr<Connection> connection, std::int64_t handle, const kx::Interface* interface)
      : connection_(std::move(connection)), handle_(handle), interface_(interface) {}

  std::shared_ptr<Connection> connection_;
  std::int64_t handle_;
  const kx::Interface* interface_;
};

}  // namespace mktfn::client
