#include "common/automation/function_help.hpp"

#include "common/text_compare.hpp"

namespace kx {

const FunctionHelp* find_help(std::span<const FunctionHelp> table, std::string_view name) {
  for (const FunctionHelp& help : table) {
    if (equals_ignore_case(help.name, name)) return &help;
  }
  return nullptr;
}

std::string_view parameter_label(const FunctionHelp& help, std::string_view name) {
  for (const ParameterHelp& parameter : help.parameters) {
    if (parameter.name == name) return parameter.label;
  }
  return name;
}

}  // namespace kx
