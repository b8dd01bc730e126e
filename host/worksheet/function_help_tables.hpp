// The help entries of the worksheet functions, one table per group of families, joined into one
// lookup by function_help().
#pragma once

#include <string_view>
#include <vector>

#include "common/automation/function_help.hpp"

namespace host::worksheet::help {

// The spreadsheet's parameter names are short enough to serve as their own labels.
constexpr kx::ParameterHelp p(std::string_view name, std::string_view meaning) { return {name, name, meaning}; }

// The parameters several groups share.
inline constexpr kx::ParameterHelp kNumber1 = p("number1",
                                                "the first number, array or range; texts and empty cells in ranges are "
                                                "skipped");
inline constexpr kx::ParameterHelp kMoreNumbers = p("...", "more numbers, arrays or ranges (255 arguments in all)");
inline constexpr kx::ParameterHelp kValue = p("value", "the value to test");
inline constexpr kx::ParameterHelp kArray = p("array", "the array or range");
inline constexpr kx::ParameterHelp kX = p("x", "the value at which the distribution is taken");
inline constexpr kx::ParameterHelp kProbability = p("probability", "the probability, in (0, 1)");
inline constexpr kx::ParameterHelp kDegFreedom = p("deg_freedom", "the degrees of freedom (>= 1)");
inline constexpr kx::ParameterHelp kDegFreedom1 = p("deg_freedom1", "the degrees of freedom of the numerator (>= 1)");
inline constexpr kx::ParameterHelp kDegFreedom2 = p("deg_freedom2", "the degrees of freedom of the denominator (>= 1)");
inline constexpr kx::ParameterHelp kCumulative = p("cumulative",
                                                   "TRUE for the cumulative probability P(X <= x), FALSE for the "
                                                   "density or probability mass");
inline constexpr kx::ParameterHelp kTrials = p("trials", "the number of independent trials");
inline constexpr kx::ParameterHelp kProbabilityS =
    p("probability_s", "the probability of a success in each trial, in [0, 1]");

// Trigonometry, number theory, rounding, special functions, engineering, complex numbers, matrices
// and unit conversion.
std::vector<kx::FunctionHelp> mathematics_help();
// Descriptive statistics, distribution forms, regression, subtotals, databases and securities.
std::vector<kx::FunctionHelp> analysis_help();
// Information, text conversions, text splitting and array shaping.
std::vector<kx::FunctionHelp> text_and_information_help();

}  // namespace host::worksheet::help
