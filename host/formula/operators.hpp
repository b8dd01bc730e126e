// The operators of formulas on single values and, element by element, on arrays.
#pragma once

#include "common/value.hpp"
#include "host/formula/syntax_tree.hpp"

namespace host {

// An error operand gives its error (the left one first); what cannot be read as the operator
// needs is #VALUE!; division by zero is #DIV/0!; overflow and 0^0 are #NUM!.
kx::Value apply_binary(Operator op, const kx::Value& left, const kx::Value& right);
kx::Value apply_unary(Operator op, const kx::Value& operand);

using ScalarBinary = kx::Value (*)(const kx::Value& left, const kx::Value& right);
using ScalarUnary = kx::Value (*)(const kx::Value& operand);

// Applies a scalar operation to every pair of elements. A single value, a single row or a
// single column repeats to the other operand's size; positions that only one of two arrays
// has give #N/A. Raises a Failure when the result would exceed kMaxFormulaArrayCells.
kx::Value broadcast(const kx::Value& left, const kx::Value& right, ScalarBinary operation);
kx::Value map_elements(const kx::Value& operand, ScalarUnary operation);

}  // namespace host
