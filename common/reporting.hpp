// The three ways a public method reports a failure. Each method names its way in one line:
//   return trapped_variant([&] { ... });        failure -> error value as the result
//   return trapped_numeric<double>([&] { ... }); failure -> the call fails with type mismatch
//   untrapped: the body is written plainly and failures leave the call as they are.
#pragma once

#include <exception>
#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "common/conversions.hpp"
#include "common/failure.hpp"
#include "common/value.hpp"

namespace kx {

// The error number of a library exception that escaped a body: out of memory, overflow,
// and any other error as an invalid call.
std::int32_t failure_number_of(const std::exception& caught);

// Traps every failure and returns the error value carrying its number.
template <class Body>
Value trapped_variant(Body&& body) {
  try {
    return Value(body());
  } catch (const Failure& failure) {
    return ErrorValue{failure.number()};
  } catch (const std::exception& caught) {
    return ErrorValue{failure_number_of(caught)};
  }
}

// A method declared to return a number cannot hold an error value: whatever failed, and
// an error value the body returns, ends the call with type mismatch.
template <class Result, class Body>
Result trapped_numeric(Body&& body) {
  static_assert(std::is_same_v<Result, double> || std::is_same_v<Result, std::int16_t>);
  try {
    const Value result = Value(body());
    if constexpr (std::is_same_v<Result, double>) {
      return to_double(result);
    } else {
      return to_int16(result);
    }
  } catch (const std::exception& caught) {
    throw Failure(error::kTypeMismatch,
                  std::string("Type mismatch: a numeric result cannot hold the failure (") + caught.what() + ")");
  }
}

}  // namespace kx
