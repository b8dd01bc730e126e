// Calls by name: the one way the `kx` tool, the server and the formula engine reach a component.
#pragma once

#include <span>
#include <string_view>

#include "common/automation/interface.hpp"

namespace kx {

// Calls a method with positional arguments. Each argument is converted to its declared type
// before the body runs; omitted optional arguments take their defaults, an omitted variant
// the missing-argument marker. By-reference arguments are written back into `arguments`.
// Fails with 438 (no such member), 450 (too many arguments) or 449 (a required typed
// argument omitted), and with the conversion's 13 or 6.
Value call_by_name(Object& object, std::string_view name, std::span<Value> arguments);
Value call_member(Object& object, const Member& member, std::span<Value> arguments);

Value get_property(const Object& object, std::string_view name);
void set_property(Object& object, std::string_view name, const Value& value);

// The member of an object's interface, or a failure 438.
const Member& find_member(const Object& object, std::string_view name);

}  // namespace kx
