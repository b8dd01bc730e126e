#include "common/automation/dispatch.hpp"

#include <boost/container/small_vector.hpp>
#include <cstdint>
#include <optional>
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

// An omitted argument takes its default; a required one may not be omitted.
Value omitted_argument(const Member& member, std::size_t index) {
  const Parameter& parameter = member.parameters[index];
  if (parameter.optional) return parameter.default_value;
  if (parameter.type == DeclaredType::Variant) return Value::missing();
  throw Failure(error::kArgumentNotOptional, "Argument not optional: " + parameter.name + " of " + member.name);
}

bool given(std::span<Value> arguments, std::size_t index) {
  return index < arguments.size() && !arguments[index].is_missing();
}

// The member's result; a failure that one argument caused names that argument.
Value invoked(Object& object, const Member& member, std::span<Value> arguments) {
  try {
    return member.invoke(object, arguments);
  } catch (const Failure& failure) {
    if (auto fault = argument_fault(member, std::span<const Value>(arguments.data(), arguments.size()), failure)) {
      throw Failure(failure.number(), *fault);
    }
    throw;
  }
}

// The omitted arguments as bits, when every parameter has its argument and each omitted one
// would be filled in with the missing marker; nothing when defaults must be filled in.
std::optional<std::uint64_t> omitted_as_given(const Member& member, std::span<Value> arguments) {
  if (arguments.size() != member.parameters.size() || arguments.size() > 64) return std::nullopt;
  std::uint64_t omitted = 0;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (!arguments[i].is_missing()) continue;
    const Parameter& parameter = member.parameters[i];
    const bool marker =
        parameter.optional ? parameter.default_value.is_missing() : parameter.type == DeclaredType::Variant;
    if (!marker) return std::nullopt;
    omitted |= std::uint64_t{1} << i;
  }
  return omitted;
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
  // The usual call gives every argument, or omits only Variants that take the missing marker
  // as it stands: the member reads the caller's values directly. What it writes into an
  // omitted one is dropped, as it would be into a temporary.
  if (const auto omitted = omitted_as_given(member, arguments)) {
    struct KeepOmitted {
      std::span<Value> arguments;
      std::uint64_t omitted;
      ~KeepOmitted() {
        for (std::size_t i = 0; omitted >> i != 0; ++i) {
          if ((omitted >> i) & 1U) arguments[i] = Value::missing();
        }
      }
    } keep{arguments, *omitted};
    return invoked(object, member, arguments);
  }
  // The arguments in declared order, with omitted ones filled in. Most members take few: they
  // stay on the stack, and given ones are moved rather than copied (a simulation makes millions
  // of these calls).
  boost::container::small_vector<Value, 12> prepared;
  prepared.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    prepared.push_back(given(arguments, i) ? std::move(arguments[i]) : omitted_argument(member, i));
  }
  // The caller gets its arguments back, with what the member wrote into those it takes by
  // reference, also when the call fails.
  struct GiveBack {
    std::span<Value> arguments;
    std::span<Value> prepared;
    ~GiveBack() {
      for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (!arguments[i].is_missing()) arguments[i] = std::move(prepared[i]);
      }
    }
  } give_back{arguments, std::span<Value>(prepared.data(), prepared.size())};
  return invoked(object, member, std::span<Value>(prepared.data(), prepared.size()));
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
