// Cell values and arrays.
#include "common/value.hpp"

namespace kx {

bool operator==(const Value& a, const Value& b) {
  if (a.kind() != b.kind()) return false;
  if (a.is_array()) return a.array() == b.array();
  return a.data_ == b.data_;
}

Array::Array(std::size_t rows, std::size_t columns, std::int32_t row_base, std::int32_t column_base)
    : rows_(rows), columns_(columns), row_base_(row_base), column_base_(column_base), values_(rows * columns) {}

Array Array::vector(std::size_t size, std::int32_t base) { return vector(std::vector<Value>(size), base); }

Array Array::vector(std::vector<Value> values, std::int32_t base) {
  Array array;
  array.dimensions_ = 1;
  array.rows_ = 1;
  array.columns_ = values.size();
  array.row_base_ = base;
  array.column_base_ = base;
  array.values_ = std::move(values);
  return array;
}

std::int32_t Array::upper_bound(int dimension) const {
  if (dimensions_ == 1) return row_base_ + static_cast<std::int32_t>(columns_) - 1;
  return dimension == 1 ? row_base_ + static_cast<std::int32_t>(rows_) - 1
                        : column_base_ + static_cast<std::int32_t>(columns_) - 1;
}

}  // namespace kx
