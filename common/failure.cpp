// Failure and the platform's texts for its error numbers.
#include "common/failure.hpp"

namespace kx {

std::string error_description(std::int32_t number) {
  switch (number) {
    case error::kInvalidCall: return "Invalid procedure call or argument";
    case error::kOverflow: return "Overflow";
    case error::kOutOfMemory: return "Out of memory";
    case error::kSubscriptOutOfRange: return "Subscript out of range";
    case error::kDivisionByZero: return "Division by zero";
    case error::kTypeMismatch: return "Type mismatch";
    case error::kOutOfStackSpace: return "Out of stack space";
    case error::kObjectNotSet: return "Object variable not set";
    case error::kObjectRequired: return "Object required";
    case error::kServerUnavailable: return "The remote server machine does not exist or is unavailable";
    case error::kNoSuchMember: return "Object doesn't support this property or method";
    case error::kArgumentNotOptional: return "Argument not optional";
    case error::kWrongArgumentCount: return "Wrong number of arguments";
    case error::kHostFailure: return "Application-defined or object-defined error";
    default: return "Run-time error " + std::to_string(number);
  }
}

Failure::Failure(std::int32_t number) : Failure(number, error_description(number)) {}

Failure::Failure(std::int32_t number, const std::string& message) : std::runtime_error(message), number_(number) {}

}  // namespace kx
