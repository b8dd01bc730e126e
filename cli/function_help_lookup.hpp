// The help entries of every function `kx` reaches, found by name in the tables that live beside
// each family.
#pragma once

#include <string_view>

#include "common/automation/function_help.hpp"

namespace cli {

// Without regard to case; nullptr when no table has an entry for `name`.
const kx::FunctionHelp* find_function_help(std::string_view name);

}  // namespace cli
