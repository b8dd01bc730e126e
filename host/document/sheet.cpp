#include "host/document/sheet.hpp"

#include <algorithm>

#include "host/document/address.hpp"
#include "host/document/book.hpp"
#include "host/document/cell_range.hpp"

namespace host {
namespace {

void check_cell(std::int32_t row, std::int32_t column) {
  if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns) {
    throw kx::Failure(kx::error::kHostFailure,
                      "Cell (" + std::to_string(row) + ", " + std::to_string(column) + ") lies outside the sheet");
  }
}

const kx::Value kEmpty;

}  // namespace

kx::RangeRef Sheet::range(std::string_view address) {
  const auto area = parse_address(address);
  if (!area) throw kx::Failure(kx::error::kHostFailure, "\"" + std::string(address) + "\" is no cell address");
  std::shared_ptr<Sheet> target = std::static_pointer_cast<Sheet>(shared_from_this());
  if (!area->sheet.empty()) {
    const auto owner = book();
    if (!owner) throw kx::Failure(kx::error::kHostFailure, "The sheet belongs to no workbook");
    target = owner->sheet(area->sheet);
  }
  return target->area(area->top, area->left, area->bottom, area->right);
}

kx::RangeRef Sheet::cells(std::int32_t row, std::int32_t column) { return area(row, column, row, column); }

kx::RangeRef Sheet::area(std::int32_t top, std::int32_t left, std::int32_t bottom, std::int32_t right) {
  check_cell(top, left);
  check_cell(bottom, right);
  return std::make_shared<CellRange>(std::static_pointer_cast<Sheet>(shared_from_this()), top, left, bottom - top + 1,
                                     right - left + 1);
}

const Cell* Sheet::find(std::int32_t row, std::int32_t column) const {
  if (in_grid(row, column)) return row <= grid_rows_ ? grid_[grid_index(row, column)] : nullptr;
  const auto found = cells_.find(key(row, column));
  return found == cells_.end() ? nullptr : &found->second;
}

Cell& Sheet::cell(std::int32_t row, std::int32_t column) {
  if (in_grid(row, column) && row <= grid_rows_) {
    if (Cell* known = grid_[grid_index(row, column)]) return *known;
  }
  check_cell(row, column);
  forget_read(row, column);  // the caller may write through the reference
  last_row_ = std::max(last_row_, row);
  last_column_ = std::max(last_column_, column);
  const auto [place, added] = cells_.try_emplace(key(row, column));
  if (added && in_grid(row, column)) {
    if (row > grid_rows_) {
      // Rows grow by doubling, so that filling a sheet row by row copies the grid few times.
      grid_rows_ = std::min(kGridRows, std::max({row, 2 * grid_rows_, 16}));
      grid_.resize(static_cast<std::size_t>(grid_rows_) * kGridColumns, nullptr);
    }
    grid_[grid_index(row, column)] = &place->second;
  }
  return place->second;
}

const kx::Value& Sheet::value(std::int32_t row, std::int32_t column) const {
  const Cell* found = find(row, column);
  return found ? found->value : kEmpty;
}

void Sheet::set_value(std::int32_t row, std::int32_t column, kx::Value value) {
  if (value.is_empty()) {
    clear(row, column);
    return;
  }
  Cell& target = cell(row, column);
  target = Cell{};
  target.value = std::move(value);
}

void Sheet::set_formula(std::int32_t row, std::int32_t column, std::string text) {
  Cell& target = cell(row, column);
  target = Cell{};
  target.formula_text = std::move(text);
}

void Sheet::clear(std::int32_t row, std::int32_t column) {
  forget_read(row, column);
  if (in_grid(row, column) && row <= grid_rows_) grid_[grid_index(row, column)] = nullptr;
  cells_.erase(key(row, column));
}

std::optional<kx::Value> Sheet::cached_read(std::int32_t top, std::int32_t left, std::int32_t bottom,
                                            std::int32_t right) const {
  if (!last_read_ || last_read_->top != top || last_read_->left != left || last_read_->bottom != bottom ||
      last_read_->right != right) {
    return std::nullopt;
  }
  return last_read_->values;
}

void Sheet::remember_read(std::int32_t top, std::int32_t left, std::int32_t bottom, std::int32_t right,
                          kx::Value values) const {
  last_read_ = Read{top, left, bottom, right, std::move(values)};
}

void Sheet::for_each_cell(const std::function<void(std::int32_t, std::int32_t, Cell&)>& visit) {
  for (auto& [packed, cell] : cells_) {
    visit(static_cast<std::int32_t>(packed >> 32), static_cast<std::int32_t>(packed & 0xffffffffu), cell);
  }
}

}  // namespace host
