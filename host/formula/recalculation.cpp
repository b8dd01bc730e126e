// Recalculation: the order is computed once and kept until the formulas or the shape of a
// spilled result change; each pass walks that order and computes what needs it.
#include <algorithm>

#include "common/uniform_generator.hpp"
#include "host/formula/formula_engine.hpp"
#include "host/formula/formula_errors.hpp"
#include "host/formula/limits.hpp"
#include "host/formula/spill.hpp"

namespace host {
namespace {

// A spill that moves changes which cells read which; the order is then computed again and
// the pass repeated. Results that keep changing shape are left after this many passes.
constexpr int kMaxPasses = 4;
// Computations spent on settling the cells of one circular reference before it counts as one.
constexpr std::size_t kMaxCycleComputations = 1 << 20;

bool spills_onto_own_reads(const GraphCell& place, const kx::Value& result) {
  const std::optional<SheetArea> target = result_area(*place.sheet, place.row, place.column, result);
  if (!target) return false;
  const bool reads = std::any_of(place.reads.begin(), place.reads.end(),
                                 [&](const SheetArea& read) { return read.intersects(*target); });
  return reads && spill_is_free(*place.sheet, *target, place.spill);
}

}  // namespace

void FormulaEngine::recalculate() { run(false); }

void FormulaEngine::recalculate_all() { run(true); }

void FormulaEngine::build_order() {
  graph_.emplace(places_);
  // A new order may group cells into other circles: each is settled, and judged, again.
  cycle_pending_.assign(graph_->cycles().size(), 1);
  circular_.clear();
}

void FormulaEngine::run(bool everything) {
  for (int pass = 0; pass < kMaxPasses; ++pass) {
    if (!graph_) build_order();
    computed_.assign(graph_->node_count(), 0);
    changed_spills_.clear();
    const auto order = graph_->order();
    std::size_t next_cycle = 0;
    for (std::size_t at = 0; at <= order.size(); ++at) {
      while (next_cycle < graph_->cycles().size() && graph_->cycle_position(next_cycle) == at) {
        resolve_cycle(next_cycle++, everything);
      }
      if (at == order.size()) break;
      const std::uint32_t index = order[at];
      if (!graph_->is_cell(index)) {
        // A range read by several cells changed when a cell inside it was computed.
        for (const std::uint32_t precedent : graph_->precedents(index)) {
          if (computed_[precedent]) {
            computed_[index] = 1;
            break;
          }
        }
        continue;
      }
      const CellState& state = states_[index];
      bool needed = everything || state.dirty || state.is_volatile;
      if (!needed) {
        for (const std::uint32_t precedent : graph_->precedents(index)) {
          if (computed_[precedent]) {
            needed = true;
            break;
          }
        }
      }
      if (!needed) continue;
      compute(index);
      computed_[index] = 1;
    }
    if (changed_spills_.empty()) return;
    const bool rerun = spill_changes_reach_readers();
    graph_.reset();
    if (!rerun) return;
    everything = true;
    // The pass is computed again as if it were the first: its draws too.
    kx::uniform_generator().restart_iteration();
  }
}

std::optional<std::vector<FormulaEngine::ComputedCell>> FormulaEngine::computed_cells() {
  if (!graph_) build_order();
  if (!graph_->cycles().empty()) return std::nullopt;
  std::vector<char> computed(graph_->node_count(), 0);
  std::vector<ComputedCell> cells;
  for (const std::uint32_t index : graph_->order()) {
    bool needed = graph_->is_cell(index) && (states_[index].is_volatile || states_[index].dirty);
    for (const std::uint32_t precedent : graph_->precedents(index)) needed = needed || computed[precedent];
    if (!needed) continue;
    computed[index] = 1;
    if (!graph_->is_cell(index)) continue;
    const CellState& state = states_[index];
    const GraphCell& place = places_[index];
    if (state.dirty) return std::nullopt;
    ComputedCell cell{index, state.sheet, place.row, place.column, &state.formula->tree(), {}, place.spill};
    for (const std::uint32_t precedent : graph_->precedents(index)) {
      if (graph_->is_cell(precedent)) {
        cell.precedents.push_back(precedent);
      } else {
        const auto inside = graph_->precedents(precedent);
        cell.precedents.insert(cell.precedents.end(), inside.begin(), inside.end());
      }
    }
    cells.push_back(std::move(cell));
  }
  return cells;
}

bool FormulaEngine::compute_cell(std::uint32_t index) {
  GraphCell& place = places_[index];
  const std::optional<SheetArea> before = place.spill;
  changed_spills_.clear();
  compute(index);
  if (changed_spills_.empty()) return true;
  // Undone, so that the caller can recalculate from where it was: the cells of the new spill
  // go; the old spill's values, cleared, are the caller's to put back.
  if (place.spill) clear_spill(*states_[index].sheet, *place.spill);
  place.spill = before;
  changed_spills_.clear();
  return false;
}

// Cells whose references run in a circle may still each read only cells computed before them:
// a task that starts when the task it names ends looks up the column of ends, its own row's end
// included, but reads one other row's. Such cells are computed over and over, in reading order,
// until no value changes; starting from the circular-reference error, cells on a true circle
// keep it, and then the whole circle shows it.
void FormulaEngine::resolve_cycle(std::size_t cycle, bool everything) {
  const std::vector<std::uint32_t>& cells = graph_->cycles()[cycle];
  bool needed = everything || cycle_pending_[cycle];
  for (const std::uint32_t index : cells) {
    needed = needed || states_[index].dirty || states_[index].is_volatile;
    for (const std::uint32_t precedent : graph_->precedents(index)) needed = needed || computed_[precedent];
  }
  if (!needed) return;
  const kx::Value circular = kx::ErrorValue{kErrCircularReference};
  const auto value_of = [&](std::uint32_t index) -> kx::Value& {
    return states_[index].sheet->cell(places_[index].row, places_[index].column).value;
  };
  for (const std::uint32_t index : cells) value_of(index) = circular;
  // Each sweep settles at least one more cell of a computable order; the bound on the work keeps
  // a long true circle whose values never settle from taking quadratic time.
  const std::size_t sweeps = std::min(cells.size() + 1, std::max<std::size_t>(2, kMaxCycleComputations / cells.size()));
  bool settled = false;
  for (std::size_t sweep = 0; sweep < sweeps && !settled; ++sweep) {
    settled = true;
    for (const std::uint32_t index : cells) {
      const kx::Value before = value_of(index);
      compute(index);
      settled = settled && value_of(index) == before;
    }
  }
  const bool is_circle = !settled || std::any_of(cells.begin(), cells.end(),
                                                 [&](std::uint32_t index) { return value_of(index) == circular; });
  if (is_circle) {
    for (const std::uint32_t index : cells) value_of(index) = circular;
  }
  cycle_pending_[cycle] = 0;
  for (const std::uint32_t index : cells) circular_.erase(index);
  if (is_circle) circular_.emplace(cells.front(), cells);
  for (const std::uint32_t index : cells) computed_[index] = 1;
  for (const std::uint32_t range : graph_->cycle_ranges(cycle)) computed_[range] = 1;
}

void FormulaEngine::compute(std::uint32_t index) {
  CellState& state = states_[index];
  GraphCell& place = places_[index];
  const CellRef self{place.sheet, place.row, place.column};
  application_->set_calling_cell(self, state.is_volatile);
  kx::Value result =
      evaluator_.evaluate(state.formula->tree(), state.intersects ? std::optional(Evaluator::Place{place.row, place.column})
                                                                  : std::nullopt);
  const bool marked = application_->calling_cell_marked();
  application_->set_calling_cell(std::nullopt);
  // In a cell a failed call shows as its error value; a formula that ran out of its budget or
  // of memory fails the recalculation instead, since #NUM! there would pass for a result.
  if (auto failure = evaluator_.take_failure()) {
    std::string cell = cell_label(*place.sheet, place.row, place.column);
    if (failure->number == kx::error::kOutOfMemory) throw LimitExceeded(cell + ": " + failure->message);
    const bool known = std::any_of(call_failures_.begin(), call_failures_.end(),
                                   [&](const CellFailure& known) { return known.cell == cell; });
    if (!known && call_failures_.size() < kMostCallFailures)
      call_failures_.push_back({std::move(cell), std::move(*failure)});
  }
  if (marked) state.is_volatile = true;
  state.dirty = false;
  // A result that would spill onto cells its own formula reads is a circular reference, as in the
  // common spreadsheet: computed again it would read itself, and could grow at every computation.
  circular_.erase(index);
  if (spills_onto_own_reads(place, result)) {
    result = kx::ErrorValue{kErrCircularReference};
    circular_.emplace(index, std::vector<std::uint32_t>{index});
  }

  std::optional<SheetArea> spill = write_result(*state.sheet, place.row, place.column, result, place.spill);
  const auto same = [](const std::optional<SheetArea>& a, const std::optional<SheetArea>& b) {
    if (a.has_value() != b.has_value()) return false;
    if (!a) return true;
    return a->area.top == b->area.top && a->area.left == b->area.left && a->area.bottom == b->area.bottom &&
           a->area.right == b->area.right;
  };
  if (!same(spill, place.spill)) {
    if (place.spill) changed_spills_.push_back(*place.spill);
    if (spill) changed_spills_.push_back(*spill);
    place.spill = spill;
  }
}

bool FormulaEngine::spill_changes_reach_readers() const {
  std::vector<AreaIndex::Entry> changed;
  for (const SheetArea& area : changed_spills_) changed.push_back({area, 0});
  const AreaIndex index(std::move(changed));
  for (const GraphCell& place : places_) {
    for (const SheetArea& read : place.reads) {
      bool reached = false;
      index.for_each_intersecting(read, [&](const AreaIndex::Entry& spill) {
        // A reader of the anchor cell alone reads it with or without a spill.
        const bool anchor_only =
            read.area.single_cell() && read.area.top == spill.area.area.top && read.area.left == spill.area.area.left;
        reached = reached || !anchor_only;
      });
      if (reached) return true;
    }
  }
  return false;
}

}  // namespace host
