// What the analysis functions' and model markers' parameters mean, with a call that works.
#pragma once

#include <span>

#include "common/automation/function_help.hpp"

namespace riskfn::analysis {

std::span<const kx::FunctionHelp> analysis_help();

}  // namespace riskfn::analysis
