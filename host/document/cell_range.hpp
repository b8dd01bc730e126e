// A rectangle of cells on one sheet, as the components reach it.
#pragma once

#include <cstdint>
#include <memory>

#include "common/host_services.hpp"
#include "host/document/sheet.hpp"

namespace host {

// Reading a range as one array is bounded, so that "A:XFD" gives a clear failure
// instead of an allocation of gigabytes.
inline constexpr std::int64_t kMaxArrayCells = 10'000'000;

class CellRange : public kx::Range {
 public:
  CellRange(std::shared_ptr<Sheet> sheet, std::int32_t top, std::int32_t left, std::int32_t rows, std::int32_t columns);

  std::int32_t row() const override { return top_; }
  std::int32_t column() const override { return left_; }
  std::int32_t row_count() const override { return rows_; }
  std::int32_t column_count() const override { return columns_; }

  kx::RangeRef cells(std::int32_t row, std::int32_t column) const override;
  kx::RangeRef rows(std::int32_t index) const override;
  kx::RangeRef columns(std::int32_t index) const override;

  kx::Value value() const override;
  void set_value(const kx::Value& value) override;
  std::string text() const override;
  std::string address() const override;

  const std::shared_ptr<Sheet>& sheet() const { return sheet_; }

  // A whole column or row is read over the sheet's used range only, but keeps its size on the
  // sheet: its rows and columns as written, and the blank cells past the ones read.
  void set_logical_size(std::int32_t rows, std::int32_t columns) {
    logical_rows_ = rows;
    logical_columns_ = columns;
  }
  std::int32_t logical_rows() const { return logical_rows_; }
  std::int32_t logical_columns() const { return logical_columns_; }
  std::int64_t cells_beyond() const {
    return std::int64_t{logical_rows_} * logical_columns_ - std::int64_t{rows_} * columns_;
  }

 private:
  std::shared_ptr<Sheet> sheet_;
  std::int32_t top_;
  std::int32_t left_;
  std::int32_t rows_;
  std::int32_t columns_;
  std::int32_t logical_rows_;
  std::int32_t logical_columns_;
};

// The range a value holds when it is one of the sheets' ranges; null for any other value.
const CellRange* cell_range_of(const kx::Value& value);

}  // namespace host
