// Which argument made a call fail, told in the user's terms, so that a failing cell says
// "argument 2 (StDeviation): text "abc" is not a number" rather than "Type mismatch".
#pragma once

#include <optional>
#include <span>
#include <string>

#include "common/automation/interface.hpp"
#include "common/failure.hpp"

namespace kx {

// The first argument that cannot become its parameter's declared type, or a variant
// argument whose text the failure names as no number; nullopt when no argument is to blame.
std::optional<std::string> argument_fault(const Member& member, std::span<const Value> arguments,
                                          const Failure& failure);

}  // namespace kx
