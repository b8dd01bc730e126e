#include "host/formula/operators.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "common/conversions.hpp"
#include "host/formula/coercion.hpp"
#include "host/formula/limits.hpp"
#include "host/worksheet/serial_dates.hpp"

namespace host {
namespace {

constexpr kx::ErrorValue kValueError{kx::error::kXlValue};
constexpr kx::ErrorValue kNumError{kx::error::kXlNum};
constexpr kx::ErrorValue kDivError{kx::error::kXlDiv0};

// The number an arithmetic operator reads, or the error value it gives instead. Written
// without exceptions: this is the path every =A1+1 takes.
std::optional<kx::ErrorValue> read_number(const kx::Value& value, double& number) {
  switch (value.kind()) {
    case kx::Value::Kind::Number: number = value.number(); return std::nullopt;
    case kx::Value::Kind::Boolean: number = value.boolean() ? 1.0 : 0.0; return std::nullopt;
    case kx::Value::Kind::Empty: number = 0.0; return std::nullopt;
    case kx::Value::Kind::Text:
      if (const auto parsed = kx::parse_number(value.text())) {
        number = *parsed;
        return std::nullopt;
      }
      // A date or time written as text is its serial: "2024-01-10"+1, "6:00"*4.
      if (const auto serial = worksheet::parse_date(value.text())) {
        number = *serial;
        return std::nullopt;
      }
      return kValueError;
    case kx::Value::Kind::Error: return value.error();
    default: return kValueError;
  }
}

// A result that overflowed or became undefined is #NUM!, never an infinity or NaN.
kx::Value checked(double result) {
  if (!std::isfinite(result)) return kNumError;
  return result;
}

kx::Value power(double base, double exponent) {
  if (base == 0.0 && exponent == 0.0) return kNumError;
  if (base == 0.0 && exponent < 0.0) return kDivError;
  if (base < 0.0 && exponent != std::trunc(exponent)) return kNumError;
  return checked(raised(base, exponent));
}

template <Operator op>
kx::Value arithmetic(const kx::Value& left, const kx::Value& right) {
  double a = 0;
  double b = 0;
  if (const auto error = read_number(left, a)) return *error;
  if (const auto error = read_number(right, b)) return *error;
  if constexpr (op == Operator::Add) return checked(a + b);
  if constexpr (op == Operator::Subtract) return checked(a - b);
  if constexpr (op == Operator::Multiply) return checked(a * b);
  if constexpr (op == Operator::Divide) return b == 0.0 ? kx::Value(kDivError) : checked(a / b);
  if constexpr (op == Operator::Power) return power(a, b);
}

bool is_scalar_kind(const kx::Value& value) {
  switch (value.kind()) {
    case kx::Value::Kind::Empty:
    case kx::Value::Kind::Number:
    case kx::Value::Kind::Boolean:
    case kx::Value::Kind::Text:
    case kx::Value::Kind::Error: return true;
    default: return false;
  }
}

kx::Value concatenate(const kx::Value& left, const kx::Value& right) {
  if (left.is_error()) return left;
  if (right.is_error()) return right;
  if (!is_scalar_kind(left) || !is_scalar_kind(right)) return kValueError;
  std::string text = text_of(left);
  text += text_of(right);
  if (text.size() > kMaxTextLength) return kValueError;
  return text;
}

template <Operator op>
kx::Value comparison(const kx::Value& left, const kx::Value& right) {
  if (left.is_error()) return left;
  if (right.is_error()) return right;
  if (!is_scalar_kind(left) || !is_scalar_kind(right)) return kValueError;
  // An empty cell equals FALSE as it equals 0 and the empty text.
  const kx::Value& a = left.is_empty() && right.is_boolean() ? kx::Value(false) : left;
  const kx::Value& b = right.is_empty() && left.is_boolean() ? kx::Value(false) : right;
  const std::weak_ordering order = kx::compare_values(a, b);
  if constexpr (op == Operator::Equal) return order == std::weak_ordering::equivalent;
  if constexpr (op == Operator::NotEqual) return order != std::weak_ordering::equivalent;
  if constexpr (op == Operator::Less) return order == std::weak_ordering::less;
  if constexpr (op == Operator::LessEqual) return order != std::weak_ordering::greater;
  if constexpr (op == Operator::Greater) return order == std::weak_ordering::greater;
  if constexpr (op == Operator::GreaterEqual) return order != std::weak_ordering::less;
}

ScalarBinary scalar_binary(Operator op) {
  switch (op) {
    case Operator::Add: return arithmetic<Operator::Add>;
    case Operator::Subtract: return arithmetic<Operator::Subtract>;
    case Operator::Multiply: return arithmetic<Operator::Multiply>;
    case Operator::Divide: return arithmetic<Operator::Divide>;
    case Operator::Power: return arithmetic<Operator::Power>;
    case Operator::Concatenate: return concatenate;
    case Operator::Equal: return comparison<Operator::Equal>;
    case Operator::NotEqual: return comparison<Operator::NotEqual>;
    case Operator::Less: return comparison<Operator::Less>;
    case Operator::LessEqual: return comparison<Operator::LessEqual>;
    case Operator::Greater: return comparison<Operator::Greater>;
    case Operator::GreaterEqual: return comparison<Operator::GreaterEqual>;
    default: return nullptr;
  }
}

kx::Value negate(const kx::Value& operand) {
  double number = 0;
  if (const auto error = read_number(operand, number)) return *error;
  return -number;
}

kx::Value percent(const kx::Value& operand) {
  double number = 0;
  if (const auto error = read_number(operand, number)) return *error;
  return number / 100.0;
}

struct Shape {
  std::size_t rows = 1;
  std::size_t columns = 1;
};

Shape shape_of(const kx::Value& value) {
  if (!value.is_array()) return {};
  return {value.array().rows(), value.array().columns()};
}

// The element at (row, column) when the value repeats as described for broadcast(); null
// where the value has no such element.
const kx::Value* element_at(const kx::Value& value, std::size_t row, std::size_t column) {
  if (!value.is_array()) return &value;
  const kx::Array& array = value.array();
  const std::size_t r = array.rows() == 1 ? 0 : row;
  const std::size_t c = array.columns() == 1 ? 0 : column;
  if (r >= array.rows() || c >= array.columns()) return nullptr;
  return &array.at(r, c);
}

}  // namespace

kx::Value broadcast(const kx::Value& left, const kx::Value& right, ScalarBinary operation) {
  if (!left.is_array() && !right.is_array()) return operation(left, right);
  const Shape a = shape_of(left);
  const Shape b = shape_of(right);
  const std::size_t rows = std::max(a.rows, b.rows);
  const std::size_t columns = std::max(a.columns, b.columns);
  if (static_cast<double>(rows) * static_cast<double>(columns) > static_cast<double>(kMaxFormulaArrayCells)) {
    throw LimitExceeded("an operation on arrays of " + std::to_string(rows) + " rows and " + std::to_string(columns) +
                        " columns exceeds the " + std::to_string(kMaxFormulaArrayCells) +
                        " elements a formula may build");
  }
  kx::Array result(rows, columns);
  ArrayTextBudget text("an operation on arrays");
  for (std::size_t r = 0; r < rows; ++r) {
    for (std::size_t c = 0; c < columns; ++c) {
      const kx::Value* x = element_at(left, r, c);
      const kx::Value* y = element_at(right, r, c);
      kx::Value& element = result.at(r, c);
      element = x && y ? operation(*x, *y) : kx::Value(kx::ErrorValue{kx::error::kXlNA});
      text.count(element);
    }
  }
  return result;
}

kx::Value map_elements(const kx::Value& operand, ScalarUnary operation) {
  if (!operand.is_array()) return operation(operand);
  const kx::Array& source = operand.array();
  kx::Array result(source.rows(), source.columns());
  for (std::size_t i = 0; i < source.size(); ++i) result.at(i) = operation(source.at(i));
  return result;
}

kx::Value apply_binary(Operator op, const kx::Value& left, const kx::Value& right) {
  // The common case first: two numbers, no arrays.
  if (left.is_number() && right.is_number()) {
    const double a = left.number();
    const double b = right.number();
    switch (op) {
      case Operator::Add: return checked(a + b);
      case Operator::Subtract: return checked(a - b);
      case Operator::Multiply: return checked(a * b);
      case Operator::Divide: return b == 0.0 ? kx::Value(kDivError) : checked(a / b);
      case Operator::Power: return power(a, b);
      // As compare_values orders two numbers, without its conversions.
      case Operator::Equal: return !(a < b) && !(b < a);
      case Operator::NotEqual: return a < b || b < a;
      case Operator::Less: return a < b;
      case Operator::LessEqual: return !(b < a);
      case Operator::Greater: return b < a;
      case Operator::GreaterEqual: return !(a < b);
      default: break;
    }
  }
  // Then a number and nothing in arithmetic, where nothing reads as 0 as read_number reads it:
  // a model's markers leave an empty value beside every input's call.
  if (is_arithmetic(op) && (left.is_number() || left.is_empty()) && (right.is_number() || right.is_empty())) {
    return apply_binary(op, left.is_number() ? left.number() : 0.0, right.is_number() ? right.number() : 0.0);
  }
  const ScalarBinary operation = scalar_binary(op);
  if (operation == nullptr) return kValueError;
  return broadcast(left, right, operation);
}

kx::Value apply_unary(Operator op, const kx::Value& operand) {
  switch (op) {
    case Operator::Negate: return map_elements(operand, negate);
    case Operator::Percent: return map_elements(operand, percent);
    case Operator::Identity: return operand;
    default: return kValueError;
  }
}

}  // namespace host
