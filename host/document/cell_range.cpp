#include "host/document/cell_range.hpp"

#include "common/conversions.hpp"
#include "host/document/address.hpp"

namespace host {

CellRange::CellRange(std::shared_ptr<Sheet> sheet, std::int32_t top, std::int32_t left, std::int32_t rows,
                     std::int32_t columns)
    : sheet_(std::move(sheet)),
      top_(top),
      left_(left),
      rows_(rows),
      columns_(columns),
      logical_rows_(rows),
      logical_columns_(columns) {}

const CellRange* cell_range_of(const kx::Value& value) {
  return value.is_range() ? dynamic_cast<const CellRange*>(value.range().get()) : nullptr;
}

kx::RangeRef CellRange::cells(std::int32_t row, std::int32_t column) const {
  const std::int64_t absolute_row = std::int64_t{top_} + row - 1;
  const std::int64_t absolute_column = std::int64_t{left_} + column - 1;
  if (absolute_row < 1 || absolute_row > kMaxRows || absolute_column < 1 || absolute_column > kMaxColumns) {
    throw kx::Failure(kx::error::kHostFailure, "Cells(" + std::to_string(row) + ", " + std::to_string(column) +
                                                   ") of " + address() + " lies outside the sheet");
  }
  return std::make_shared<CellRange>(sheet_, static_cast<std::int32_t>(absolute_row),
                                     static_cast<std::int32_t>(absolute_column), 1, 1);
}

kx::RangeRef CellRange::rows(std::int32_t index) const {
  const std::int64_t absolute = std::int64_t{top_} + index - 1;
  if (absolute < 1 || absolute > kMaxRows)
    throw kx::Failure(kx::error::kHostFailure, "Rows(" + std::to_string(index) + ") lies outside the sheet");
  return std::make_shared<CellRange>(sheet_, static_cast<std::int32_t>(absolute), left_, 1, columns_);
}

kx::RangeRef CellRange::columns(std::int32_t index) const {
  const std::int64_t absolute = std::int64_t{left_} + index - 1;
  if (absolute < 1 || absolute > kMaxColumns)
    throw kx::Failure(kx::error::kHostFailure, "Columns(" + std::to_string(index) + ") lies outside the sheet");
  return std::make_shared<CellRange>(sheet_, top_, static_cast<std::int32_t>(absolute), rows_, 1);
}

kx::Value CellRange::value() const {
  if (rows_ == 1 && columns_ == 1) return sheet_->value(top_, left_);
  if (count() > kMaxArrayCells) {
    throw kx::Failure(kx::error::kOutOfMemory, "Range " + address() + " has " + std::to_string(count()) +
                                                   " cells, more than can be read at once (" +
                                                   std::to_string(kMaxArrayCells) + ")");
  }
  kx::Array array(static_cast<std::size_t>(rows_), static_cast<std::size_t>(columns_));
  // Walk the written cells when they are fewer than the rectangle: ranges are often mostly empty.
  if (sheet_->cell_count() < static_cast<std::size_t>(count())) {
    sheet_->for_each_cell([&](std::int32_t row, std::int32_t column, Cell& cell) {
      if (row >= top_ && row < top_ + rows_ && column >= left_ && column < left_ + columns_) {
        array.at(static_cast<std::size_t>(row - top_), static_cast<std::size_t>(column - left_)) = cell.value;
      }
    });
  } else {
    for (std::int32_t r = 0; r < rows_; ++r) {
      for (std::int32_t c = 0; c < columns_; ++c) array.at(r, c) = sheet_->value(top_ + r, left_ + c);
    }
  }
  return array;
}

void CellRange::set_value(const kx::Value& value) {
  if (value.is_array()) {
    const kx::Array& array = value.array();
    for (std::int32_t r = 0; r < rows_; ++r) {
      for (std::int32_t c = 0; c < columns_; ++c) {
        const bool inside = static_cast<std::size_t>(r) < array.rows() && static_cast<std::size_t>(c) < array.columns();
        sheet_->set_value(top_ + r, left_ + c, inside ? array.at(r, c) : kx::Value(kx::ErrorValue{kx::error::kXlNA}));
      }
    }
    return;
  }
  for (std::int32_t r = 0; r < rows_; ++r) {
    for (std::int32_t c = 0; c < columns_; ++c) sheet_->set_value(top_ + r, left_ + c, value);
  }
}

std::string CellRange::text() const { return kx::display_text(sheet_->value(top_, left_)); }

std::string CellRange::address() const { return format_address(top_, left_, top_ + rows_ - 1, left_ + columns_ - 1); }

}  // namespace host
