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

std::vector<kx::Value> values_of(const kx::Value& argument) {
  const kx::Value values = argument.is_range() ? argument.range()->value() : argument;
  if (!values.is_array()) return {values};
  const auto elements = values.array().values();
  return {elements.begin(), elements.end()};
}

std::vector<double> numbers_of(const kx::Value& argument) {
  std::vector<double> numbers;
  for (const kx::Value& value : values_of(argument)) numbers.push_back(kx::to_double(value));
  return numbers;
}

void require_length(const kx::Value& argument, std::int64_t count) {
  std::int64_t length = 1;
  if (argument.is_range()) length = argument.range()->count();
  if (argument.is_array()) length = static_cast<std::int64_t>(argument.array().size());
  if (length < count) {
    throw kx::Failure(kx::error::kTypeMismatch, "Type mismatch: an argument holds " + std::to_string(length) +
                                                    " values where " + std::to_string(count) + " are needed");
  }
}

void require_shape(const kx::Value& argument, std::int32_t rows, std::int32_t columns) {
  const kx::Range& range = range_of(argument);
  if (range.row_count() < rows || range.column_count() < columns) {
    throw kx::Failure(kx::error::kTypeMismatch, "Type mismatch: " + range.address() + " has fewer than " +
                                                    std::to_string(rows) + " rows or " + std::to_string(columns) +
                                                    " columns");
  }
}

std::int16_t counter_limit(std::int64_t count) {
  if (count > std::numeric_limits<std::int16_t>::max()) {
    throw kx::Failure(kx::error::kOverflow, "Overflow: more than 32767 elements for a 16-bit counter");
  }
  return static_cast<std::int16_t>(count);
}

}  // namespace mktfn
