#include "mktfn/protocol/range_snapshot.hpp"

#include <fmt/format.h>

#include <limits>

#include "common/conversions.hpp"

namespace mktfn::protocol {
namespace {

std::string column_letters(std::int32_t column) {
  std::string letters;
  for (; column > 0; column = (column - 1) / 26)
    letters.insert(letters.begin(), static_cast<char>('A' + (column - 1) % 26));
  return letters;
}

}  // namespace

kx::RangeRef RangeSnapshot::create(std::string address, std::int32_t row, std::int32_t column, std::int32_t rows,
                                   std::int32_t columns, std::vector<kx::Value> cells) {
  if (rows < 1 || columns < 1 || cells.size() != static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns))
    throw kx::Failure(kx::error::kHostFailure, "A range needs as many cell values as its rows times its columns");
  constexpr std::int64_t kLast = std::numeric_limits<std::int32_t>::max();
  if (row < 1 || column < 1 || row - 1 + std::int64_t{rows} > kLast || column - 1 + std::int64_t{columns} > kLast)
    throw kx::Failure(kx::error::kHostFailure, fmt::format("A range cannot begin at R{}C{} with {} rows and {} columns",
                                                           row, column, rows, columns));
  auto block = std::make_shared<Block>(Block{std::move(address), row, column, rows, columns, std::move(cells)});
  return std::shared_ptr<RangeSnapshot>(new RangeSnapshot(std::move(block), row, column, rows, columns));
}

kx::RangeRef RangeSnapshot::part(std::int64_t top, std::int64_t left, std::int64_t rows, std::int64_t columns) const {
  // In 64 bits: a block at row or column 2147483647 and an offset from it overflow 32.
  const Block& block = *block_;
  const bool inside = top >= block.top && left >= block.left && top + rows <= std::int64_t{block.top} + block.rows &&
                      left + columns <= std::int64_t{block.left} + block.columns;
  if (!inside) {
    throw kx::Failure(
        kx::error::kHostFailure,
        fmt::format("Only the cells of {} were sent with the range; R{}C{} lies outside", block.address, top, left));
  }
  return std::shared_ptr<RangeSnapshot>(
      new RangeSnapshot(block_, static_cast<std::int32_t>(top), static_cast<std::int32_t>(left),
                        static_cast<std::int32_t>(rows), static_cast<std::int32_t>(columns)));
}

const kx::Value& RangeSnapshot::at(std::int32_t row, std::int32_t column) const {
  const Block& block = *block_;
  return block.cells[static_cast<std::size_t>(row - block.top) * static_cast<std::size_t>(block.columns) +
                     static_cast<std::size_t>(column - block.left)];
}

kx::RangeRef RangeSnapshot::cells(std::int32_t row, std::int32_t column) const {
  return part(std::int64_t{top_} + row - 1, std::int64_t{left_} + column - 1, 1, 1);
}

kx::RangeRef RangeSnapshot::rows(std::int32_t index) const {
  return part(std::int64_t{top_} + index - 1, left_, 1, columns_);
}

kx::RangeRef RangeSnapshot::columns(std::int32_t index) const {
  return part(top_, std::int64_t{left_} + index - 1, rows_, 1);
}

kx::Value RangeSnapshot::value() const {
  if (rows_ == 1 && columns_ == 1) return at(top_, left_);
  kx::Array array(static_cast<std::size_t>(rows_), static_cast<std::size_t>(columns_));
  for (std::int32_t r = 0; r < rows_; ++r) {
    for (std::int32_t c = 0; c < columns_; ++c) array.at(r, c) = at(top_ + r, left_ + c);
  }
  return array;
}

void RangeSnapshot::set_value(const kx::Value&) {
  throw kx::Failure(kx::error::kHostFailure, "The cells of " + address() + " were sent by value and cannot be written");
}

std::string RangeSnapshot::text() const { return kx::display_text(at(top_, left_)); }

std::string RangeSnapshot::address() const {
  const Block& block = *block_;
  if (top_ == block.top && left_ == block.left && rows_ == block.rows && columns_ == block.columns)
    return block.address;
  std::string text = fmt::format("${}${}", column_letters(left_), top_);
  if (rows_ > 1 || columns_ > 1) text += fmt::format(":${}${}", column_letters(left_ + columns_ - 1), top_ + rows_ - 1);
  return text;
}

}  // namespace mktfn::protocol
