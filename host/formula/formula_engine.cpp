// Loading the workbooks' formulas and evaluating formulas typed outside any cell.
#include "host/formula/formula_engine.hpp"

#include <algorithm>
#include <map>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <variant>

#include "host/document/address.hpp"
#include "host/formula/binding.hpp"
#include "host/formula/parse_error.hpp"
#include "host/formula/parser.hpp"

namespace host {
namespace {

// Widens the area already read on the reference's sheet to cover it too, or adds it.
void cover(std::vector<SheetArea>& areas, const Sheet* sheet, const Reference& reference) {
  for (SheetArea& area : areas) {
    if (area.sheet != sheet) continue;
    area.area.top = std::min(area.area.top, reference.top);
    area.area.left = std::min(area.area.left, reference.left);
    area.area.bottom = std::max(area.area.bottom, reference.bottom);
    area.area.right = std::max(area.area.right, reference.right);
    return;
  }
  areas.push_back({sheet, reference});
}

// What a range operator may cover: A1:INDEX(A1:C9,2,3) reads the cells between the references
// its operands hold, on each sheet, and those of the defined names among them.
void span_reads(const SyntaxTree& tree, NodeId id, const Span& span, std::vector<SheetArea>& reads) {
  std::vector<SheetArea> covered;
  for (NodeId at = span.first; at < id; ++at) {
    const Node& node = tree[at];
    if (const auto* reference = std::get_if<ReferenceNode>(&node.data); reference && reference->sheet) {
      cover(covered, reference->sheet, tree.references[reference->written]);
    } else if (const auto* name = std::get_if<NameNode>(&node.data); name && name->definition) {
      for (const Node& defined : name->definition->nodes) {
        if (const auto* reference = std::get_if<ReferenceNode>(&defined.data); reference && reference->sheet)
          cover(covered, reference->sheet, name->definition->references[reference->written]);
      }
    }
  }
  reads.insert(reads.end(), covered.begin(), covered.end());
}

// The areas a formula reads, those of the defined names it uses included.
std::vector<SheetArea> references_of(const SyntaxTree& formula) {
  std::vector<SheetArea> reads;
  std::vector<const SyntaxTree*> pending{&formula};
  std::unordered_set<const SyntaxTree*> seen{&formula};
  while (!pending.empty()) {
    const SyntaxTree& tree = *pending.back();
    pending.pop_back();
    for (NodeId id = 0; id < tree.nodes.size(); ++id) {
      const Node& node = tree[id];
      if (const auto* reference = std::get_if<ReferenceNode>(&node.data); reference && reference->sheet) {
        reads.push_back({reference->sheet, tree.references[reference->written]});
      } else if (const auto* name = std::get_if<NameNode>(&node.data); name && name->definition) {
        if (seen.insert(name->definition).second) pending.push_back(name->definition);
      } else if (const auto* between = std::get_if<Span>(&node.data)) {
        span_reads(tree, id, *between, reads);
      }
    }
  }
  return reads;
}

}  // namespace

std::string cell_label(const Sheet& sheet, std::int32_t row, std::int32_t column) {
  return sheet.name() + "!" + column_letters(column) + std::to_string(row);
}

FormulaEngine::FormulaEngine(std::shared_ptr<Spreadsheet> application, std::vector<kx::ObjectRef> function_providers)
    : application_(std::move(application)), functions_(std::move(function_providers)), evaluator_(*application_) {}

void FormulaEngine::load() {
  // Spill areas survive a reload, so that the cells an earlier result spilled into stay known as ours.
  std::map<std::tuple<const Sheet*, std::int32_t, std::int32_t>, SheetArea> spills;
  for (const GraphCell& place : places_) {
    if (place.spill) spills.emplace(std::make_tuple(place.sheet, place.row, place.column), *place.spill);
  }
  places_.clear();
  states_.clear();
  problems_.clear();
  circular_.clear();
  call_failures_.clear();
  graph_.reset();
  evaluator_.forget_ranges();
  load_names();

  // In workbook, sheet, row and column order, so that problems and cycles come out in reading order.
  for (const auto& book : application_->books()) {
    for (const auto& sheet : book->sheets()) {
      std::vector<std::tuple<std::int32_t, std::int32_t, Cell*>> formulas;
      sheet->for_each_cell([&](std::int32_t row, std::int32_t column, Cell& cell) {
        if (cell.has_formula()) formulas.emplace_back(row, column, &cell);
      });
      std::sort(formulas.begin(), formulas.end());
      // Cells of one sheet that hold the same text (a formula repeated across a row, an
      // array of copies) share one parsed and bound formula: A1 references do not move.
      std::unordered_map<std::string_view, std::shared_ptr<Formula>> by_text;
      std::unordered_set<const Formula*> bound;
      for (const auto& [row, column, cell] : formulas) {
        if (!cell->formula || cell->formula->text() != cell->formula_text) {
          std::shared_ptr<Formula>& known = by_text[cell->formula_text];
          if (!known) known = std::make_shared<Formula>(cell->formula_text);
          cell->formula = known;
        }
        if (bound.insert(cell->formula.get()).second)
          cell->formula->bind(*sheet, *application_, functions_, names_for(*book, sheet.get()));
        for (const FormulaProblem& problem : cell->formula->problems()) {
          problems_.push_back({cell_label(*sheet, row, column), problem});
        }
        GraphCell place{sheet.get(), row, column, references_of(cell->formula->tree()), std::nullopt};
        if (const auto found = spills.find(std::make_tuple(sheet.get(), row, column)); found != spills.end()) {
          place.spill = found->second;
        }
        places_.push_back(std::move(place));
        states_.push_back(CellState{sheet.get(), cell->formula, false, true, cell->intersects});
      }
    }
  }
}

std::vector<std::vector<std::string>> FormulaEngine::cycles() const {
  std::vector<std::vector<std::string>> named;
  for (const auto& [first, cycle] : circular_) {
    std::vector<std::string> cells;
    for (const std::uint32_t index : cycle)
      cells.push_back(cell_label(*places_[index].sheet, places_[index].row, places_[index].column));
    named.push_back(std::move(cells));
  }
  return named;
}

FormulaEngine::Evaluation FormulaEngine::evaluate(std::string_view text) {
  SyntaxTree tree = parse_formula(text);
  const auto book = application_->active_book();
  if (book->sheets().empty()) throw kx::Failure(kx::error::kHostFailure, "Workbook " + book->name() + " has no sheet");
  Sheet& home = *book->sheets().front();
  const auto problems = bind_formula(tree, home, *application_, functions_, names_for(*book, &home));
  if (!problems.empty()) throw ParseError(text, problems.front().offset, problems.front().message);
  // No cell calls: a component that marks its caller volatile marks nothing.
  application_->set_calling_cell(std::nullopt);
  evaluator_.take_failure();
  kx::Value value = evaluator_.evaluate(tree);
  return Evaluation{std::move(value), evaluator_.take_failure()};
}

}  // namespace host
