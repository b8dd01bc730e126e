// LAMBDA and the functions that apply one: MAP, REDUCE, SCAN, BYROW, BYCOL and MAKEARRAY. They
// run as builtins of the formula engine, since a lambda's body is evaluated in its formula.
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "host/formula/builtins.hpp"
#include "host/formula/coercion.hpp"
#include "host/formula/lambda.hpp"
#include "host/formula/limits.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

// The lambda an argument gives, taking `parameters` values; kept alive by the caller.
std::shared_ptr<const Lambda> lambda_arg(const host::Arguments& arguments, std::size_t index, std::size_t parameters) {
  const kx::Value value = arguments.value(index);
  if (value.is_error()) give_error(value.error().number);
  auto lambda = value.is_object() ? std::dynamic_pointer_cast<const Lambda>(value.object()) : nullptr;
  if (lambda == nullptr || lambda->parameter_count() != parameters) give_error(kx::error::kXlValue);
  return lambda;
}

// An argument as an array: a single value is a 1 x 1 one.
kx::Array array_arg(const host::Arguments& arguments, std::size_t index) {
  kx::Value value = arguments.given(index) ? arguments.value(index) : kx::Value();
  if (value.is_object()) give_error(kx::error::kXlValue);
  if (value.is_array()) return value.array();
  kx::Array single(1, 1);
  single.at(0) = std::move(value);
  return single;
}

// What a lambda gives for one element of an array: one value. A whole array there has no
// place (the common spreadsheet's #CALC!): #VALUE!.
kx::Value element_of(kx::Value result) {
  if (result.is_array()) {
    const kx::Array& array = result.array();
    if (array.size() != 1) return kx::ErrorValue{kx::error::kXlValue};
    return kx::Value(array.at(0));
  }
  if (result.is_object()) return kx::ErrorValue{kx::error::kXlValue};
  return result;
}

void check_cells(double cells, std::string_view function) {
  if (cells > static_cast<double>(kMaxFormulaArrayCells)) {
    throw LimitExceeded(std::string(function) + " would build more than the " + std::to_string(kMaxFormulaArrayCells) +
                        " elements a formula may build");
  }
}

kx::Value make_lambda(const host::Arguments& arguments) { return arguments.lambda(); }

// MAP(array1, [array2, ...], lambda): the lambda of the arrays' elements, place by place. The
// arrays have one shape; a single value goes with every place.
kx::Value map(const host::Arguments& arguments) {
  const std::size_t count = arguments.count() - 1;
  const auto lambda = lambda_arg(arguments, count, count);
  std::vector<kx::Array> arrays;
  std::size_t rows = 1;
  std::size_t columns = 1;
  for (std::size_t i = 0; i < count; ++i) {
    kx::Array& array = arrays.emplace_back(array_arg(arguments, i));
    if (array.size() == 1) continue;
    if (rows * columns > 1 && (array.rows() != rows || array.columns() != columns)) give_error(kx::error::kXlValue);
    rows = array.rows();
    columns = array.columns();
  }
  kx::Array result(rows, columns);
  ArrayTextBudget text("MAP");
  std::vector<kx::Value> values(count);
  for (std::size_t place = 0; place < result.size(); ++place) {
    for (std::size_t i = 0; i < count; ++i) values[i] = arrays[i].size() == 1 ? arrays[i].at(0) : arrays[i].at(place);
    result.at(place) = element_of(lambda->apply(values));
    text.count(result.at(place));
  }
  return result;
}

// REDUCE([initial], array, lambda(accumulator, value)) and SCAN, which gives every step.
template <bool EveryStep>
kx::Value accumulate(const host::Arguments& arguments) {
  const std::size_t first = arguments.count() == 3 ? 1 : 0;
  const auto lambda = lambda_arg(arguments, first + 1, 2);
  kx::Value accumulator = first == 1 && arguments.given(0) ? arguments.value(0) : kx::Value();
  const kx::Array array = array_arg(arguments, first);
  kx::Array steps(EveryStep ? array.rows() : 0, EveryStep ? array.columns() : 0);
  ArrayTextBudget text("SCAN");
  for (std::size_t place = 0; place < array.size(); ++place) {
    const std::array<kx::Value, 2> values{accumulator, array.at(place)};
    accumulator = lambda->apply(values);
    if (accumulator.is_object()) give_error(kx::error::kXlValue);
    if constexpr (EveryStep) {
      accumulator = element_of(std::move(accumulator));
      steps.at(place) = accumulator;
      text.count(accumulator);
    }
  }
  if constexpr (EveryStep) {
    return steps;
  } else {
    return accumulator;
  }
}

// BYROW(array, lambda(row)) gives a column of one value a row; BYCOL a row of one a column.
template <bool ByRow>
kx::Value by_line(const host::Arguments& arguments) {
  const auto lambda = lambda_arg(arguments, 1, 1);
  const kx::Array array = array_arg(arguments, 0);
  const std::size_t lines = ByRow ? array.rows() : array.columns();
  const std::size_t length = ByRow ? array.columns() : array.rows();
  kx::Array result(ByRow ? lines : 1, ByRow ? 1 : lines);
  ArrayTextBudget text(ByRow ? "BYROW" : "BYCOL");
  for (std::size_t line = 0; line < lines; ++line) {
    kx::Array values(ByRow ? 1 : length, ByRow ? length : 1);
    for (std::size_t k = 0; k < length; ++k) values.at(k) = ByRow ? array.at(line, k) : array.at(k, line);
    const std::array<kx::Value, 1> given{kx::Value(std::move(values))};
    result.at(line) = element_of(lambda->apply(given));
    text.count(result.at(line));
  }
  return result;
}

// MAKEARRAY(rows, columns, lambda(row, column)): the lambda of each place, counted from 1.
kx::Value make_array(const host::Arguments& arguments) {
  const double rows = std::trunc(number_of(arguments.value(0)));
  const double columns = std::trunc(number_of(arguments.value(1)));
  if (rows < 1.0 || columns < 1.0) give_error(kx::error::kXlValue);
  check_cells(rows * columns, "MAKEARRAY");
  const auto lambda = lambda_arg(arguments, 2, 2);
  kx::Array result(static_cast<std::size_t>(rows), static_cast<std::size_t>(columns));
  ArrayTextBudget text("MAKEARRAY");
  for (std::size_t row = 0; row < result.rows(); ++row) {
    for (std::size_t column = 0; column < result.columns(); ++column) {
      const std::array<kx::Value, 2> place{static_cast<double>(row + 1), static_cast<double>(column + 1)};
      result.at(row, column) = element_of(lambda->apply(place));
      text.count(result.at(row, column));
    }
  }
  return result;
}

constexpr std::array<Builtin, 7> kBuiltins = {{
    {"LAMBDA", 1, kMaxArguments, make_lambda, "[parameter1], ..., calculation"},
    {"MAP", 2, kMaxArguments, map, "array1, ..., lambda"},
    {"REDUCE", 2, 3, accumulate<false>, "[initial_value], array, lambda"},
    {"SCAN", 2, 3, accumulate<true>, "[initial_value], array, lambda"},
    {"BYROW", 2, 2, by_line<true>, "array, lambda"},
    {"BYCOL", 2, 2, by_line<false>, "array, lambda"},
    {"MAKEARRAY", 3, 3, make_array, "rows, columns, lambda"},
}};

}  // namespace

std::span<const Builtin> lambda_builtins() { return kBuiltins; }

}  // namespace host::worksheet
