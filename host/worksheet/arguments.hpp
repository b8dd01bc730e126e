// Reading worksheet-function arguments the way the spreadsheet coerces them: single values,
// arrays and ranges, the omitted argument, and the numbers an aggregate takes from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/value.hpp"

namespace host::worksheet {

// Raises the worksheet error `number` (#NUM!, #VALUE!, ...) with the reason shown to the user.
[[noreturn]] void raise_error(std::int32_t number, std::string_view reason);

// Raises #NUM! with the reason unless the arguments lie in the function's domain.
inline void check_domain(bool holds, std::string_view reason) {
  if (!holds) raise_error(kx::error::kXlNum, reason);
}

// The spreadsheet's own text for a worksheet error number ("#NUM!"), or empty.
std::string_view error_text(std::int32_t number);

// An omitted argument: the missing-argument marker.
bool is_omitted(const kx::Value& value);

// A single number: numbers, booleans (TRUE is 1), numeric texts, empty (0), an omitted
// argument (0, as an empty place in a formula), a one-cell range or one-element array.
// Other texts and several cells are #VALUE!; an error value raises its own error.
double number_arg(const kx::Value& value);
// The same, truncated toward zero as the spreadsheet does with counts and degrees of freedom.
double whole_arg(const kx::Value& value);
// The same, or `fallback` when the argument is omitted.
double number_or(const kx::Value& value, double fallback);
// The one value of an argument: a one-cell range or one-element array gives its element;
// several cells are #VALUE!. Error values are returned as they are.
kx::Value single_arg(const kx::Value& value);
// A text: numbers in the general form, TRUE and FALSE, the empty text for an empty cell or an
// omitted argument. An error value raises its own error.
std::string text_arg(const kx::Value& value);
// The same, or `fallback` when the argument is omitted.
std::string text_or(const kx::Value& value, std::string_view fallback);
// Equality as the = operator and exact lookups see it: numbers by value, texts without case,
// booleans; an empty cell equals 0 and the empty text; values of different kinds never match.
bool same_value(const kx::Value& a, const kx::Value& b);
// A TRUE/FALSE flag: booleans, numbers (non-zero is TRUE), the texts TRUE and FALSE.
bool flag_arg(const kx::Value& value);

// Any argument seen as rows and columns of values: an array (one dimension is one row),
// a range's cells, or a single value as one cell. Positions are 0-based.
class Grid {
 public:
  explicit Grid(const kx::Value& value);

  std::size_t rows() const { return rows_; }
  std::size_t columns() const { return columns_; }
  std::size_t size() const { return rows_ * columns_; }
  const kx::Value& at(std::size_t row, std::size_t column) const;
  const kx::Value& at(std::size_t index) const { return at(index / columns_, index % columns_); }
  // The argument was a single value rather than an array or range.
  bool is_single_value() const { return array_ == nullptr; }

 private:
  kx::Value single_;
  kx::ArrayRef array_;
  std::size_t rows_ = 1;
  std::size_t columns_ = 1;
};

// A number held in a cell of an array or range; texts, booleans and empty cells are none.
// An error value raises its own error.
bool holds_number(const kx::Value& cell);

// How an aggregate treats what it cannot read as a number.
enum class Unreadable {
  kRaise,  // Sum, Average, ...: a text given directly is #VALUE!, an error value raises
  kSkip,   // Count: such values are simply not counted
};

// The numbers an aggregate works on. Values given directly count when they can be read as
// numbers (booleans and numeric texts included); inside arrays and ranges only numbers count.
std::vector<double> numbers_of(std::span<const kx::Value> arguments, Unreadable rule = Unreadable::kRaise);

}  // namespace host::worksheet
