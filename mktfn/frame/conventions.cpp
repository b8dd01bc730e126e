#include "mktfn/frame/conventions.hpp"

#include <string>

namespace mktfn {

const kx::Range& range_of(const kx::Value& argument) {
  if (!argument.is_range()) throw kx::Failure(kx::error::kObjectRequired, "Object required: the argument is no range");
  return *argument.range();
}

kx::Value element(const kx::Value& argument, std::int64_t index) {
  if (argument.is_range()) return argument.range()->item(index)->value();
  if (!argument.is_array()) throw kx::Failure(kx::error::kTypeMismatch, "Type mismatch: the argument is no list");
  const kx::Array& array = argument.array();
  if (array.dimensions() != 1 || index < array.lower_bound(1) || index > array.upper_bound(1)) {
    throw kx::Failure(kx::error::kSubscriptOutOfRange,
                      "Subscript out of range: element " + std::to_string(index) + " of the array");
  }
  return array.at(static_cast<std::size_t>(index - array.lower_bound(1)));
}

std::int16_t product16(std::int16_t a, std::int16_t b) {
  const std::int32_t product = std::int32_t{a} * b;
  if (product < INT16_MIN || product > INT16_MAX)
    throw kx::Failure(kx::error::kOverflow,
                      "Overflow: " + std::to_string(a) + " * " + std::to_string(b) + " leaves the 16-bit range");
  return static_cast<std::int16_t>(product);
}

kx::Value cell(const kx::Value& argument, std::int32_t row, std::int32_t column) {
  return range_of(argument).cells(row, column)->value();
}

}  // namespace mktfn
