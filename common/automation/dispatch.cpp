#include "common/automation/dispatch.hpp"

#include <boost/container/small_vector.hpp>
#include <vector>

#include "common/automation/argument_fault.hpp"
#include "common/automation/binding.hpp"
#include "common/host_services.hpp"

namespace kx {

ObjectRef Declared<ObjectRef>::from(const Value& value) {
  if (value.is_object()) return value.object();
  if (value.is_range()) return std::static_pointer_cast<Object>(value.range());
  if (value.is_empty()) return nullptr;
  throw Failure(error::kTypeMismatch, "Type mismatch: the value is no object");
}

const Member& find_member(const Object& object, std::string_view name) {
  const Interface* interface = object.automation_interface();
  const Member* member = interface ? interface->find(name) : nullptr;
  if (member == nullptr) {
    throw Failure(error::kNoSuchMember, "Object doesn't support this property or method: " + std::string(name));
  }
  return *member;
}

namespace {

// Arguments in declared order, with omitted ones filled in.
Value prepared_argument(const Member& member, std::size_t index, std::span<Value> arguments) {
  const Parameter& parameter = member.parameters[index];
  const bool given = index < arguments.size() && !arguments[index].is_missing();
  if (given) return arguments[index];
  if (parameter.optional) return parameter.default_value;
  if (parameter.type == DeclaredType::Variant) return Value::missing();
  throw Failure(error::kArgumentNotOptional, "Argument not optional: " + parameter.name + " of " + member.name);
}

}  // namespace

Value call_member(Object& object, const Member& member, std::span<Value> arguments) {
  if (member.kind != MemberKind::Method) {
    if (!arguments.empty())
      throw Failure(error::kWrongArgumentCount, "Wrong number of arguments: " + member.name + " is a property");
    return member.get(object);
  }
  const std::size_t count = member.parameters.size();
  if (arguments.size() > count) {
    throw Failure(error::kWrongArgumentCount,
                  "Wrong number of arguments: " + member.name + " takes at most " + std::to_string(count));
  }
  // Most members take few arguments: they stay on the stack, and only as many as there are
  // parameters are constructed (a simulation makes millions of these calls).
  boost::container::small_vector<Value, 12> prepared;
  prepared.reserve(count);
  for (std::size_t i = 0; i < count; ++i) prepared.push_back(prepared_argument(member, i, arguments));

  Value result;
  try {
    result = member.invoke(object, std::span<Value>(prepared.data(), prepared.size()));
  } catch (const Failure& failure) {
    if (auto fault = argument_fault(member, std::span<const Value>(prepared.data(), prepared.size()), failure)) {
      throw Failure(failure.number(), *fault);
    }
    throw;
  }
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (member.parameters[i].by_reference && !arguments[i].is_missing()) arguments[i] = std::move(prepared[i]);
  }
  return result;
}

Value call_by_name(Object& object, std::string_view name, std::span<Value> arguments) {
  return call_member(object, find_member(object, name), arguments);
}

Value get_property(const Object& object, std::string_view name) {
  const Member& member = find_member(object, name);
  if (member.kind != MemberKind::Property)
    throw Failure(error::kNoSuchMember, std::string(name) + " is a method, not a property");
  return member.get(object);
}

void set_property(Object& object, std::string_view name, const Value& value) {
  const Member& member = find_member(object, name);
  if (member.kind != MemberKind::Property || !member.put) {
    throw Failure(error::kNoSuchMember, "Property " + std::string(name) + " cannot be set");
  }
  member.put(object, value);
}

}  // namespace kx
