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

}  // namespace

const kx::Value Sheet::kEmpty;

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

const Cell* Sheet::find_outside_grid(std::int32_t row, std::int32_t column) const {
  const auto found = cells_.find(key(row, column));
  return found == cells_.end() ? nullptr : &found->second;
}

Cell& Sheet::added_cell(std::int32_t row, std::int32_t column) {
  check_cell(row, column);
  last_row_ = std::max(last_row_, row);
  last_column_ = std::max(last_column_, column);
  Cell& added = cells_.try_emplace(key(row, column)).first->second;
  if (in_grid(row, column)) {
    const std::size_t block = block_index(row, column);
    if (block >= grid_.size()) grid_.resize(block + 1);
    if (!grid_[block]) grid_[block] = std::make_unique<GridBlock>();
    *grid_place(row, column) = &added;
  }
  return added;
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
  forget_memos(row, column);
  if (in_grid(row, column)) {
    if (Cell** place = grid_place(row, column)) *place = nullptr;
  }
  cells_.erase(key(row, column));
}

std::shared_ptr<void> Sheet::area_memo(int kind, std::int32_t top, std::int32_t left, std::int32_t bottom,
                                       std::int32_t right) const {
  for (const Memo& m : memos_) {
    if (m.kind == kind && m.top == top && m.left == left && m.bottom == bottom && m.right == right) return m.memo;
  }
  return nullptr;
}

void Sheet::keep_area_memo(int kind, std::int32_t top, std::int32_t left, std::int32_t bottom, std::int32_t right,
                           std::shared_ptr<void> memo) const {
  if (memos_.size() >= kMostMemos) memos_.erase(memos_.begin());
  memos_.push_back(Memo{kind, top, left, bottom, right, std::move(memo)});
}

void Sheet::for_each_cell(const std::function<void(std::int32_t, std::int32_t, Cell&)>& visit) {
  for (auto& [packed, cell] : cells_) {
    visit(static_cast<std::int32_t>(packed >> 32), static_cast<std::int32_t>(packed & 0xffffffffu), cell);
  }
}

}  // namespace host
