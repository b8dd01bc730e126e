// Which formula cells read which, the order that computes every cell after what it reads,
// and the circular references that have no such order.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "host/formula/reference.hpp"

namespace host {

class Sheet;

// A rectangle on a known sheet.
struct SheetArea {
  const Sheet* sheet = nullptr;
  Reference area;  // book and sheet names unused

  bool intersects(const SheetArea& other) const {
    return sheet == other.sheet && area.top <= other.area.bottom && other.area.top <= area.bottom &&
           area.left <= other.area.right && other.area.left <= area.right;
  }
};

// One formula cell as the graph sees it.
struct GraphCell {
  const Sheet* sheet = nullptr;
  std::int32_t row = 0;
  std::int32_t column = 0;
  std::vector<SheetArea> reads;    // every reference of the formula
  std::optional<SheetArea> spill;  // where its last array result spilled, anchor included
};

// Rectangles to test others against without comparing every pair: sorted by sheet and top
// row, a query looks only at those whose top lies within the tallest one's height above it.
// Spilled results are mostly a few rows high, so a sheet of many spills stays linear.
class AreaIndex {
 public:
  struct Entry {
    SheetArea area;
    std::uint32_t id;
  };
  explicit AreaIndex(std::vector<Entry> entries);

  // Calls found(entry) for every entry whose area intersects `query`.
  template <class Found>
  void for_each_intersecting(const SheetArea& query, Found&& found) const {
    auto at =
        std::lower_bound(entries_.begin(), entries_.end(), query.sheet, [&](const Entry& entry, const Sheet* sheet) {
          return std::less<const Sheet*>()(entry.area.sheet, sheet) ||
                 (entry.area.sheet == sheet && entry.area.area.top < query.area.top - tallest_);
        });
    for (; at != entries_.end() && at->area.sheet == query.sheet && at->area.area.top <= query.area.bottom; ++at) {
      if (at->area.intersects(query)) found(*at);
    }
  }

 private:
  std::vector<Entry> entries_;
  std::int32_t tallest_ = 0;  // the most rows an entry spans, less one
};

class DependencyGraph {
 public:
  // A cell reads another when one of its references covers that cell or a cell its array
  // result spilled into. Works without recursion, so a chain of a million cells is fine.
  explicit DependencyGraph(std::span<const GraphCell> cells);

  // The nodes not on a circular reference, each after every node it reads. A node is a formula
  // cell (is_cell) or a range that several cells read, whose precedents are the cells inside.
  std::span<const std::uint32_t> order() const { return order_; }
  bool is_cell(std::uint32_t node) const { return node < cell_count_; }
  std::size_t node_count() const { return offsets_.size() - 1; }
  // The nodes that `cell` reads.
  std::span<const std::uint32_t> precedents(std::uint32_t cell) const {
    return std::span<const std::uint32_t>(edges_).subspan(offsets_[cell], offsets_[cell + 1] - offsets_[cell]);
  }
  // Each circular reference as its formula cells, in the order they were given. The cells of
  // one may still be computable in some order the references do not show (a lookup reads only
  // the cell it finds); cycle k belongs before order()[cycle_position(k)].
  const std::vector<std::vector<std::uint32_t>>& cycles() const { return cycles_; }
  std::size_t cycle_position(std::size_t k) const { return cycle_positions_[k]; }
  // The ranges read by several cells that run through cycle k.
  const std::vector<std::uint32_t>& cycle_ranges(std::size_t k) const { return cycle_ranges_[k]; }

 private:
  void order_by_strong_components(std::size_t count);

  std::size_t cell_count_ = 0;
  std::vector<std::uint32_t> offsets_;  // precedents of cell i: edges_[offsets_[i] .. offsets_[i+1])
  std::vector<std::uint32_t> edges_;
  std::vector<std::uint32_t> order_;
  std::vector<std::vector<std::uint32_t>> cycles_;
  std::vector<std::size_t> cycle_positions_;
  std::vector<std::vector<std::uint32_t>> cycle_ranges_;
};

}  // namespace host
