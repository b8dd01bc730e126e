// A range sent by value: its place on the sheet, its address and the values of its cells. Rows,
// Cells and the worksheet functions read it as they read the host's own range.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/host_services.hpp"
#include "common/value.hpp"

namespace mktfn::protocol {

class RangeSnapshot : public kx::Range {
 public:
  // `cells` holds the block's values row by row: `rows` times `columns` of them.
  static kx::RangeRef create(std::string address, std::int32_t row, std::int32_t column, std::int32_t rows,
                             std::int32_t columns, std::vector<kx::Value> cells);

  std::int32_t row() const override { return top_; }
  std::int32_t column() const override { return left_; }
  std::int32_t row_count() const override { return rows_; }
  std::int32_t column_count() const override { return columns_; }

  // Only cells inside the block sent are known; any other fails with 1004.
  kx::RangeRef cells(std::int32_t row, std::int32_t column) const override;
  kx::RangeRef rows(std::int32_t index) const override;
  kx::RangeRef columns(std::int32_t index) const override;

  kx::Value value() const override;
  // The worksheet functions never write to cells; a copy of cells has nothing to write to.
  void set_value(const kx::Value& value) override;
  std::string text() const override;
  std::string address() const override;

 private:
  struct Block {
    std::string address;
    std::int32_t top = 0;
    std::int32_t left = 0;
    std::int32_t rows = 0;
    std::int32_t columns = 0;
    std::vector<kx::Value> cells;
  };
  RangeSnapshot(std::shared_ptr<const Block> block, std::int32_t top, std::int32_t left, std::int32_t rows,
                std::int32_t columns)
      : block_(std::move(block)), top_(top), left_(left), rows_(rows), columns_(columns) {}
  kx::RangeRef part(std::int64_t top, std::int64_t left, std::int64_t rows, std::int64_t columns) const;
  const kx::Value& at(std::int32_t row, std::int32_t column) const;

  std::shared_ptr<const Block> block_;
  std::int32_t top_;
  std::int32_t left_;
  std::int32_t rows_;
  std::int32_t columns_;
};

}  // namespace mktfn::protocol
