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

 private:
  std::shared_ptr<Sheet> sheet_;
  std::int32_t top_;
  std::int32_t left_;
  std::int32_t rows_;
  std::int32_t columns_;
};

}  // namespace host
