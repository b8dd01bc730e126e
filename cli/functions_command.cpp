#include "cli/functions_command.hpp"

#include <fmt/format.h>

#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>

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

}  // namespace

int run_functions(const std::string& class_name) {
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
    print_error_line(fmt::format("no class named '{}'; try 'kx functions' for the list", class_name));
    return 1;
  }
  return 0;
}

}  // namespace cli
