// A sheet of a workbook: sparse cells, each a value or a formula.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/host_services.hpp"
#include "host/document/address.hpp"
#include "host/document/cell.hpp"

namespace host {

class Book;

class Sheet : public kx::Worksheet {
 public:
  Sheet(std::string name, std::weak_ptr<Book> book) : name_(std::move(name)), book_(std::move(book)) {}
  // The grid points into this sheet's own cells.
  Sheet(const Sheet&) = delete;
  Sheet& operator=(const Sheet&) = delete;

  std::string name() const override { return name_; }
  // A hidden sheet is read and computed like any other; only listings tell it apart.
  bool hidden() const { return hidden_; }
  void set_hidden(bool hidden) { hidden_ = hidden; }
  std::shared_ptr<Book> book() const { return book_.lock(); }

  // An address on this sheet, or on another sheet of the same workbook when it names one.
  kx::RangeRef range(std::string_view address) override;
  kx::RangeRef cells(std::int32_t row, std::int32_t column) override;
  kx::RangeRef area(std::int32_t top, std::int32_t left, std::int32_t bottom, std::int32_t right);

  // nullptr for a cell never written.
  const Cell* find(std::int32_t row, std::int32_t column) const;
  Cell& cell(std::int32_t row, std::int32_t column);
  const kx::Value& value(std::int32_t row, std::int32_t column) const;
  // Where the sheet keeps its pointer to the cell at (row, column), for a reader of one cell
  // again and again: the place lasts as long as the sheet, and holds null while the cell is
  // unwritten. Null itself outside the grid, or where nothing near was ever written: read
  // those with value().
  const Cell* const* place_of(std::int32_t row, std::int32_t column) const {
    return in_grid(row, column) ? grid_place(row, column) : nullptr;
  }
  void set_value(std::int32_t row, std::int32_t column, kx::Value value);
  // Keeps the formula text; the formula engine parses it and fills in the value.
  void set_formula(std::int32_t row, std::int32_t column, std::string text);
  void clear(std::int32_t row, std::int32_t column);

  std::size_t cell_count() const { return cells_.size(); }
  // Every written cell, in no particular order.
  void for_each_cell(const std::function<void(std::int32_t row, std::int32_t column, Cell& cell)>& visit);

  // Something computed from the cells of a rectangle, such as a lookup's index, kept until a
  // cell inside the rectangle is written or cleared. `kind` tells the users of memos apart.
  std::shared_ptr<void> area_memo(int kind, std::int32_t top, std::int32_t left, std::int32_t bottom,
                                  std::int32_t right) const;
  void keep_area_memo(int kind, std::int32_t top, std::int32_t left, std::int32_t bottom, std::int32_t right,
                      std::shared_ptr<void> memo) const;
  // The last row and column ever written (0 when the sheet is empty): the used range grows as
  // cells are written and, as in spreadsheets, clearing a cell does not shrink it.
  std::int32_t last_row() const { return last_row_; }
  std::int32_t last_column() const { return last_column_; }

 private:
  static std::uint64_t key(std::int32_t row, std::int32_t column) {
    return (static_cast<std::uint64_t>(row) << 32) | static_cast<std::uint32_t>(column);
  }

  // Cells in the first kGridColumns columns, where models live, are also found through a
  // grid of pointers into cells_ (whose elements never move): a recalculation reads cells by
  // the million, and an index costs far less than a hash lookup. The grid is kept in small
  // blocks, made when a cell first lands in them, so that a column far down the sheet costs
  // a few pointers per cell, not the rows above it or the columns beside it.
  static constexpr std::int32_t kBlockRows = 32;
  static constexpr std::int32_t kBlockColumns = 8;
  static constexpr std::int32_t kGridColumns = 64;
  static constexpr std::size_t kBlocksPerRow = kGridColumns / kBlockColumns;
  using GridBlock = std::array<Cell*, static_cast<std::size_t>(kBlockRows) * kBlockColumns>;
  static bool in_grid(std::int32_t row, std::int32_t column) {
    return row >= 1 && row <= kMaxRows && column >= 1 && column <= kGridColumns;
  }
  static std::size_t block_index(std::int32_t row, std::int32_t column) {
    return static_cast<std::size_t>(row - 1) / kBlockRows * kBlocksPerRow +
           static_cast<std::size_t>(column - 1) / kBlockColumns;
  }
  // The grid's place of an in-grid cell, or nullptr where no block holds it yet.
  Cell** grid_place(std::int32_t row, std::int32_t column) const {
    const std::size_t block = block_index(row, column);
    if (block >= grid_.size() || !grid_[block]) return nullptr;
    const auto offset = static_cast<std::size_t>(row - 1) % kBlockRows * kBlockColumns +
                        static_cast<std::size_t>(column - 1) % kBlockColumns;
    return &(*grid_[block])[offset];
  }
  const Cell* find_outside_grid(std::int32_t row, std::int32_t column) const;
  // A new cell at (row, column), which holds none yet.
  Cell& added_cell(std::int32_t row, std::int32_t column);
  static const kx::Value kEmpty;

  std::string name_;
  bool hidden_ = false;
  std::weak_ptr<Book> book_;
  std::unordered_map<std::uint64_t, Cell> cells_;
  std::vector<std::unique_ptr<GridBlock>> grid_;  // by block_index; null where no cell is
  struct Memo {
    int kind;
    std::int32_t top, left, bottom, right;
    std::shared_ptr<void> memo;
  };
  // Few: a model looks up in a handful of tables, and every write checks them all.
  static constexpr std::size_t kMostMemos = 16;
  mutable std::vector<Memo> memos_;
  void forget_memos(std::int32_t row, std::int32_t column) {
    if (memos_.empty()) return;
    std::erase_if(memos_, [&](const Memo& m) {
      return row >= m.top && row <= m.bottom && column >= m.left && column <= m.right;
    });
  }
  std::int32_t last_row_ = 0;
  std::int32_t last_column_ = 0;
};

// Inline: a recalculation reads cells by the million, and the grid makes most reads an index.
inline const Cell* Sheet::find(std::int32_t row, std::int32_t column) const {
  if (!in_grid(row, column)) return find_outside_grid(row, column);
  Cell** place = grid_place(row, column);
  return place ? *place : nullptr;
}

// Inline too: every computed formula writes its cell through it.
inline Cell& Sheet::cell(std::int32_t row, std::int32_t column) {
  forget_memos(row, column);  // the caller writes through the reference
  if (const Cell* known = find(row, column)) return const_cast<Cell&>(*known);
  return added_cell(row, column);
}

inline const kx::Value& Sheet::value(std::int32_t row, std::int32_t column) const {
  const Cell* found = find(row, column);
  return found ? found->value : kEmpty;
}

}  // namespace host
