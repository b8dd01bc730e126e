// What the marketing and operations functions' parameters mean, with a call that works.
#pragma once

#include <span>
#include <string_view>

#include "common/automation/function_help.hpp"

namespace mktfn {

// The workbook whose cells the examples of range-only functions read, from the source tree's top.
inline constexpr std::string_view kExampleSheet = "examples/function_examples.csv";

std::span<const kx::FunctionHelp> function_help();

}  // namespace mktfn
