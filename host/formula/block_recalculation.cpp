#include "host/formula/block_recalculation.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>
#include <variant>

#include "common/automation/dispatch.hpp"
#include "common/text_compare.hpp"
#include "host/document/cell.hpp"
#include "host/document/cell_range.hpp"
#include "host/document/sheet.hpp"
#include "host/formula/builtins.hpp"
#include "host/formula/function_table.hpp"
#include "host/formula/operators.hpp"

namespace host {
namespace {

// A number written as a constant, negated or not (the -3 of kxNORMAL(-3,1.5,,"")), as the
// formula computes it; nullopt for any other node.
std::optional<double> signed_constant(const SyntaxTree& tree, const Node& node) {
  if (const auto* constant = std::get_if<Constant>(&node.data)) {
    const kx::Value& value = tree.constants[constant->index];
    return value.is_number() ? std::optional(value.number()) : std::nullopt;
  }
  const auto* unary = std::get_if<Unary>(&node.data);
  if (unary == nullptr || (unary->op != Operator::Negate && unary->op != Operator::Identity)) return std::nullopt;
  const auto operand = signed_constant(tree, tree[unary->operand]);
  if (!operand) return std::nullopt;
  return unary->op == Operator::Negate ? -*operand : *operand;
}

// Whether a formula may read cells its references do not name: OFFSET and INDIRECT make
// references as they compute, and a defined name is not followed here.
bool makes_references(const SyntaxTree& tree) {
  for (const Node& node : tree.nodes) {
    if (std::holds_alternative<NameNode>(node.data)) return true;
    const auto* call = std::get_if<Call>(&node.data);
    if (call == nullptr || call->function == nullptr) continue;
    const std::string_view name = without_prefixes(call->function->name);
    if (kx::equals_ignore_case(name, "OFFSET") || kx::equals_ignore_case(name, "INDIRECT")) return true;
  }
  return false;
}

}  // namespace

std::unique_ptr<BlockRecalculation> BlockRecalculation::bind(FormulaEngine& engine, std::size_t block) {
  if (block == 0) return nullptr;
  const auto cells = engine.computed_cells();
  if (!cells) return nullptr;
  std::unique_ptr<BlockRecalculation> bound(new BlockRecalculation(engine, block));
  for (std::size_t k = 0; k < cells->size(); ++k) {
    const FormulaEngine::ComputedCell& cell = (*cells)[k];
    bound->by_cell_.emplace(Place{cell.sheet, cell.row, cell.column}, k);
    if (cell.spill) bound->spill_areas_.emplace_back(*cell.spill, k);
  }
  for (const FormulaEngine::ComputedCell& cell : *cells) bound->bind_cell(cell);
  std::map<std::uint32_t, std::size_t> by_index;
  for (std::size_t k = 0; k < cells->size(); ++k) by_index.emplace((*cells)[k].index, k);
  for (std::size_t k = 0; k < cells->size(); ++k) {
    Slot& slot = bound->slots_[k];
    if (slot.kind != Kind::General || makes_references(*(*cells)[k].tree)) continue;
    slot.reads.emplace();
    for (const std::uint32_t precedent : (*cells)[k].precedents) {
      const auto found = by_index.find(precedent);
      if (found != by_index.end()) slot.reads->push_back(found->second);
    }
  }
  bound->generators_.resize(block);
  bound->none_failed_.resize(block);
  bound->operand_failed_.resize(block);
  return bound;
}

std::optional<BlockRecalculation::Operand> BlockRecalculation::changing_operand(const Sheet* sheet, std::int32_t row,
                                                                                std::int32_t column,
                                                                                bool& later) const {
  later = false;
  // A cell an array result spills into changes with it.
  for (const auto& [spill, anchor] : spill_areas_) {
    const Reference& area = spill.area;
    if (spill.sheet != sheet || row < area.top || row > area.bottom || column < area.left || column > area.right ||
        (row == area.top && column == area.left))
      continue;
    later = anchor >= slots_.size();
    if (later) return std::nullopt;
    const std::int64_t width = area.right - area.left + 1;
    return Operand{0, static_cast<std::int64_t>(anchor), (row - area.top) * width + (column - area.left) - 1};
  }
  const auto computed = by_cell_.find(Place{sheet, row, column});
  if (computed == by_cell_.end()) return std::nullopt;
  // A cell computed after this one would be read as the iteration before left it.
  later = computed->second >= slots_.size();
  if (later) return std::nullopt;
  return Operand{0, static_cast<std::int64_t>(computed->second)};
}

std::optional<BlockRecalculation::Operand> BlockRecalculation::operand_of(const Sheet* sheet, std::int32_t row,
                                                                          std::int32_t column, bool empty_is_zero) {
  bool later = false;
  if (auto changing = changing_operand(sheet, row, column, later)) return changing;
  if (later) return std::nullopt;
  const Cell* cell = sheet->find(row, column);
  if (cell == nullptr || cell->value.is_empty()) return empty_is_zero ? std::optional(Operand{}) : std::nullopt;
  if (cell->value.is_number()) return Operand{cell->value.number()};
  return std::nullopt;
}

void BlockRecalculation::bind_cell(const FormulaEngine::ComputedCell& computed) {
  Slot slot;
  slot.index = computed.index;
  slot.sheet = computed.sheet;
  slot.cell = &computed.sheet->cell(computed.row, computed.column);
  slot.last = slot.cell->value;
  slot.numbers.resize(block_);
  slot.other.resize(block_);
  if (computed.spill) {
    const Reference& area = computed.spill->area;
    for (std::int32_t row = area.top; row <= area.bottom; ++row) {
      for (std::int32_t column = area.left; column <= area.right; ++column) {
        if (row == computed.row && column == computed.column) continue;
        slot.spill.push_back(&computed.sheet->cell(row, column));
        slot.spill_at.emplace_back(row, column);
        slot.spilled_last.push_back(slot.spill.back()->value);
      }
    }
    slot.spilled.resize(block_ * slot.spill.size());
    slot.spill_rows = static_cast<std::size_t>(area.bottom - area.top + 1);
    slot.spill_columns = static_cast<std::size_t>(area.right - area.left + 1);
    // Any other array result is computed the ordinary way.
    if (bind_call(*computed.tree, slot)) slot.kind = Kind::Call;
    slots_.push_back(std::move(slot));
    return;
  }
  const SyntaxTree& tree = *computed.tree;
  std::size_t height = 0;
  if (bind_draw(tree, tree[tree.root], slot)) {
    // Adding or subtracting 0 (a marker's empty value) to a finite variate cannot fail.
    slot.tail_may_fail = std::any_of(slot.tail.begin(), slot.tail.end(), [](const auto& step) {
      return !((step.first == Operator::Add || step.first == Operator::Subtract) && step.second == 0.0);
    });
  } else if (compile(tree, tree.root, Use::Value, slot, height)) {
    slot.kind = Kind::Arithmetic;
  } else {
    slot.steps.clear();
  }
  slots_.push_back(std::move(slot));
}

void BlockRecalculation::push(Slot& slot, std::size_t& height, Step step) {
  // Arithmetic on a number fixed for the run is done once, here, as each iteration would do it.
  Step* last = slot.steps.empty() ? nullptr : &slot.steps.back();
  if (last != nullptr && last->code == Step::Code::Push && last->operand.slot < 0 && !step.from_stack) {
    double& number = last->operand.number;
    if (step.code == Step::Code::Negate) {
      number = -number;
      return;
    }
    if (step.code == Step::Code::Percent) {
      number /= 100.0;
      return;
    }
    double combined = number;
    if (step.code == Step::Code::Combine && step.operand.slot < 0 && is_arithmetic(step.op) &&
        combine_numbers(step.op, combined, step.operand.number)) {
      number = combined;
      return;
    }
  }
  if (step.code == Step::Code::Push) {
    slot.depth = std::max(slot.depth, ++height);
  } else if (step.code == Step::Code::Select) {
    height -= 2;
  } else if (step.from_stack) {
    --height;
  }
  slot.steps.push_back(step);
}

bool BlockRecalculation::compile(const SyntaxTree& tree, NodeId id, Use use, Slot& slot, std::size_t& height) {
  const Node& node = tree[id];
  if (const auto* constant = std::get_if<Constant>(&node.data)) {
    const kx::Value& value = tree.constants[constant->index];
    // A folded marker leaves an empty value, which arithmetic reads as 0.
    if (!value.is_number() && !(value.is_empty() && use == Use::Arithmetic)) return false;
    push(slot, height, {Step::Code::Push, Operator::Add, false, Operand{value.is_number() ? value.number() : 0.0}});
    return true;
  }
  if (const auto* reference = std::get_if<ReferenceNode>(&node.data)) {
    if (reference->sheet == nullptr || !reference->area.single_cell()) return false;
    const auto operand =
        operand_of(reference->sheet, reference->area.top, reference->area.left, use == Use::Arithmetic);
    if (!operand) return false;
    push(slot, height, {Step::Code::Push, Operator::Add, false, *operand});
    return true;
  }
  if (const auto* unary = std::get_if<Unary>(&node.data)) {
    if (unary->op == Operator::Identity) return compile(tree, unary->operand, use, slot, height);
    if (unary->op != Operator::Negate && unary->op != Operator::Percent) return false;
    if (!compile(tree, unary->operand, Use::Arithmetic, slot, height)) return false;
    push(slot, height,
         {unary->op == Operator::Negate ? Step::Code::Negate : Step::Code::Percent, Operator::Add, false, {}});
    return true;
  }
  if (const auto* chain = std::get_if<Chain>(&node.data)) {
    const std::span<const ChainLink> links(tree.links.data() + chain->links.first, chain->links.count);
    if (links.empty()) return false;
    const bool arithmetic = is_arithmetic(links.front().op);
    // A comparison gives a boolean, which only IF's condition takes here.
    if (!arithmetic && (use != Use::Condition || links.size() > 1 || links.front().op == Operator::Concatenate))
      return false;
    const Use operands = arithmetic ? Use::Arithmetic : Use::Value;
    if (!compile(tree, chain->first, operands, slot, height)) return false;
    for (const ChainLink& link : links) {
      if (arithmetic != is_arithmetic(link.op)) return false;
      // A constant or a cell is combined where it is, without a row of its own.
      const Node& operand = tree[link.operand];
      const auto* reference = std::get_if<ReferenceNode>(&operand.data);
      if (std::holds_alternative<Constant>(operand.data) ||
          (reference != nullptr && reference->sheet != nullptr && reference->area.single_cell())) {
        if (!compile(tree, link.operand, operands, slot, height)) return false;
        Step combine{Step::Code::Combine, link.op, false, slot.steps.back().operand};
        slot.steps.pop_back();
        --height;
        push(slot, height, combine);
      } else {
        if (!compile(tree, link.operand, operands, slot, height)) return false;
        push(slot, height, {Step::Code::Combine, link.op, true, {}});
      }
    }
    return true;
  }
  if (const auto* call = std::get_if<Call>(&node.data)) return compile_call(tree, *call, slot, height);
  return false;
}

bool BlockRecalculation::compile_call(const SyntaxTree& tree, const Call& call, Slot& slot, std::size_t& height) {
  if (call.function == nullptr) return false;
  const Function& function = *call.function;
  const std::span<const NodeId> arguments(tree.arguments.data() + call.arguments.first, call.arguments.count);
  if (function.kind == Function::Kind::Worksheet && function.worksheet == kx::WorksheetFn::SumProduct)
    return compile_sum_product(tree, arguments, slot, height);
  if (function.kind != Function::Kind::Builtin) return false;
  const std::string_view name = function.builtin->name;
  if (name == "SUM") return compile_aggregate(tree, arguments, Step::Code::Combine, slot, height);
  if (name == "MIN") return compile_aggregate(tree, arguments, Step::Code::Least, slot, height);
  if (name == "MAX") return compile_aggregate(tree, arguments, Step::Code::Greatest, slot, height);
  if (name != "IF" || arguments.size() != 3) return false;  // IF(FALSE, x) is FALSE, no number
  if (!compile(tree, arguments[0], Use::Condition, slot, height)) return false;
  // Both branches are computed; the condition chooses, and only the chosen one's failure counts.
  for (const NodeId branch : arguments.subspan(1)) {
    if (std::holds_alternative<Omitted>(tree[branch].data)) {
      push(slot, height, {Step::Code::Push, Operator::Add, false, Operand{0.0}});  // an empty place is 0
    } else if (!compile(tree, branch, Use::Value, slot, height)) {
      return false;
    }
  }
  push(slot, height, {Step::Code::Select, Operator::Add, false, {}});
  return true;
}

// The parameters of a sampling call drawn a block at a time, at most.
constexpr std::size_t kMostDrawParameters = 8;

// The most cells of one reference an aggregate reads a formula at a time: beyond, a whole
// column, say, is left to the ordinary evaluation, which walks only the cells written.
constexpr std::int64_t kMostAggregatedCells = 4096;

// SUM, MIN and MAX in the order they read their numbers: a value given directly, and each number
// of a reference row by row (other cells skipped). SUM adds to a first 0; MIN and MAX keep the
// first number and replace it by a smaller (larger) one; none at all gives 0.
bool BlockRecalculation::compile_aggregate(const SyntaxTree& tree, std::span<const NodeId> arguments, Step::Code fold,
                                           Slot& slot, std::size_t& height) {
  const std::size_t bottom = height;
  const bool sum = fold == Step::Code::Combine;
  if (sum) push(slot, height, {Step::Code::Push, Operator::Add, false, Operand{0.0}});
  const auto take = [&](Step step) {
    if (height == bottom) {
      push(slot, height, {Step::Code::Push, Operator::Add, false, step.operand});
    } else {
      push(slot, height, step);
    }
  };
  for (const NodeId id : arguments) {
    const auto* reference = std::get_if<ReferenceNode>(&tree[id].data);
    if (reference == nullptr) {
      if (!compile(tree, id, Use::Value, slot, height)) return false;
      if (height > bottom + 1) push(slot, height, {fold, Operator::Add, true, {}});
      continue;
    }
    if (reference->sheet == nullptr || reference->area.cell_count() > kMostAggregatedCells) return false;
    const CellArea& area = reference->area;
    for (std::int32_t row = area.top; row <= area.bottom; ++row) {
      for (std::int32_t column = area.left; column <= area.right; ++column) {
        bool later = false;
        if (const auto changing = changing_operand(reference->sheet, row, column, later)) {
          take({fold, Operator::Add, false, *changing});
          continue;
        }
        if (later) return false;
        const Cell* cell = reference->sheet->find(row, column);
        if (cell == nullptr) continue;
        if (cell->value.is_error()) return false;  // the aggregate's result, every time
        if (cell->value.is_number()) take({fold, Operator::Add, false, Operand{cell->value.number()}});
      }
    }
  }
  if (height == bottom) push(slot, height, {Step::Code::Push, Operator::Add, false, Operand{0.0}});
  return true;
}

// SUMPRODUCT of references of one shape: for each position, the product of their cells (an
// empty cell counts as 0) added to a first 0, in order.
bool BlockRecalculation::compile_sum_product(const SyntaxTree& tree, std::span<const NodeId> arguments, Slot& slot,
                                             std::size_t& height) {
  std::vector<const ReferenceNode*> factors;
  for (const NodeId id : arguments) {
    const auto* reference = std::get_if<ReferenceNode>(&tree[id].data);
    if (reference == nullptr || reference->sheet == nullptr || reference->area.cell_count() > kMostAggregatedCells)
      return false;
    const CellArea& first = factors.empty() ? reference->area : factors.front()->area;
    if (reference->area.row_count() != first.row_count() || reference->area.column_count() != first.column_count())
      return false;
    factors.push_back(reference);
  }
  if (factors.empty()) return false;
  push(slot, height, {Step::Code::Push, Operator::Add, false, Operand{0.0}});
  const CellArea& shape = factors.front()->area;
  for (std::int32_t r = 0; r < shape.row_count(); ++r) {
    for (std::int32_t c = 0; c < shape.column_count(); ++c) {
      // The product starts from 1, which the first factor times 1 leaves as it is.
      for (std::size_t f = 0; f < factors.size(); ++f) {
        const auto operand = operand_of(factors[f]->sheet, factors[f]->area.top + r, factors[f]->area.left + c, true);
        if (!operand) return false;
        push(slot, height, {f == 0 ? Step::Code::Push : Step::Code::Combine, Operator::Multiply, false, *operand});
      }
      push(slot, height, {Step::Code::Combine, Operator::Add, true, {}});
    }
  }
  return true;
}

// A sampling call with numbers for its parameters, alone or followed by arithmetic with numbers
// (as the markers of a model leave it: =kxTRI(C4,D4,E4,,"")+kxNAME("Market size")).
bool BlockRecalculation::bind_draw(const SyntaxTree& tree, const Node& node, Slot& slot) {
  if (const auto* chain = std::get_if<Chain>(&node.data)) {
    // The steps of an inner chain, as (kxNORMAL(...)*2)+1 nests, come before this one's.
    if (!bind_draw(tree, tree[chain->first], slot)) return false;
    for (std::uint32_t k = 0; k < chain->links.count; ++k) {
      const ChainLink& link = tree.links[chain->links.first + k];
      const Node& operand = tree[link.operand];
      const auto* constant = std::get_if<Constant>(&operand.data);
      std::optional<double> number = signed_constant(tree, operand);
      if (!number && constant != nullptr && tree.constants[constant->index].is_empty()) number = 0.0;
      if (!number || !is_arithmetic(link.op)) {
        slot.kind = Kind::General;
        slot.parameters.clear();
        slot.uniform.reset();
        slot.tail.clear();
        return false;
      }
      slot.tail.emplace_back(link.op, *number);
    }
    return true;
  }
  if (const auto* call = std::get_if<Call>(&node.data); call != nullptr && call->function != nullptr &&
                                                        call->function->kind == Function::Kind::Member &&
                                                        call->function->member->sampling != nullptr) {
    const kx::SamplingDraw& draw = *call->function->member->sampling;
    const std::span<const NodeId> arguments(tree.arguments.data() + call->arguments.first, call->arguments.count);
    bool bound = arguments.size() == draw.numbers + 2 + draw.numbers_after;
    if (bound) {
      const auto* mode = std::get_if<Constant>(&tree[arguments[draw.numbers + 1]].data);
      const kx::Value* text = mode ? &tree.constants[mode->index] : nullptr;
      bound = text != nullptr && text->is_text() && text->text() != draw.show_mode &&
              (draw.also_deterministic.empty() || text->text() != draw.also_deterministic);
    }
    // A number or a one-cell reference holding one; nullopt for anything else.
    const auto number_operand = [&](const Node& node) -> std::optional<Operand> {
      if (const auto number = signed_constant(tree, node)) return Operand{*number};
      const auto* reference = std::get_if<ReferenceNode>(&node.data);
      if (reference == nullptr || reference->sheet == nullptr || !reference->area.single_cell()) return std::nullopt;
      return operand_of(reference->sheet, reference->area.top, reference->area.left, false);
    };
    for (std::size_t k = 0; bound && k < arguments.size(); ++k) {
      if (k == draw.numbers + 1) continue;
      const Node& node = tree[arguments[k]];
      if (k == draw.numbers && std::holds_alternative<Omitted>(node.data)) continue;
      const auto operand = number_operand(node);
      bound = operand.has_value();
      if (!bound) break;
      if (k == draw.numbers) {
        slot.uniform = operand;
      } else {
        slot.parameters.push_back(*operand);
      }
    }
    if (!bound || slot.parameters.size() > kMostDrawParameters) {
      slot.parameters.clear();
      slot.uniform.reset();
      return false;
    }
    slot.kind = Kind::Draw;
    slot.provider = call->function->object;
    slot.draw = &draw;
    return true;
  }
  return false;
}

// A method of a component whose arguments are constants and cells no recalculation changes: its
// arguments are made once, as the formula's evaluation makes them (a reference a range, or for a
// parameter of a scalar type the cell's value).
bool BlockRecalculation::bind_call(const SyntaxTree& tree, Slot& slot) {
  const auto* call = std::get_if<Call>(&tree[tree.root].data);
  if (call == nullptr || call->function == nullptr || call->function->kind != Function::Kind::Member) return false;
  const kx::Member& member = *call->function->member;
  std::vector<kx::Value> arguments;
  for (std::uint32_t k = 0; k < call->arguments.count; ++k) {
    const Node& node = tree[tree.arguments[call->arguments.first + k]];
    if (const auto* constant = std::get_if<Constant>(&node.data)) {
      arguments.push_back(tree.constants[constant->index]);
      continue;
    }
    if (std::holds_alternative<Omitted>(node.data)) {
      arguments.push_back(kx::Value::missing());
      continue;
    }
    const auto* reference = std::get_if<ReferenceNode>(&node.data);
    if (reference == nullptr || reference->sheet == nullptr || reference->area.cell_count() > kMostAggregatedCells)
      return false;
    const CellArea& area = reference->area;
    for (std::int32_t row = area.top; row <= area.bottom; ++row) {
      for (std::int32_t column = area.left; column <= area.right; ++column) {
        bool later = false;
        if (changing_operand(reference->sheet, row, column, later) || later) return false;
      }
    }
    const bool scalar = k < member.parameters.size() && member.parameters[k].type != kx::DeclaredType::Variant &&
                        member.parameters[k].type != kx::DeclaredType::Object &&
                        member.parameters[k].type != kx::DeclaredType::Void;
    if (scalar && area.single_cell()) {
      arguments.push_back(reference->sheet->value(area.top, area.left));
      continue;
    }
    kx::RangeRef range = reference->sheet->area(area.top, area.left, area.bottom, area.right);
    static_cast<CellRange&>(*range).set_logical_size(area.row_count(), area.column_count());
    arguments.emplace_back(std::move(range));
  }
  slot.provider = call->function->object;
  slot.member = &member;
  slot.arguments = std::move(arguments);
  return true;
}

bool BlockRecalculation::run(std::uint64_t seed, std::uint64_t first, std::size_t count, std::uint64_t strata) {
  count = std::min(count, block_);
  for (std::size_t i = 0; i < count; ++i) {
    generators_[i].stratify(strata);
    generators_[i].start_iteration(seed, first + i);
  }
  for (Slot& slot : slots_) slot.any_other = false;
  for (std::size_t slot = 0; slot < slots_.size() && !spilled_;) {
    switch (slots_[slot].kind) {
      case Kind::Arithmetic: run_arithmetic(slot++, count); break;
      case Kind::Draw: run_draw(slot++, count); break;
      case Kind::Call: run_call(slot++, count); break;
      case Kind::General: slot = run_general(slot, count); break;
    }
  }
  if (spilled_) {
    restore();
    return false;
  }
  if (count == 0) return true;
  // The sheet as the block's last recalculation leaves it, for the next block's first.
  for (std::size_t slot = 0; slot < slots_.size(); ++slot) {
    put(slot, static_cast<std::ptrdiff_t>(count) - 1);
    slots_[slot].last = slots_[slot].cell->value;
    for (std::size_t k = 0; k < slots_[slot].spill.size(); ++k)
      slots_[slot].spilled_last[k] = slots_[slot].spill[k]->value;
  }
  return true;
}

const kx::Value* BlockRecalculation::value_at(const Operand& operand, std::size_t i, double& number) const {
  if (operand.slot < 0) {
    number = operand.number;
    return nullptr;
  }
  const Slot& slot = slots_[static_cast<std::size_t>(operand.slot)];
  if (operand.element >= 0) {
    const kx::Value& value = slot.spilled[i * slot.spill.size() + static_cast<std::size_t>(operand.element)];
    if (!value.is_number()) return &value;
    number = value.number();
    return nullptr;
  }
  if (slot.other[i] != 0) return &slot.values[i];
  number = slot.numbers[i];
  return nullptr;
}

const double* BlockRecalculation::operand_row(const Operand& operand, std::size_t count, double* numbers,
                                              std::uint8_t* failed, const std::uint8_t*& failed_row) const {
  if (operand.slot >= 0 && operand.element < 0) {
    const Slot& from = slots_[static_cast<std::size_t>(operand.slot)];
    failed_row = from.any_other ? from.other.data() : none_failed_.data();
    return from.numbers.data();
  }
  if (operand.slot < 0) {
    std::fill_n(numbers, count, operand.number);
    failed_row = none_failed_.data();
    return numbers;
  }
  for (std::size_t i = 0; i < count; ++i) failed[i] = value_at(operand, i, numbers[i]) != nullptr;
  failed_row = failed;
  return numbers;
}

namespace {

// Finite, written so that loops over a block vectorise: NaN and the infinities fail it.
inline bool finite(double x) { return std::fabs(x) <= std::numeric_limits<double>::max(); }

// left = left op right over a block, `right` a row or (Scalar) one number; for a comparison 1
// where it holds and 0 where not. `failed` marks where the result is no number, as apply_binary
// would give an error value there.
template <bool Scalar>
void combine_rows(Operator op, double* left, const double* right, std::uint8_t* failed, std::size_t count) {
  const auto at = [right](std::size_t i) { return Scalar ? right[0] : right[i]; };
  switch (op) {
    case Operator::Add:
      for (std::size_t i = 0; i < count; ++i) {
        left[i] += at(i);
        failed[i] |= !finite(left[i]);
      }
      return;
    case Operator::Subtract:
      for (std::size_t i = 0; i < count; ++i) {
        left[i] -= at(i);
        failed[i] |= !finite(left[i]);
      }
      return;
    case Operator::Multiply:
      for (std::size_t i = 0; i < count; ++i) {
        left[i] *= at(i);
        failed[i] |= !finite(left[i]);
      }
      return;
    case Operator::Divide:
      for (std::size_t i = 0; i < count; ++i) {
        failed[i] |= at(i) == 0.0;
        left[i] /= at(i);
        failed[i] |= !finite(left[i]);
      }
      return;
    // As apply_binary compares two numbers.
    case Operator::Equal:
      for (std::size_t i = 0; i < count; ++i) left[i] = !(left[i] < at(i)) && !(at(i) < left[i]);
      return;
    case Operator::NotEqual:
      for (std::size_t i = 0; i < count; ++i) left[i] = left[i] < at(i) || at(i) < left[i];
      return;
    case Operator::Less:
      for (std::size_t i = 0; i < count; ++i) left[i] = left[i] < at(i);
      return;
    case Operator::LessEqual:
      for (std::size_t i = 0; i < count; ++i) left[i] = !(at(i) < left[i]);
      return;
    case Operator::Greater:
      for (std::size_t i = 0; i < count; ++i) left[i] = at(i) < left[i];
      return;
    case Operator::GreaterEqual:
      for (std::size_t i = 0; i < count; ++i) left[i] = !(left[i] < at(i));
      return;
    default:
      // A power whose exponent is 1 or 2 is the base or its square, as raised() takes it.
      if (Scalar && op == Operator::Power && (at(0) == 1.0 || at(0) == 2.0)) {
        if (at(0) == 1.0) return;
        for (std::size_t i = 0; i < count; ++i) {
          left[i] *= left[i];
          failed[i] |= !finite(left[i]);
        }
        return;
      }
      for (std::size_t i = 0; i < count; ++i) failed[i] |= !combine_numbers(op, left[i], at(i));
      return;
  }
}

}  // namespace

void BlockRecalculation::run_arithmetic(std::size_t s, std::size_t count) {
  Slot& slot = slots_[s];
  stack_.resize(slot.depth * block_);
  failed_.resize(slot.depth * block_);
  const auto row = [&](std::size_t k) { return stack_.data() + k * block_; };
  const auto failed = [&](std::size_t k) { return failed_.data() + k * block_; };
  std::size_t top = 0;  // rows on the stack
  for (const Step& step : slot.steps) {
    if (step.code == Step::Code::Push) {
      const std::uint8_t* failed_row = nullptr;
      const double* numbers = operand_row(step.operand, count, row(top), failed(top), failed_row);
      if (numbers != row(top)) std::copy_n(numbers, count, row(top));
      if (failed_row == none_failed_.data()) {
        std::fill_n(failed(top), count, 0);
      } else if (failed_row != failed(top)) {
        std::copy_n(failed_row, count, failed(top));
      }
      ++top;
      continue;
    }
    if (step.code == Step::Code::Negate || step.code == Step::Code::Percent) {
      double* x = row(top - 1);
      if (step.code == Step::Code::Negate) {
        for (std::size_t i = 0; i < count; ++i) x[i] = -x[i];
      } else {
        for (std::size_t i = 0; i < count; ++i) x[i] /= 100.0;
      }
      continue;
    }
    if (step.code == Step::Code::Select) {
      top -= 2;
      double* chosen = row(top - 1);
      std::uint8_t* chosen_failed = failed(top - 1);
      const double* if_true = row(top);
      const double* if_false = row(top + 1);
      const std::uint8_t* true_failed = failed(top);
      const std::uint8_t* false_failed = failed(top + 1);
      for (std::size_t i = 0; i < count; ++i) {
        const bool holds = chosen[i] != 0.0;
        chosen_failed[i] |= holds ? true_failed[i] : false_failed[i];
        chosen[i] = holds ? if_true[i] : if_false[i];
      }
      continue;
    }
    // Combine, Least, Greatest: the top row with the operand, or with the row above it.
    const double* right = nullptr;
    const std::uint8_t* right_failed = nullptr;
    if (step.from_stack) {
      --top;
      right = row(top);
      right_failed = failed(top);
    } else if (step.operand.slot < 0) {
      right = &step.operand.number;  // one number for the whole block
      right_failed = none_failed_.data();
    } else {
      operand_numbers_.resize(block_);
      operand_failed_.resize(block_);
      right = operand_row(step.operand, count, operand_numbers_.data(), operand_failed_.data(), right_failed);
    }
    double* left = row(top - 1);
    std::uint8_t* left_failed = failed(top - 1);
    if (right_failed != none_failed_.data()) {
      for (std::size_t i = 0; i < count; ++i) left_failed[i] |= right_failed[i];
    }
    const bool scalar = right == &step.operand.number;
    if (step.code == Step::Code::Least || step.code == Step::Code::Greatest) {
      const bool least = step.code == Step::Code::Least;
      for (std::size_t i = 0; i < count; ++i) {
        const double x = right[scalar ? 0 : i];
        left[i] = (least ? x < left[i] : x > left[i]) ? x : left[i];
      }
    } else if (scalar) {
      combine_rows<true>(step.op, left, right, left_failed, count);
    } else {
      combine_rows<false>(step.op, left, right, left_failed, count);
    }
  }
  const double* result = row(0);
  const std::uint8_t* result_failed = failed(0);
  for (std::size_t i = 0; i < count; ++i) {
    if (result_failed[i]) {
      compute_alone(s, i);
    } else {
      slot.numbers[i] = result[i];
      slot.other[i] = 0;
    }
  }
}

void BlockRecalculation::run_draw(std::size_t s, std::size_t count) {
  Slot& slot = slots_[s];
  // Each parameter as a row over the block; an iteration where one holds no number is computed
  // the ordinary way.
  wanted_.assign(count, 1);
  draw_rows_.resize(slot.parameters.size() * block_);
  std::array<const double*, kMostDrawParameters> rows{};
  for (std::size_t k = 0; k < slot.parameters.size(); ++k) {
    const std::uint8_t* failed = nullptr;
    rows[k] = operand_row(slot.parameters[k], count, draw_rows_.data() + k * block_, operand_failed_.data(), failed);
    for (std::size_t i = 0; i < count; ++i) wanted_[i] &= failed[i] ^ 1;
  }
  // corFactor's uniform: none drawn for a number, one drawn for an error value (NaN here), as a
  // call takes it; anything else is left to the call.
  const double* uniforms = nullptr;
  if (slot.uniform) {
    operand_numbers_.resize(block_);
    for (std::size_t i = 0; i < count; ++i) {
      const kx::Value* value = value_at(*slot.uniform, i, operand_numbers_[i]);
      if (value != nullptr) {
        operand_numbers_[i] = std::numeric_limits<double>::quiet_NaN();
        wanted_[i] &= static_cast<std::uint8_t>(value->is_error());
      }
    }
    uniforms = operand_numbers_.data();
  }
  // A tail that may fail needs the generators as they were, for the iterations computed alone.
  if (slot.tail_may_fail)
    drawn_from_.assign(generators_.begin(), generators_.begin() + static_cast<std::ptrdiff_t>(count));
  drawn_.resize(block_);
  slot.draw->draw(*slot.provider, slot.draw->rule, std::span<const double* const>(rows.data(), slot.parameters.size()),
                  uniforms, std::span<kx::UniformGenerator>(generators_.data(), count), wanted_.data(),
                  slot.numbers.data(), drawn_.data());
  for (std::size_t i = 0; i < count; ++i) {
    bool drawn = drawn_[i] != 0;
    for (const auto& [op, number] : slot.tail) drawn = drawn && combine_numbers(op, slot.numbers[i], number);
    if (drawn) {
      slot.other[i] = 0;
      continue;
    }
    if (drawn_[i] != 0) generators_[i] = drawn_from_[i];
    compute_alone(s, i);  // from the generator state before the draw
  }
}

// Each iteration's call from its own generator; a result other than an array of the spill's
// shape holding numbers (an empty value for a matrix it rejects, a failure) is left to the
// ordinary evaluation, which makes the call again from the same generator state.
void BlockRecalculation::run_call(std::size_t s, std::size_t count) {
  Slot& slot = slots_[s];
  kx::UniformGenerator& generator = kx::uniform_generator();
  std::vector<kx::Value>& arguments = call_arguments_;
  for (std::size_t i = 0; i < count; ++i) {
    generator = generators_[i];
    arguments.assign(slot.arguments.begin(), slot.arguments.end());
    kx::Value result;
    try {
      result = kx::call_member(*slot.provider, *slot.member, std::span<kx::Value>(arguments.data(), arguments.size()));
    } catch (const std::exception&) {
      result = kx::Value();
    }
    const kx::Array* array = result.is_array() ? &result.array() : nullptr;
    bool numbers = array != nullptr && array->rows() == slot.spill_rows && array->columns() == slot.spill_columns;
    for (std::size_t k = 0; numbers && k < array->size(); ++k)
      numbers = array->at(k).is_number() && std::isfinite(array->at(k).number());
    if (!numbers) {
      compute_in_place(s, i);
      continue;
    }
    generators_[i] = generator;
    slot.numbers[i] = array->at(0).number();
    slot.other[i] = 0;
    // The spill's cells row by row after the anchor, as the array holds them.
    for (std::size_t k = 1; k < array->size(); ++k) slot.spilled[i * slot.spill.size() + k - 1] = array->at(k);
  }
}

std::size_t BlockRecalculation::run_general(std::size_t s, std::size_t count) {
  std::size_t end = s;
  while (end < slots_.size() && slots_[end].kind == Kind::General) ++end;
  for (std::size_t i = 0; i < count && !spilled_; ++i) {
    for (std::size_t t = s; t < end && !spilled_; ++t) {
      const auto at = static_cast<std::ptrdiff_t>(i);
      if (slots_[t].reads) {
        for (const std::size_t read : *slots_[t].reads) put(read, at);
      } else {
        // A formula that may read any cell finds those before it with this iteration's values
        // and those after it with the iteration before's, as in a recalculation.
        for (std::size_t u = 0; u < slots_.size(); ++u) {
          if (u != t) put(u, u < t ? at : at - 1);
        }
      }
      compute_in_place(t, i);
    }
  }
  return end;
}

void BlockRecalculation::compute_alone(std::size_t s, std::size_t i) {
  const Slot& slot = slots_[s];
  for (const Step& step : slot.steps) {
    if (step.operand.slot >= 0) put(static_cast<std::size_t>(step.operand.slot), static_cast<std::ptrdiff_t>(i));
  }
  for (const Operand& operand : slot.parameters) {
    if (operand.slot >= 0) put(static_cast<std::size_t>(operand.slot), static_cast<std::ptrdiff_t>(i));
  }
  if (slot.uniform && slot.uniform->slot >= 0)
    put(static_cast<std::size_t>(slot.uniform->slot), static_cast<std::ptrdiff_t>(i));
  compute_in_place(s, i);
}

void BlockRecalculation::compute_in_place(std::size_t s, std::size_t i) {
  kx::UniformGenerator& generator = kx::uniform_generator();
  generator = generators_[i];
  Slot& slot = slots_[s];
  spilled_ = !engine_.compute_cell(slot.index);
  generators_[i] = generator;
  if (spilled_) return;  // the cells of its old spill are gone
  keep(s, i, slot.cell->value);
  for (std::size_t k = 0; k < slot.spill.size(); ++k) slot.spilled[i * slot.spill.size() + k] = slot.spill[k]->value;
}

void BlockRecalculation::keep(std::size_t s, std::size_t i, const kx::Value& value) {
  Slot& slot = slots_[s];
  if (value.is_number()) {
    slot.numbers[i] = value.number();
    slot.other[i] = 0;
    return;
  }
  if (slot.values.empty()) slot.values.resize(block_);
  slot.any_other = true;
  slot.values[i] = value;
  slot.numbers[i] = 0;
  slot.other[i] = 1;
}

void BlockRecalculation::put(std::size_t s, std::ptrdiff_t i) {
  Slot& slot = slots_[s];
  for (std::size_t k = 0; k < slot.spill.size(); ++k) {
    slot.spill[k]->value =
        i < 0 ? slot.spilled_last[k] : slot.spilled[static_cast<std::size_t>(i) * slot.spill.size() + k];
  }
  if (i < 0) {
    slot.cell->value = slot.last;
  } else if (slot.other[static_cast<std::size_t>(i)] != 0) {
    slot.cell->value = slot.values[static_cast<std::size_t>(i)];
  } else {
    slot.cell->value = slot.numbers[static_cast<std::size_t>(i)];
  }
}

void BlockRecalculation::restore() {
  for (Slot& slot : slots_) {
    slot.cell->value = slot.last;
    for (std::size_t k = 0; k < slot.spill_at.size(); ++k)
      slot.sheet->cell(slot.spill_at[k].first, slot.spill_at[k].second).value = slot.spilled_last[k];
  }
}

std::optional<std::size_t> BlockRecalculation::slot_of(const Sheet* sheet, std::int32_t row,
                                                       std::int32_t column) const {
  const auto found = by_cell_.find(Place{sheet, row, column});
  if (found == by_cell_.end()) return std::nullopt;
  return found->second;
}

BlockRecalculation::Kinds BlockRecalculation::kinds() const {
  Kinds kinds;
  for (const Slot& slot : slots_) {
    if (slot.kind == Kind::Arithmetic) ++kinds.arithmetic;
    if (slot.kind == Kind::Draw) ++kinds.draws;
    if (slot.kind == Kind::General) ++kinds.general;
    if (slot.kind == Kind::Call) ++kinds.calls;
  }
  return kinds;
}

}  // namespace host
