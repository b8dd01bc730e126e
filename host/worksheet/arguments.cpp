// Coercion of worksheet-function arguments to numbers, flags and grids.
#include "host/worksheet/arguments.hpp"

#include <cmath>
#include <string>

#include "common/conversions.hpp"
#include "common/host_services.hpp"
#include "common/text_compare.hpp"
#include "host/formula/limits.hpp"
#include "host/worksheet/serial_dates.hpp"

namespace host::worksheet {
namespace {

// Worksheet cells and constants are read with the decimal point, whatever the user's locale.
constexpr char kDecimalPoint = '.';

// The only value of a one-cell range or one-element array; anything larger is no single value.
kx::Value single_value_of(const kx::Value& value) {
  const Grid grid(value);
  if (grid.size() != 1) raise_error(kx::error::kXlValue, "a single value is needed where several cells were given");
  return grid.at(0, 0);
}

bool is_container(const kx::Value& value) { return value.is_array() || value.is_range(); }

}  // namespace

void raise_error(std::int32_t number, std::string_view reason) {
  const std::string_view text = error_text(number);
  if (text.empty()) throw kx::Failure(number, std::string(reason));
  throw kx::Failure(number, std::string(text) + " " + std::string(reason));
}

std::string_view error_text(std::int32_t number) {
  switch (number) {
    case kx::error::kXlNull: return "#NULL!";
    case kx::error::kXlDiv0: return "#DIV/0!";
    case kx::error::kXlValue: return "#VALUE!";
    case kx::error::kXlRef: return "#REF!";
    case kx::error::kXlName: return "#NAME?";
    case kx::error::kXlNum: return "#NUM!";
    case kx::error::kXlNA: return "#N/A";
    default: return {};
  }
}

bool is_omitted(const kx::Value& value) { return value.is_missing(); }

double number_arg(const kx::Value& value) {
  switch (value.kind()) {
    case kx::Value::Kind::Number:
      if (!std::isfinite(value.number())) raise_error(kx::error::kXlNum, "the argument is not a finite number");
      return value.number();
    case kx::Value::Kind::Boolean: return value.boolean() ? 1.0 : 0.0;
    case kx::Value::Kind::Empty: return 0.0;
    case kx::Value::Kind::Text:
      if (const auto number = kx::parse_number(value.text(), kDecimalPoint)) return *number;
      // A date written as text counts as its serial, as a date typed into a cell would.
      if (const auto date = parse_date(value.text())) return *date;
      raise_error(kx::error::kXlValue, "\"" + value.text() + "\" is not a number");
    case kx::Value::Kind::Error:
      if (is_omitted(value)) return 0.0;
      raise_error(value.error().number, "an argument holds an error value");
    case kx::Value::Kind::Array:
    case kx::Value::Kind::Range: return number_arg(single_value_of(value));
    default: raise_error(kx::error::kXlValue, "the argument is not a number");
  }
}

double whole_arg(const kx::Value& value) { return std::trunc(number_arg(value)); }

double number_or(const kx::Value& value, double fallback) { return is_omitted(value) ? fallback : number_arg(value); }

kx::Value single_arg(const kx::Value& value) { return is_container(value) ? single_value_of(value) : value; }

std::string text_arg(const kx::Value& value) {
  const kx::Value single = single_arg(value);
  switch (single.kind()) {
    case kx::Value::Kind::Text: return single.text();
    case kx::Value::Kind::Number: return kx::format_general(number_arg(single), kDecimalPoint);
    case kx::Value::Kind::Boolean: return single.boolean() ? "TRUE" : "FALSE";
    case kx::Value::Kind::Empty: return {};
    case kx::Value::Kind::Error:
      if (is_omitted(single)) return {};
      raise_error(single.error().number, "an argument holds an error value");
    default: raise_error(kx::error::kXlValue, "the argument is not a text");
  }
}

std::string text_or(const kx::Value& value, std::string_view fallback) {
  return is_omitted(value) ? std::string(fallback) : text_arg(value);
}

bool same_value(const kx::Value& a, const kx::Value& b) {
  if (a.is_empty() && b.is_empty()) return true;
  if (a.is_empty()) return same_value(b, b.is_text() ? kx::Value(std::string()) : kx::Value(0.0));
  if (b.is_empty()) return same_value(a, a.is_text() ? kx::Value(std::string()) : kx::Value(0.0));
  if (a.kind() != b.kind()) return false;
  switch (a.kind()) {
    case kx::Value::Kind::Number: return a.number() == b.number();
    case kx::Value::Kind::Text: return kx::equals_ignore_case(a.text(), b.text());
    case kx::Value::Kind::Boolean: return a.boolean() == b.boolean();
    default: return false;
  }
}

bool flag_arg(const kx::Value& value) {
  switch (value.kind()) {
    case kx::Value::Kind::Boolean: return value.boolean();
    case kx::Value::Kind::Text:
      if (kx::equals_ignore_case(value.text(), "TRUE")) return true;
      if (kx::equals_ignore_case(value.text(), "FALSE")) return false;
      raise_error(kx::error::kXlValue, "\"" + value.text() + "\" is neither TRUE nor FALSE");
    case kx::Value::Kind::Array:
    case kx::Value::Kind::Range: return flag_arg(single_value_of(value));
    default: return number_arg(value) != 0.0;
  }
}

Grid::Grid(const kx::Value& value) {
  if (value.is_range()) {
    // A range read whole is an array the formula builds: it stays within the formula's budget.
    if (const std::int64_t cells = value.range()->count(); cells > kMaxFormulaArrayCells) {
      throw LimitExceeded("the range " + value.range()->address() + " has " + std::to_string(cells) +
                          " cells, more than the " + std::to_string(kMaxFormulaArrayCells) +
                          " a formula may read as an array");
    }
    const kx::Value cells = value.range()->value();
    if (!cells.is_array()) {
      single_ = cells;
      return;
    }
    array_ = cells.array_ref();
  } else if (value.is_array()) {
    array_ = value.array_ref();
  } else {
    single_ = value;
    return;
  }
  rows_ = array_->rows();
  columns_ = array_->columns();
}

const kx::Value& Grid::at(std::size_t row, std::size_t column) const {
  if (array_ == nullptr) return single_;
  return array_->at(row, column);
}

bool holds_number(const kx::Value& cell) {
  if (cell.is_error()) raise_error(cell.error().number, "a cell holds an error value");
  if (cell.is_number() && !std::isfinite(cell.number())) {
    raise_error(kx::error::kXlNum, "a cell is not a finite number");
  }
  return cell.is_number();
}

std::vector<double> numbers_of(std::span<const kx::Value> arguments, Unreadable rule) {
  std::vector<double> numbers;
  for (const kx::Value& argument : arguments) {
    if (is_container(argument)) {
      const Grid grid(argument);
      for (std::size_t i = 0; i < grid.size(); ++i) {
        const kx::Value& cell = grid.at(i);
        if (rule == Unreadable::kSkip && cell.is_error()) continue;
        if (holds_number(cell)) numbers.push_back(cell.number());
      }
      continue;
    }
    if (argument.is_empty()) continue;  // an empty value given directly is a blank cell
    if (rule == Unreadable::kSkip) {
      const bool readable = argument.is_number() || argument.is_boolean() || is_omitted(argument) ||
                            (argument.is_text() && kx::parse_number(argument.text(), kDecimalPoint));
      if (!readable) continue;
    }
    numbers.push_back(number_arg(argument));
  }
  return numbers;
}

}  // namespace host::worksheet
