#include "host/formula/formula_errors.hpp"

namespace host {

std::int32_t worksheet_error_of(std::int32_t failure_number) {
  switch (failure_number) {
    case kx::error::kXlNull:
    case kx::error::kXlDiv0:
    case kx::error::kXlValue:
    case kx::error::kXlRef:
    case kx::error::kXlName:
    case kx::error::kXlNum:
    case kx::error::kXlNA:
    case kErrSpill:
    case kErrCircularReference: return failure_number;
    case kx::error::kDivisionByZero: return kx::error::kXlDiv0;
    case kx::error::kOverflow:
    case kx::error::kInvalidCall:
    case kx::error::kOutOfMemory: return kx::error::kXlNum;
    default: return kx::error::kXlValue;
  }
}

}  // namespace host
