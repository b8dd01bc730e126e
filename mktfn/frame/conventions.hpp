// The argument conventions the worksheet functions of Main share: omitted variants, sizes read
// from ranges, elements by position, and the trap that answers with the xlErrValue error value.
#pragma once

#include <cstdint>
#include <exception>

#include "common/failure.hpp"
#include "common/host_services.hpp"
#include "common/value.hpp"
#include "mktfn/frame/main.hpp"

namespace mktfn {

// An omitted variant arrives as the missing-argument marker; any error value counts as omitted,
// so a cell holding an error does too.
inline bool is_omitted(const kx::Value& argument) { return argument.is_error(); }

// The range an argument holds. Rows.Count and the like exist only on ranges: anything else
// fails with 424 (object required), as the platform answers them asked of an array or a number.
const kx::Range& range_of(const kx::Value& argument);
inline std::int32_t rows_count(const kx::Value& argument) { return range_of(argument).row_count(); }
inline std::int32_t columns_count(const kx::Value& argument) { return range_of(argument).column_count(); }
inline std::int64_t cells_count(const kx::Value& argument) { return range_of(argument).count(); }

// X(i) of a one-dimensional argument: the i-th cell of a range (1-based, row by row), or the
// element at index i of a one-dimensional array within its own bounds. Anything else fails:
// 9 outside an array's bounds or for an array of two dimensions, 13 for a single value.
kx::Value element(const kx::Value& argument, std::int64_t index);
// Cells(row, column) of a range argument, 1-based, as its value.
kx::Value cell(const kx::Value& argument, std::int32_t row, std::int32_t column);

// A product of two 16-bit whole numbers, failing with overflow (6) outside the 16-bit range.
std::int16_t product16(std::int16_t a, std::int16_t b);

// A function with a failure trap: whatever fails in the body returns the xlErrValue error value.
template <class Body>
kx::Value trapped(const Main& main, Body&& body) {
  try {
    return kx::Value(body());
  } catch (const std::exception&) {
    return main.value_error();
  }
}

}  // namespace mktfn
