#include "cli/call_failure_text.hpp"

#include <fmt/format.h>

#include "cli/function_help_lookup.hpp"
#include "common/failure.hpp"

namespace cli {

std::string call_failure_text(const host::CallFailure& failure) {
  if (failure.function.empty()) return fmt::format("{} (error {})", failure.message, failure.number);
  std::string text = fmt::format("{} failed: {} (error {})", failure.function, failure.message, failure.number);
  // A call that leaves out a required argument shows the call that works.
  const kx::FunctionHelp* help = find_function_help(failure.function);
  if (failure.number == kx::error::kArgumentNotOptional && help) text += fmt::format("; for example ={}", help->example);
  return text;
}

}  // namespace cli
