// The published interface of a class: its members in interface order, each with its
// parameters, declared types and result. Declared once; used by dispatch, `kx functions`,
// the server and the tests.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/object.hpp"
#include "common/value.hpp"

namespace kx {

enum class DeclaredType { Double, Single, Int16, Int32, Byte, Boolean, Text, Variant, Object, Void };

// The platform's name of a declared type ("Double", "Integer", "Long", "String", ...).
std::string_view declared_type_name(DeclaredType type);

struct Parameter {
  std::string name;
  DeclaredType type = DeclaredType::Variant;
  bool by_reference = false;
  bool optional = false;
  Value default_value;  // used when an optional argument is omitted
};

enum class MemberKind { Method, Property };

class UniformGenerator;

// A sampling method as a simulation reaches it without a call by name, for a cell that gives
// the method numbers for its parameters (the first `numbers`, then corFactor and ModeSheet,
// then `numbers_after` more) and asks no deterministic value. `draw` does what the call does
// for a block of iterations at once: iteration i, where wanted[i] is set, takes parameter k
// from parameters[k][i] and its uniform from u[i] (drawn where u is null or u[i] is NaN, as for
// an error value in corFactor), draws from generators[i] and writes variates[i] and drawn[i].
// Where the call would give anything else (an error value, a failure) drawn[i] is 0 and
// generators[i] is left as it was: the caller makes the call.
struct SamplingDraw {
  std::size_t numbers = 0;
  std::size_t numbers_after = 0;
  void (*draw)(Object& provider, const void* rule, std::span<const double* const> parameters, const double* u,
               std::span<UniformGenerator> generators, const std::uint8_t* wanted, double* variates,
               std::uint8_t* drawn) = nullptr;
  const void* rule = nullptr;
  // The ModeSheet texts that select the deterministic value instead of a draw.
  std::string_view show_mode;
  std::string_view also_deterministic;
};

// Runs a method on an object with arguments already in declared order; by-reference
// arguments are written back into `arguments`.
using Invoker = std::function<Value(Object& object, std::span<Value> arguments)>;
using Getter = std::function<Value(const Object& object)>;
using Setter = std::function<void(Object& object, const Value& value)>;

struct Member {
  std::string name;
  MemberKind kind = MemberKind::Method;
  std::vector<Parameter> parameters;
  DeclaredType result = DeclaredType::Void;
  std::size_t required_count = 0;  // parameters before the first optional one
  Invoker invoke;
  Getter get;
  Setter put;
  const SamplingDraw* sampling = nullptr;
};

class Interface {
 public:
  explicit Interface(std::string class_name) : class_name_(std::move(class_name)) {}

  const std::string& class_name() const { return class_name_; }
  const std::vector<Member>& members() const { return members_; }
  // Case-insensitive, as the platform resolves names; nullptr when there is no such member.
  const Member* find(std::string_view name) const;

  void add(Member member);
  // Makes an added method also reachable as a draw.
  void set_sampling(std::string_view name, const SamplingDraw* draw);

 private:
  std::string class_name_;
  std::vector<Member> members_;
  std::unordered_map<std::string, std::size_t> index_;  // lower-case name -> member
};

// A member's signature as users read it: "kxNORMAL(Mean As Variant, …) As Double".
std::string describe(const Member& member);

}  // namespace kx
