// The operators of formulas on single values and, element by element, on arrays.
#pragma once

#include <cmath>

#include "common/value.hpp"
#include "host/formula/syntax_tree.hpp"

namespace host {

// An error operand gives its error (the left one first); what cannot be read as the operator
// needs is #VALUE!; division by zero is #DIV/0!; overflow and 0^0 are #NUM!.
kx::Value apply_binary(Operator op, const kx::Value& left, const kx::Value& right);
kx::Value apply_unary(Operator op, const kx::Value& operand);

// + - * / ^: the operators that take two numbers to a number.
inline bool is_arithmetic(Operator op) {
  return op == Operator::Add || op == Operator::Subtract || op == Operator::Multiply || op == Operator::Divide ||
         op == Operator::Power;
}

// base^exponent as std::pow gives it, with the exponents 0, 1 and 2 of most powers in models
// (growth over the first years, squares) taken exactly, as one rounding gives them, without
// pow's cost. The caller checks for the error cases.
inline double raised(double base, double exponent) {
  if (exponent == 1.0) return base;
  if (exponent == 2.0) return base * base;
  if (exponent == 0.0) return 1.0;
  return std::pow(base, exponent);
}

// One step of a chain of numbers, as apply_binary takes it for two numbers; false where that
// gives an error value instead of a number.
inline bool combine_numbers(Operator op, double& left, double right) {
  switch (op) {
    case Operator::Add: left += right; break;
    case Operator::Subtract: left -= right; break;
    case Operator::Multiply: left *= right; break;
    case Operator::Divide:
      if (right == 0.0) return false;
      left /= right;
      break;
    case Operator::Power:
      if (left == 0.0 && right <= 0.0) return false;
      if (left < 0.0 && right != std::trunc(right)) return false;
      left = raised(left, right);
      break;
    default: return false;
  }
  return std::isfinite(left);
}

using ScalarBinary = kx::Value (*)(const kx::Value& left, const kx::Value& right);
using ScalarUnary = kx::Value (*)(const kx::Value& operand);

// Applies a scalar operation to every pair of elements. A single value, a single row or a
// single column repeats to the other operand's size; positions that only one of two arrays
// has give #N/A. Raises a Failure when the result would exceed kMaxFormulaArrayCells.
kx::Value broadcast(const kx::Value& left, const kx::Value& right, ScalarBinary operation);
kx::Value map_elements(const kx::Value& operand, ScalarUnary operation);

}  // namespace host
