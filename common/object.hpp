// Base of every late-bound object: components, host objects, dialog stand-ins.
#pragma once

#include <memory>

namespace kx {

class Interface;

class Object : public std::enable_shared_from_this<Object> {
 public:
  virtual ~Object() = default;

  // The published interface for calls by name; objects without one are only passed along.
  virtual const Interface* automation_interface() const { return nullptr; }
};

using ObjectRef = std::shared_ptr<Object>;

}  // namespace kx
