// A reference as written in a formula: an optional workbook and sheet, and a rectangle.
#pragma once

#include <cstdint>
#include <string>

namespace host {

struct Reference {
  std::string book;   // empty: the formula's own workbook
  std::string sheet;  // empty: the formula's own sheet
  std::int32_t top = 1;
  std::int32_t left = 1;
  std::int32_t bottom = 1;
  std::int32_t right = 1;

  bool single_cell() const { return top == bottom && left == right; }
  std::int32_t row_count() const { return bottom - top + 1; }
  std::int32_t column_count() const { return right - left + 1; }
  std::int64_t cell_count() const { return std::int64_t{row_count()} * column_count(); }
  bool contains(std::int32_t row, std::int32_t column) const {
    return row >= top && row <= bottom && column >= left && column <= right;
  }
};

}  // namespace host
