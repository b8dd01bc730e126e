// Numbers as the worksheet functions of Main read them: host worksheet functions called as
// members of the application, and elements and cells of their arguments.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "common/conversions.hpp"
#include "common/host_services.hpp"
#include "common/value.hpp"
#include "mktfn/frame/conventions.hpp"

namespace mktfn {

// A host worksheet function used in arithmetic. Called as a member of the application it
// answers an error value when it cannot compute, and arithmetic on that fails with type
// mismatch (13).
double host_number(kx::Application& host, kx::WorksheetFn fn, std::initializer_list<kx::Value> arguments);

// X(i) of an argument as a number.
inline double number_at(const kx::Value& argument, std::int64_t index) {
  return kx::to_double(element(argument, index));
}

// Cells(row, column) of a range argument as a number.
inline double number_at(const kx::Value& argument, std::int32_t row, std::int32_t column) {
  return kx::to_double(cell(argument, row, column));
}

// Reading an argument past its end would take cells the caller never gave, and a range sent to
// the server by value does not carry them. These fail with type mismatch, as the host's sums of
// arrays of different sizes do, when an argument is shorter than its partner.
void require_length(const kx::Value& argument, std::int64_t count);
void require_shape(const kx::Value& argument, std::int32_t rows, std::int32_t columns);

// Every value of an argument, row by row: a range's cells, an array's elements in either
// layout, or a single value. A list of items reads the same laid out in a row or a column.
std::vector<kx::Value> values_of(const kx::Value& argument);
// The same as numbers; a value that is no number fails with type mismatch (13).
std::vector<double> numbers_of(const kx::Value& argument);

// A count kept in a 16-bit counter: past 32767 the call overflows.
std::int16_t counter_limit(std::int64_t count);

}  // namespace mktfn
