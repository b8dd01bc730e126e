// The help entries of the worksheet functions, one table per group of families, joined into one
// lookup by function_help().
#pragma once

#include <string_view>
#include <vector>

#include "common/automation/function_help.hpp"

namespace host::worksheet::help {

// The spreadsheet's parameter names are short enough to serve as their own labels.
constexpr kx::ParameterHelp p(std::string_view name, std::string_view meaning) { return {name, name, meaning}; }

// Trigonometry, number theory, rounding, special functions, engineering, complex numbers, matrices
// and unit conversion.
std::vector<kx::FunctionHelp> mathematics_help();
// Descriptive statistics, distribution forms, regression, subtotals, databases and securities.
std::vector<kx::FunctionHelp> analysis_help();
// Information, text conversions, text splitting and array shaping.
std::vector<kx::FunctionHelp> text_and_information_help();

}  // namespace host::worksheet::help
