#include "cli/call_failure_text.hpp"

#include <fmt/format.h>

namespace cli {

std::string call_failure_text(const host::CallFailure& failure) {
  if (failure.function.empty()) return fmt::format("{} (error {})", failure.message, failure.number);
  return fmt::format("{} failed: {} (error {})", failure.function, failure.message, failure.number);
}

}  // namespace cli
