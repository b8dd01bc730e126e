// What the spreadsheet's own functions do and what their parameters mean, with a call that works.
#pragma once

#include <span>

#include "common/automation/function_help.hpp"

namespace host::worksheet {

// One entry per function, its parameters named as the function table lists them, without brackets;
// "..." stands for the repeated tail.
std::span<const kx::FunctionHelp> function_help();

}  // namespace host::worksheet
