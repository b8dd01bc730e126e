#include "common/automation/interface.hpp"

#include <fmt/format.h>

#include "common/conversions.hpp"
#include "common/text_compare.hpp"

namespace kx {

std::string_view declared_type_name(DeclaredType type) {
  switch (type) {
    case DeclaredType::Double: return "Double";
    case DeclaredType::Single: return "Single";
    case DeclaredType::Int16: return "Integer";
    case DeclaredType::Int32: return "Long";
    case DeclaredType::Byte: return "Byte";
    case DeclaredType::Boolean: return "Boolean";
    case DeclaredType::Text: return "String";
    case DeclaredType::Variant: return "Variant";
    case DeclaredType::Object: return "Object";
    case DeclaredType::Void: return "";
  }
  return "";
}

const Member* Interface::find(std::string_view name) const {
  const auto found = index_.find(to_lower_ascii(name));
  return found == index_.end() ? nullptr : &members_[found->second];
}

void Interface::add(Member member) {
  member.required_count = 0;
  while (member.required_count < member.parameters.size() && !member.parameters[member.required_count].optional) {
    ++member.required_count;
  }
  index_.emplace(to_lower_ascii(member.name), members_.size());
  members_.push_back(std::move(member));
}

void Interface::set_sampling(std::string_view name, const SamplingDraw* draw) {
  members_.at(index_.at(to_lower_ascii(name))).sampling = draw;
}

namespace {

std::string describe_default(const Value& value) {
  if (value.is_text()) return fmt::format("\"{}\"", value.text());
  if (value.is_missing()) return {};
  if (value.is_number() || value.is_boolean() || value.is_empty()) return to_text(value);
  return {};
}

}  // namespace

std::string describe(const Member& member) {
  if (member.kind == MemberKind::Property) {
    return fmt::format("Property {} As {}", member.name, declared_type_name(member.result));
  }
  std::string text = member.name + "(";
  for (std::size_t i = 0; i < member.parameters.size(); ++i) {
    const Parameter& parameter = member.parameters[i];
    if (i > 0) text += ", ";
    if (parameter.optional) text += "Optional ";
    text += parameter.by_reference ? "ByRef " : "ByVal ";
    text += fmt::format("{} As {}", parameter.name, declared_type_name(parameter.type));
    if (parameter.optional) {
      const std::string fallback = describe_default(parameter.default_value);
      if (!fallback.empty()) text += " = " + fallback;
    }
  }
  text += ")";
  if (member.result != DeclaredType::Void) text += fmt::format(" As {}", declared_type_name(member.result));
  return text;
}

}  // namespace kx
