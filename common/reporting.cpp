#include "common/reporting.hpp"

namespace kx {

std::int32_t failure_number_of(const std::exception& caught) {
  if (const auto* failure = dynamic_cast<const Failure*>(&caught)) return failure->number();
  if (dynamic_cast<const std::bad_alloc*>(&caught)) return error::kOutOfMemory;
  if (dynamic_cast<const std::overflow_error*>(&caught)) return error::kOverflow;
  return error::kInvalidCall;
}

}  // namespace kx
