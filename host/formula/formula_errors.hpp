// Error values the formula engine itself produces, beyond the worksheet's usual ones.
#pragma once

#include <cstdint>

#include "common/failure.hpp"

namespace host {

// A cell on a circular reference; the number is the one other spreadsheets show (Err:522).
inline constexpr std::int32_t kErrCircularReference = 522;
// An array result that cannot spill because cells in its way are not empty (#SPILL!).
inline constexpr std::int32_t kErrSpill = 2045;

// The worksheet error value standing for a failure inside the engine or a worksheet function:
// worksheet error numbers stay as they are; division by zero is #DIV/0!, overflow and invalid
// arguments #NUM!, everything else #VALUE!.
std::int32_t worksheet_error_of(std::int32_t failure_number);

}  // namespace host
