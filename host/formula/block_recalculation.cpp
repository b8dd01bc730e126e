#include "host/formula/block_recalculation.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>
#include <variant>

#include "common/text_compare.hpp"
#include "host/document/cell.hpp"
#include "host/document/sheet.hpp"
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
  bound->failed_.resize(block);
  return bound;
}

std::optional<BlockRecalculation::Operand> BlockRecalculation::operand_of(const Sheet* sheet, std::int32_t row,
                                                                          std::int32_t column, bool empty_is_zero) {
  const auto computed = by_cell_.find(Place{sheet, row, column});
  // A cell an array result spills into changes with it.
  for (const auto& [spill, anchor] : spill_areas_) {
    const Reference& area = spill.area;
    if (spill.sheet != sheet || row < area.top || row > area.bottom || column < area.left || column > area.right ||
        (row == area.top && column == area.left))
      continue;
    if (anchor >= slots_.size()) return std::nullopt;
    const std::int64_t width = area.right - area.left + 1;
    return Operand{0, static_cast<std::int64_t>(anchor), (row - area.top) * width + (column - area.left) - 1};
  }
  if (computed != by_cell_.end()) {
    // A cell computed after this one would be read as the iteration before left it.
    if (computed->second >= slots_.size()) return std::nullopt;
    return Operand{0, static_cast<std::int64_t>(computed->second)};
  }
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
    slots_.push_back(std::move(slot));  // an array result is computed the ordinary way
    return;
  }
  const SyntaxTree& tree = *computed.tree;
  const Node& root = tree[tree.root];
  if (const auto* chain = std::get_if<Chain>(&root.data); chain != nullptr && chain->arithmetic.count > 0) {
    bool bound = true;
    std::size_t top = 0;
    for (std::uint32_t k = chain->arithmetic.first; bound && k < chain->arithmetic.first + chain->arithmetic.count;
         ++k) {
      const ArithmeticStep& step = tree.arithmetic[k];
      Step made{step.kind, step.op, Operand{step.number}};
      if (step.kind == ArithmeticStep::Kind::Cell) {
        const auto operand = operand_of(step.sheet, step.row, step.column, true);
        bound = operand.has_value();
        if (bound) made.operand = *operand;
      }
      if (step.kind == ArithmeticStep::Kind::Number || step.kind == ArithmeticStep::Kind::Cell) {
        slot.depth = std::max(slot.depth, ++top);
      } else if (step.kind == ArithmeticStep::Kind::Combine) {
        --top;
      }
      slot.steps.push_back(made);
    }
    if (bound) slot.kind = Kind::Arithmetic;
  } else {
    bind_draw(tree, root, slot);
  }
  slots_.push_back(std::move(slot));
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
    if (!bound) {
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

bool BlockRecalculation::run(std::uint64_t seed, std::uint64_t first, std::size_t count, std::uint64_t strata) {
  count = std::min(count, block_);
  for (std::size_t i = 0; i < count; ++i) {
    generators_[i].stratify(strata);
    generators_[i].start_iteration(seed, first + i);
  }
  for (std::size_t slot = 0; slot < slots_.size() && !spilled_;) {
    switch (slots_[slot].kind) {
      case Kind::Arithmetic: run_arithmetic(slot++, count); break;
      case Kind::Draw: run_draw(slot++, count); break;
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

void BlockRecalculation::run_arithmetic(std::size_t s, std::size_t count) {
  Slot& slot = slots_[s];
  stack_.resize(slot.depth * block_);
  std::fill_n(failed_.begin(), count, 0);
  const auto row = [&](std::size_t k) { return stack_.data() + k * block_; };
  std::size_t top = 0;
  for (const Step& step : slot.steps) {
    switch (step.kind) {
      case ArithmeticStep::Kind::Number: std::fill_n(row(top++), count, step.operand.number); break;
      case ArithmeticStep::Kind::Cell: {
        if (step.operand.slot < 0) {
          std::fill_n(row(top++), count, step.operand.number);
          break;
        }
        double* x = row(top++);
        if (step.operand.element >= 0) {
          for (std::size_t i = 0; i < count; ++i) {
            const kx::Value* value = value_at(step.operand, i, x[i]);
            failed_[i] |= value != nullptr;
          }
          break;
        }
        const Slot& from = slots_[static_cast<std::size_t>(step.operand.slot)];
        std::copy_n(from.numbers.begin(), count, x);
        for (std::size_t i = 0; i < count; ++i) failed_[i] |= from.other[i];
        break;
      }
      case ArithmeticStep::Kind::Negate: {
        double* x = row(top - 1);
        for (std::size_t i = 0; i < count; ++i) x[i] = -x[i];
        break;
      }
      case ArithmeticStep::Kind::Percent: {
        double* x = row(top - 1);
        for (std::size_t i = 0; i < count; ++i) x[i] /= 100.0;
        break;
      }
      case ArithmeticStep::Kind::Combine: {
        --top;
        double* left = row(top - 1);
        const double* right = row(top);
        // The three common operators as loops the compiler vectorises; the rest element by element.
        switch (step.op) {
          case Operator::Add:
            for (std::size_t i = 0; i < count; ++i) left[i] += right[i];
            break;
          case Operator::Subtract:
            for (std::size_t i = 0; i < count; ++i) left[i] -= right[i];
            break;
          case Operator::Multiply:
            for (std::size_t i = 0; i < count; ++i) left[i] *= right[i];
            break;
          default:
            for (std::size_t i = 0; i < count; ++i) failed_[i] |= !combine_numbers(step.op, left[i], right[i]);
            break;
        }
        for (std::size_t i = 0; i < count; ++i) failed_[i] |= !std::isfinite(left[i]);
        break;
      }
    }
  }
  const double* result = row(0);
  for (std::size_t i = 0; i < count; ++i) {
    if (failed_[i]) {
      compute_alone(s, i);
    } else {
      slot.numbers[i] = result[i];
      slot.other[i] = 0;
    }
  }
}

void BlockRecalculation::run_draw(std::size_t s, std::size_t count) {
  Slot& slot = slots_[s];
  std::array<double, 8> numbers{};
  const std::span<const double> given(numbers.data(), slot.parameters.size());
  kx::UniformGenerator& generator = kx::uniform_generator();
  for (std::size_t i = 0; i < count; ++i) {
    bool all_numbers = true;
    for (std::size_t k = 0; k < slot.parameters.size(); ++k)
      all_numbers = value_at(slot.parameters[k], i, numbers[k]) == nullptr && all_numbers;
    // corFactor's uniform: none drawn for a number, one drawn for an error value, as a call takes it.
    double u = 0;
    const double* uniform = nullptr;
    if (slot.uniform) {
      const kx::Value* value = value_at(*slot.uniform, i, u);
      if (value == nullptr) {
        uniform = &u;
      } else {
        all_numbers = all_numbers && value->is_error();
      }
    }
    generator = generators_[i];
    double variate = 0;
    bool drawn = all_numbers && slot.draw->draw(*slot.provider, slot.draw->rule, given, uniform, variate);
    for (const auto& [op, number] : slot.tail) drawn = drawn && combine_numbers(op, variate, number);
    if (drawn) {
      slot.numbers[i] = variate;
      slot.other[i] = 0;
      generators_[i] = generator;
    } else {
      compute_alone(s, i);  // from the generator state before the draw
    }
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
    if (step.kind == ArithmeticStep::Kind::Cell && step.operand.slot >= 0)
      put(static_cast<std::size_t>(step.operand.slot), static_cast<std::ptrdiff_t>(i));
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
  }
  return kinds;
}

}  // namespace host
