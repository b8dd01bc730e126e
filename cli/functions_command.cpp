#include "cli/functions_command.hpp"

#include <fmt/format.h>

#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/function_help_lookup.hpp"
#include "cli/terminal_text.hpp"
#include "common/automation/interface.hpp"
#include "common/text_compare.hpp"
#include "host/formula/function_table.hpp"
#include "mktfn/frame/classes.hpp"
#include "riskfn/frame/classes.hpp"

namespace cli {

namespace {

// The section of the spreadsheet's own functions, which formulas in `kx eval` and workbooks use.
constexpr std::string_view kWorksheetSection = "worksheet";

void print_worksheet_functions() {
  const host::FunctionTable table;
  fmt::print("{} functions\n", kWorksheetSection);
  for (const host::Function* function : table.spreadsheet_functions()) {
    fmt::print("  {}({})\n", function->name, function->parameters);
  }
}

// A published member by name, with the component that publishes it.
struct Published {
  const char* component = nullptr;
  const kx::Member* member = nullptr;
};

Published find_member(std::string_view name) {
  const std::pair<const char*, std::vector<const kx::Interface*>> components[] = {
      {"riskfn", riskfn::class_interfaces()},
      {"mktfn", mktfn::class_interfaces()},
  };
  for (const auto& [component, interfaces] : components) {
    for (const kx::Interface* interface : interfaces) {
      if (const kx::Member* member = interface->find(name); member && member->kind == kx::MemberKind::Method)
        return {component, member};
    }
  }
  return {};
}

// One function's help: its signature, what it gives, what each parameter means, a call that works.
bool print_function_help(std::string_view name) {
  const kx::FunctionHelp* help = find_function_help(name);
  const Published published = find_member(name);
  const host::FunctionTable table;
  const host::Function* worksheet = nullptr;
  for (const host::Function* function : table.spreadsheet_functions()) {
    if (kx::equals_ignore_case(function->name, name)) worksheet = function;
  }
  if (!help && !published.member && !worksheet) return false;
  if (published.member) {
    fmt::print("{}\n", kx::describe(*published.member));
  } else if (worksheet) {
    fmt::print("{}({})\n", worksheet->name, worksheet->parameters);
  }
  if (!help) return true;
  fmt::print("\n{}\n", help->summary);
  if (!help->parameters.empty()) fmt::print("\nParameters:\n");
  std::size_t width = 0;
  for (const kx::ParameterHelp& parameter : help->parameters) width = std::max(width, parameter.name.size());
  for (const kx::ParameterHelp& parameter : help->parameters)
    fmt::print("  {:<{}}  {}\n", parameter.name, width, parameter.meaning);
  if (help->example_sheet.empty()) {
    fmt::print("\nExample:\n  ={}\n", help->example);
  } else {
    fmt::print("\nExample, on the cells of {}:\n  ={}\n", help->example_sheet, help->example);
  }
  return true;
}

}  // namespace

int run_functions(const std::string& class_name) {
  if (!class_name.empty() && print_function_help(class_name)) return 0;
  const std::pair<const char*, std::vector<const kx::Interface*>> components[] = {
      {"riskfn", riskfn::class_interfaces()},
      {"mktfn", mktfn::class_interfaces()},
  };
  bool found = false;
  for (const auto& [component, interfaces] : components) {
    for (const kx::Interface* interface : interfaces) {
      const std::string qualified = std::string(component) + "." + interface->class_name();
      if (!class_name.empty() && !kx::equals_ignore_case(class_name, interface->class_name()) &&
          !kx::equals_ignore_case(class_name, qualified)) {
        continue;
      }
      if (found) fmt::print("\n");
      found = true;
      fmt::print("{}\n", qualified);
      for (const kx::Member& member : interface->members()) fmt::print("  {}\n", kx::describe(member));
    }
  }
  if (class_name.empty() || kx::equals_ignore_case(class_name, kWorksheetSection)) {
    if (found) fmt::print("\n");
    found = true;
    print_worksheet_functions();
  }
  if (!found) {
    print_error_line(
        fmt::format("no function or class named '{}'; try 'kx functions' for the list", class_name));
    return 1;
  }
  return 0;
}

}  // namespace cli
