// Publishing a C++ class for calls by name: the declared type of each parameter and of the
// result follows from the C++ signature (double, float, std::int16_t, std::int32_t,
// std::uint8_t, bool, std::string, Value, ObjectRef); a non-const reference parameter is
// passed by reference and written back to the caller.
//
//   InterfaceBuilder<Main>("Main")
//       .method<&Main::kxNORMAL>("kxNORMAL", {"Mean", "StDeviation", "corFactor", "ModeSheet"})
//       .method<&Main::kxBETAGEN>("kxBETAGEN", {"scaleP", "shapeP", optional("LowVal", 0.0), ...})
#pragma once

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "common/automation/interface.hpp"
#include "common/conversions.hpp"

namespace kx {

template <class T>
struct Declared;

template <>
struct Declared<double> {
  static constexpr DeclaredType kType = DeclaredType::Double;
  static double from(const Value& value) { return to_double(value); }
};
template <>
struct Declared<float> {
  static constexpr DeclaredType kType = DeclaredType::Single;
  static float from(const Value& value) { return to_single(value); }
};
template <>
struct Declared<std::int16_t> {
  static constexpr DeclaredType kType = DeclaredType::Int16;
  static std::int16_t from(const Value& value) { return to_int16(value); }
};
template <>
struct Declared<std::int32_t> {
  static constexpr DeclaredType kType = DeclaredType::Int32;
  static std::int32_t from(const Value& value) { return to_int32(value); }
};
template <>
struct Declared<std::uint8_t> {
  static constexpr DeclaredType kType = DeclaredType::Byte;
  static std::uint8_t from(const Value& value) { return to_byte(value); }
};
template <>
struct Declared<bool> {
  static constexpr DeclaredType kType = DeclaredType::Boolean;
  static bool from(const Value& value) { return to_boolean(value); }
};
template <>
struct Declared<std::string> {
  static constexpr DeclaredType kType = DeclaredType::Text;
  static std::string from(const Value& value) { return to_text(value); }
};
template <>
struct Declared<Value> {
  static constexpr DeclaredType kType = DeclaredType::Variant;
  static const Value& from(const Value& value) { return value; }
};
template <>
struct Declared<ObjectRef> {
  static constexpr DeclaredType kType = DeclaredType::Object;
  static ObjectRef from(const Value& value);
};

template <class T>
Value to_value(T&& result) {
  using Plain = std::decay_t<T>;
  if constexpr (std::is_same_v<Plain, float> || (std::is_integral_v<Plain> && !std::is_same_v<Plain, bool>)) {
    return Value(static_cast<double>(result));
  } else if constexpr (std::is_same_v<Plain, ObjectRef>) {
    return result ? Value(result) : Value();
  } else {
    return Value(std::forward<T>(result));
  }
}

// One parameter as declared: its name and, when optional, its default.
struct ParameterDeclaration {
  ParameterDeclaration(const char* parameter_name) : name(parameter_name) {}
  std::string name;
  bool optional = false;
  Value default_value = Value::missing();
};

inline ParameterDeclaration optional(const char* name, Value default_value = Value::missing()) {
  ParameterDeclaration declaration(name);
  declaration.optional = true;
  declaration.default_value = std::move(default_value);
  return declaration;
}

namespace detail {

template <auto method>
struct MethodTraits;

template <class C, class R, class... A, R (C::*method)(A...)>
struct MethodTraits<method> {
  using Class = C;
  using Result = R;
  static constexpr std::size_t kArity = sizeof...(A);

  static std::vector<Parameter> parameters(std::initializer_list<ParameterDeclaration> declarations) {
    if (declarations.size() != kArity) throw std::logic_error("parameter names do not match the C++ signature");
    std::vector<Parameter> result;
    const DeclaredType types[] = {Declared<std::decay_t<A>>::kType..., DeclaredType::Void};
    const bool by_reference[] = {(std::is_lvalue_reference_v<A> && !std::is_const_v<std::remove_reference_t<A>>)...,
                                 false};
    std::size_t i = 0;
    for (const ParameterDeclaration& declaration : declarations) {
      result.push_back(
          Parameter{declaration.name, types[i], by_reference[i], declaration.optional, declaration.default_value});
      ++i;
    }
    return result;
  }

  static Value invoke(Object& object, std::span<Value> arguments) {
    return invoke(static_cast<C&>(object), arguments, std::index_sequence_for<A...>{});
  }

 private:
  // A Variant parameter is the caller's value itself, read or written in place; every other
  // parameter is converted to its declared type, and written back after the call when by reference.
  template <class Parameter>
  using Slot = std::conditional_t<std::is_same_v<std::decay_t<Parameter>, Value> && std::is_reference_v<Parameter>,
                                  Parameter, std::decay_t<Parameter>>;

  template <class Parameter>
  static constexpr bool kWrittenBack =
      std::is_lvalue_reference_v<Parameter> && !std::is_const_v<std::remove_reference_t<Parameter>> &&
      !std::is_same_v<std::decay_t<Parameter>, Value>;

  template <class Parameter>
  static Slot<Parameter> converted_argument(Value& argument) {
    if constexpr (std::is_reference_v<Slot<Parameter>>) {
      return argument;
    } else {
      return Declared<std::decay_t<Parameter>>::from(argument);
    }
  }

  template <std::size_t... I>
  static Value invoke(C& self, std::span<Value> arguments, std::index_sequence<I...>) {
    // Braced initialisation converts left to right, so the first bad argument is the one reported.
    std::tuple<Slot<A>...> converted{converted_argument<A>(arguments[I])...};
    if constexpr (std::is_void_v<R>) {
      (self.*method)(std::get<I>(converted)...);
      write_back<I...>(arguments, converted);
      return Value();
    } else {
      Value result = to_value((self.*method)(std::get<I>(converted)...));
      write_back<I...>(arguments, converted);
      return result;
    }
  }

  template <std::size_t... I>
  static void write_back([[maybe_unused]] std::span<Value> arguments,
                         [[maybe_unused]] std::tuple<Slot<A>...>& converted) {
    ((kWrittenBack<A> ? write_back_one(arguments[I], std::get<I>(converted)) : void()), ...);
  }

  // Most calls leave their by-reference arguments as they were, and writing back the very
  // value an argument holds (same type, same bits) changes nothing.
  template <class T>
  static void write_back_one(Value& argument, const T& converted) {
    if constexpr (std::is_same_v<T, std::string>) {
      if (argument.is_text() && argument.text() == converted) return;
    } else if constexpr (std::is_same_v<T, double>) {
      if (argument.is_number() &&
          std::bit_cast<std::uint64_t>(argument.number()) == std::bit_cast<std::uint64_t>(converted))
        return;
    }
    argument = to_value(converted);
  }
};

}  // namespace detail

template <class C>
class InterfaceBuilder {
 public:
  explicit InterfaceBuilder(std::string class_name) : interface_(std::move(class_name)) {}

  template <auto function>
  InterfaceBuilder& method(std::string name, std::initializer_list<ParameterDeclaration> parameters) {
    using Traits = detail::MethodTraits<function>;
    static_assert(std::is_base_of_v<typename Traits::Class, C>);
    Member member;
    member.name = std::move(name);
    member.kind = MemberKind::Method;
    member.parameters = Traits::parameters(parameters);
    if constexpr (std::is_void_v<typename Traits::Result>) {
      member.result = DeclaredType::Void;
    } else {
      member.result = Declared<std::decay_t<typename Traits::Result>>::kType;
    }
    member.invoke = [](Object& object, std::span<Value> arguments) { return Traits::invoke(object, arguments); };
    interface_.add(std::move(member));
    return *this;
  }

  // A property read and set through the given accessors; a null setter makes it read-only.
  InterfaceBuilder& property(std::string name, DeclaredType type, std::function<Value(const C&)> get,
                             std::function<void(C&, const Value&)> put) {
    Member member;
    member.name = std::move(name);
    member.kind = MemberKind::Property;
    member.result = type;
    member.get = [get = std::move(get)](const Object& object) { return get(static_cast<const C&>(object)); };
    if (put)
      member.put = [put = std::move(put)](Object& object, const Value& value) { put(static_cast<C&>(object), value); };
    interface_.add(std::move(member));
    return *this;
  }

  Interface build() { return std::move(interface_); }

 private:
  Interface interface_;
};

}  // namespace kx
