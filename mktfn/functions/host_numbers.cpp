#include "mktfn/functions/host_numbers.hpp"

#include <limits>
#include <string>

namespace mktfn {

double host_number(kx::Application& host, kx::WorksheetFn fn, std::initializer_list<kx::Value> arguments) {
  const kx::Value result = host.call(fn, arguments);
  if (result.is_error()) {
    throw kx::Failure(kx::error::kTypeMismatch, "Type mismatch: the host's " + std::string(kx::worksheet_fn_name(fn)) +
                                                    " answered an error value");
  }
  return kx::to_double(result);
}

std::int16_t counter_limit(std::int64_t count) {
  if (count > std::numeric_limits<std::int16_t>::max()) {
    throw kx::Failure(kx::error::kOverflow, "Overflow: more than 32767 elements for a 16-bit counter");
  }
  return static_cast<std::int16_t>(count);
}

}  // namespace mktfn
