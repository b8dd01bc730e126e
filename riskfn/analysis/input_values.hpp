// The values an analysis function reads from its input: a range's cells or an array's elements.
#pragma once

#include <span>

#include "common/value.hpp"

namespace riskfn::analysis {

// A range gives as many cells as it has rows, taken by single index (row by row), as a
// one-column range of results is read; an array gives every element from its lower to its
// upper bound, whatever its bounds are. Anything else gives no values.
class InputValues {
 public:
  explicit InputValues(const kx::Value& input);
  InputValues(const InputValues&) = delete;  // the values may point into this object
  InputValues& operator=(const InputValues&) = delete;

  std::span<const kx::Value> values() const { return values_; }
  std::size_t size() const { return values_.size(); }
  // The input was a range or an array.
  bool is_table() const { return is_table_; }
  // Everything read from the input: a range's whole value (every cell, an array unless the
  // range is one cell), an array itself, or an empty value.
  const kx::Value& read() const { return holder_; }

 private:
  kx::Value holder_;
  std::span<const kx::Value> values_;
  bool is_table_ = false;
};

// A setting given as a value or as one cell: the cell's value.
kx::Value single_value_of(const kx::Value& argument);

}  // namespace riskfn::analysis
