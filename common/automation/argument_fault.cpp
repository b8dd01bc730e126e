#include "common/automation/argument_fault.hpp"

#include <string_view>

#include "common/conversions.hpp"
#include "common/host_services.hpp"

namespace kx {
namespace {

// What a parameter of a declared type must be, as a sentence ends it.
std::string_view wanted(DeclaredType type) {
  switch (type) {
    case DeclaredType::Int16: return "a whole number from -32768 to 32767";
    case DeclaredType::Int32: return "a whole number from -2147483648 to 2147483647";
    case DeclaredType::Byte: return "a whole number from 0 to 255";
    case DeclaredType::Boolean: return "TRUE or FALSE";
    case DeclaredType::Text: return "a text";
    case DeclaredType::Single: return "a number from -3.4E+38 to 3.4E+38";
    default: return "a number";
  }
}

// The value as the user sees it: text "abc", the error value #N/A, a range of 3 cells.
std::string described(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::Text: return "text \"" + value.text() + "\"";
    case Value::Kind::Error: return "the error value " + display_text(value);
    case Value::Kind::Empty: return "an empty value";
    case Value::Kind::Array: return "an array of " + std::to_string(value.array().size()) + " values";
    case Value::Kind::Range: return "a range of " + std::to_string(value.range()->count()) + " cells";
    case Value::Kind::Object: return "an object";
    default: return display_text(value);
  }
}

// Converts as the automation layer does before a body runs; raises what the conversion raises.
void convert(const Value& value, DeclaredType type) {
  switch (type) {
    case DeclaredType::Double: to_double(value); break;
    case DeclaredType::Single: to_single(value); break;
    case DeclaredType::Int16: to_int16(value); break;
    case DeclaredType::Int32: to_int32(value); break;
    case DeclaredType::Byte: to_byte(value); break;
    case DeclaredType::Boolean: to_boolean(value); break;
    case DeclaredType::Text: to_text(value); break;
    default: break;
  }
}

}  // namespace

std::optional<std::string> argument_fault(const Member& member, std::span<const Value> arguments,
                                          const Failure& failure) {
  const std::string_view message = failure.what();
  for (std::size_t i = 0; i < member.parameters.size() && i < arguments.size(); ++i) {
    const Parameter& parameter = member.parameters[i];
    const Value& value = arguments[i];
    bool to_blame = false;
    if (parameter.type == DeclaredType::Variant) {
      // A variant is converted inside the body; the failure names the text it could not read.
      to_blame = value.is_text() && !parse_number(value.text()) &&
                 message.find("\"" + value.text() + "\" is no number") != std::string_view::npos;
    } else {
      try {
        convert(value, parameter.type);
      } catch (const Failure&) {
        to_blame = true;
      }
    }
    if (to_blame) {
      return "argument " + std::to_string(i + 1) + " (" + parameter.name + "): " + described(value) + " is not " +
             std::string(wanted(parameter.type));
    }
  }
  return std::nullopt;
}

}  // namespace kx
