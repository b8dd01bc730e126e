// A failed call as `kx` tells it on standard error.
#pragma once

#include <string>

#include "host/formula/evaluator.hpp"

namespace cli {

// "kxNORMAL failed: argument 1 (Mean): text "abc" is not a number (error 13)", or for a
// limit of the engine its message and number alone.
std::string call_failure_text(const host::CallFailure& failure);

}  // namespace cli
