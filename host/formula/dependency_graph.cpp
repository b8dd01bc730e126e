#include "host/formula/dependency_graph.hpp"

#include <algorithm>
#include <cstddef>
#include <map>
#include <tuple>

namespace host {
namespace {

// Formula cells sorted by sheet, column and row, to find those inside a rectangle quickly.
struct Position {
  const Sheet* sheet;
  std::int32_t column;
  std::int32_t row;
  std::uint32_t cell;

  friend bool operator<(const Position& a, const Position& b) {
    const auto sheet_a = reinterpret_cast<std::uintptr_t>(a.sheet);
    const auto sheet_b = reinterpret_cast<std::uintptr_t>(b.sheet);
    return std::tie(sheet_a, a.column, a.row) < std::tie(sheet_b, b.column, b.row);
  }
};

class CellIndex {
 public:
  explicit CellIndex(std::span<const GraphCell> cells) {
    positions_.reserve(cells.size());
    for (std::uint32_t i = 0; i < cells.size(); ++i)
      positions_.push_back({cells[i].sheet, cells[i].column, cells[i].row, i});
    std::sort(positions_.begin(), positions_.end());
  }

  // Calls found(cell) for every formula cell inside `where`, visiting only the columns that hold one.
  template <class Found>
  void for_each_inside(const SheetArea& where, Found&& found) const {
    auto at = std::lower_bound(positions_.begin(), positions_.end(),
                               Position{where.sheet, where.area.left, where.area.top, 0});
    while (at != positions_.end() && at->sheet == where.sheet && at->column <= where.area.right) {
      if (at->row < where.area.top) {
        // The first cell of a later column can lie above the rectangle.
        at = std::lower_bound(at, positions_.end(), Position{where.sheet, at->column, where.area.top, 0});
      } else if (at->row <= where.area.bottom) {
        found(at->cell);
        ++at;
      } else {
        at = std::lower_bound(at, positions_.end(), Position{where.sheet, at->column + 1, where.area.top, 0});
      }
    }
  }

 private:
  std::vector<Position> positions_;
};

}  // namespace

AreaIndex::AreaIndex(std::vector<Entry> entries) : entries_(std::move(entries)) {
  std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
    if (a.area.sheet != b.area.sheet) return std::less<const Sheet*>()(a.area.sheet, b.area.sheet);
    return a.area.area.top < b.area.area.top;
  });
  for (const Entry& entry : entries_) tallest_ = std::max(tallest_, entry.area.area.bottom - entry.area.area.top);
}

DependencyGraph::DependencyGraph(std::span<const GraphCell> cells) : cell_count_(cells.size()) {
  const CellIndex index(cells);
  std::vector<AreaIndex::Entry> spills;
  for (std::uint32_t i = 0; i < cells.size(); ++i) {
    if (cells[i].spill) spills.push_back({*cells[i].spill, i});
  }
  const AreaIndex spilling(std::move(spills));
  // A range read by many cells (=SUM(A:A) down a column) becomes one node that reads the cells
  // inside, so that its readers need one edge each instead of one per cell inside: the graph
  // then grows with the cells, not with their square.
  std::map<std::tuple<const Sheet*, std::int32_t, std::int32_t, std::int32_t, std::int32_t>, std::uint32_t> area_nodes;
  std::vector<std::vector<std::uint32_t>> area_edges;
  const auto precedents_inside = [&](const SheetArea& read, std::vector<std::uint32_t>& edges) {
    index.for_each_inside(read, [&](std::uint32_t precedent) { edges.push_back(precedent); });
    spilling.for_each_intersecting(read, [&](const AreaIndex::Entry& spill) { edges.push_back(spill.id); });
  };
  const auto area_node = [&](const SheetArea& read) {
    const auto key = std::make_tuple(read.sheet, read.area.top, read.area.left, read.area.bottom, read.area.right);
    const auto [found, added] =
        area_nodes.try_emplace(key, static_cast<std::uint32_t>(cells.size() + area_edges.size()));
    if (added) precedents_inside(read, area_edges.emplace_back());
    return found->second;
  };

  offsets_.reserve(cells.size() + 1);
  offsets_.push_back(0);
  for (const GraphCell& cell : cells) {
    const std::size_t begin = edges_.size();
    for (const SheetArea& read : cell.reads) {
      if (read.area.single_cell()) {
        precedents_inside(read, edges_);
      } else {
        edges_.push_back(area_node(read));
      }
    }
    std::sort(edges_.begin() + static_cast<std::ptrdiff_t>(begin), edges_.end());
    edges_.erase(std::unique(edges_.begin() + static_cast<std::ptrdiff_t>(begin), edges_.end()), edges_.end());
    offsets_.push_back(static_cast<std::uint32_t>(edges_.size()));
  }
  for (std::vector<std::uint32_t>& edges : area_edges) {
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    edges_.insert(edges_.end(), edges.begin(), edges.end());
    offsets_.push_back(static_cast<std::uint32_t>(edges_.size()));
  }
  order_by_strong_components(cells.size() + area_edges.size());
}

// Tarjan's algorithm with an explicit stack. It finishes a strongly connected component only
// after every component it reads, which is exactly the order of computation; a component of
// more than one cell, or a cell that reads itself, is a circular reference.
void DependencyGraph::order_by_strong_components(std::size_t count) {
  constexpr std::uint32_t kUnvisited = UINT32_MAX;
  std::vector<std::uint32_t> visit_index(count, kUnvisited);
  std::vector<std::uint32_t> low(count, 0);
  std::vector<char> on_stack(count, 0);
  std::vector<std::uint32_t> component_stack;
  struct Frame {
    std::uint32_t cell;
    std::uint32_t next_edge;
  };
  std::vector<Frame> frames;
  std::uint32_t counter = 0;
  order_.reserve(count);

  const auto enter = [&](std::uint32_t cell) {
    visit_index[cell] = low[cell] = counter++;
    component_stack.push_back(cell);
    on_stack[cell] = 1;
    frames.push_back({cell, offsets_[cell]});
  };

  for (std::uint32_t root = 0; root < count; ++root) {
    if (visit_index[root] != kUnvisited) continue;
    enter(root);
    while (!frames.empty()) {
      Frame& frame = frames.back();
      const std::uint32_t cell = frame.cell;
      if (frame.next_edge < offsets_[cell + 1]) {
        const std::uint32_t precedent = edges_[frame.next_edge++];
        if (visit_index[precedent] == kUnvisited) {
          enter(precedent);  // invalidates `frame`
        } else if (on_stack[precedent]) {
          low[cell] = std::min(low[cell], visit_index[precedent]);
        }
        continue;
      }
      frames.pop_back();
      if (!frames.empty()) low[frames.back().cell] = std::min(low[frames.back().cell], low[cell]);
      if (low[cell] != visit_index[cell]) continue;

      std::vector<std::uint32_t> component;
      std::uint32_t member = 0;
      do {
        member = component_stack.back();
        component_stack.pop_back();
        on_stack[member] = 0;
        component.push_back(member);
      } while (member != cell);
      const auto reads = precedents(cell);
      const bool reads_itself = std::binary_search(reads.begin(), reads.end(), cell);
      if (component.size() == 1 && !reads_itself) {
        order_.push_back(cell);
      } else {
        // A cycle names formula cells only; the ranges it runs through are kept apart.
        const auto ranges =
            std::partition(component.begin(), component.end(), [&](std::uint32_t member) { return is_cell(member); });
        cycle_ranges_.emplace_back(ranges, component.end());
        component.erase(ranges, component.end());
        std::sort(component.begin(), component.end());
        cycles_.push_back(std::move(component));
        cycle_positions_.push_back(order_.size());
      }
    }
  }
}

}  // namespace host
