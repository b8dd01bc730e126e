// What the sampling and distribution functions' parameters mean, with a call that works.
#pragma once

#include <span>

#include "common/automation/function_help.hpp"

namespace riskfn::sampling {

std::span<const kx::FunctionHelp> sampling_help();

}  // namespace riskfn::sampling
