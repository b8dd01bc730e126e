#include "host/formula/evaluator.hpp"

#include <algorithm>
#include <array>
#include <boost/container/small_vector.hpp>
#include <cmath>
#include <exception>
#include <new>
#include <span>
#include <utility>
#include <variant>
#include <vector>

#include "common/automation/dispatch.hpp"
#include "common/reporting.hpp"
#include "common/text_compare.hpp"
#include "host/document/address.hpp"
#include "host/document/cell_range.hpp"
#include "host/document/spreadsheet.hpp"
#include "host/formula/arguments.hpp"
#include "host/formula/builtins.hpp"
#include "host/formula/cell_walk.hpp"
#include "host/formula/coercion.hpp"
#include "host/formula/formula_errors.hpp"
#include "host/formula/function_table.hpp"
#include "host/formula/limits.hpp"
#include "host/formula/operators.hpp"
#include "host/formula/reference_operators.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host {
namespace {

template <class... Cases>
struct Overloaded : Cases... {
  using Cases::operator()...;
};
template <class... Cases>
Overloaded(Cases...) -> Overloaded<Cases...>;

bool is_scalar(kx::DeclaredType type) {
  return type != kx::DeclaredType::Variant && type != kx::DeclaredType::Object && type != kx::DeclaredType::Void;
}

std::string describe_area(const Sheet& sheet, const CellArea& area) {
  return sheet.name() + "!" + format_address(area.top, area.left, area.bottom, area.right);
}

// The range is named only when it is too large: formatting its address on every read would
// cost more than reading it.
template <class Describe>
void check_array_size(std::int64_t cells, Describe&& what) {
  if (cells > kMaxFormulaArrayCells) {
    throw LimitExceeded("the range " + what() + " has " + std::to_string(cells) + " cells, more than the " +
                        std::to_string(kMaxFormulaArrayCells) + " a formula may read as an array");
  }
}

// Range objects kept for references before they are all dropped: formulas evaluated once each,
// as on a command line, would otherwise keep theirs for ever.
constexpr std::size_t kMostKeptRanges = 4096;

// A call's arguments, on the stack for the usual few: a recalculation makes a call per cell.
using ArgumentValues = boost::container::small_vector<kx::Value, 8>;

const kx::Value& constant_of(const SyntaxTree& tree, const Constant& node) { return tree.constants[node.index]; }

std::span<const ChainLink> links_of(const SyntaxTree& tree, const Chain& chain) {
  return {tree.links.data() + chain.links.first, chain.links.count};
}

std::span<const NodeId> arguments_of(const SyntaxTree& tree, const Call& call) {
  return {tree.arguments.data() + call.arguments.first, call.arguments.count};
}

// The value of a constant or of a reference to one cell, without a copy; null for any other node.
const kx::Value* value_in_place(const SyntaxTree& tree, NodeId id) {
  const Node& node = tree[id];
  if (const auto* constant = std::get_if<Constant>(&node.data)) return &constant_of(tree, *constant);
  const auto* reference = std::get_if<ReferenceNode>(&node.data);
  if (reference == nullptr || reference->sheet == nullptr || !reference->area.single_cell()) return nullptr;
  return &reference->sheet->value(reference->area.top, reference->area.left);
}

// The number of a chain that binding flattened into arithmetic steps. False when a cell holds
// no number or a step gives an error value: the general evaluation, which has nothing to undo
// since these steps read cells only, then gives the error.
bool arithmetic_number(const SyntaxTree& tree, Run steps, double& result) {
  std::array<double, kArithmeticStack> stack;
  std::size_t top = 0;  // one past the top number
  for (std::uint32_t i = steps.first; i < steps.first + steps.count; ++i) {
    const ArithmeticStep& step = tree.arithmetic[i];
    switch (step.kind) {
      case ArithmeticStep::Kind::Number: stack[top++] = step.number; break;
      case ArithmeticStep::Kind::Cell: {
        if (step.place == nullptr) step.place = step.sheet->place_of(step.row, step.column);
        if (step.place != nullptr && *step.place == nullptr) {
          stack[top++] = 0.0;  // nothing written there, which reads as 0 as in any arithmetic
          break;
        }
        const kx::Value& cell = step.place != nullptr ? (*step.place)->value : step.sheet->value(step.row, step.column);
        if (cell.is_number()) {
          stack[top++] = cell.number();
        } else if (cell.is_empty()) {
          stack[top++] = 0.0;
        } else {
          return false;
        }
        break;
      }
      case ArithmeticStep::Kind::Negate: stack[top - 1] = -stack[top - 1]; break;
      case ArithmeticStep::Kind::Percent: stack[top - 1] /= 100.0; break;
      case ArithmeticStep::Kind::Combine:
        --top;
        if (!combine_numbers(step.op, stack[top - 1], stack[top])) return false;
        break;
    }
  }
  result = stack[0];
  return true;
}

// The cell of an area in a legacy formula's row or column: a span of rows takes the formula's
// row, a span of columns its column; nullopt when the formula's row or column misses the area.
std::optional<std::pair<std::int32_t, std::int32_t>> implicit_cell(const CellArea& area, const Evaluator::Place& at) {
  std::pair<std::int32_t, std::int32_t> cell{area.top, area.left};
  if (area.row_count() > 1) {
    if (at.row < area.top || at.row > area.bottom) return std::nullopt;
    cell.first = at.row;
  }
  if (area.column_count() > 1) {
    if (at.column < area.left || at.column > area.right) return std::nullopt;
    cell.second = at.column;
  }
  return cell;
}

// While it lives, a legacy formula reads ranges and arrays whole (`whole`) or keeps its mode:
// the arguments of a function that takes arrays are read whole. The mode before comes back after.
class ArrayPlace {
 public:
  explicit ArrayPlace(std::optional<Evaluator::Place>& intersect_at, bool whole = true)
      : intersect_at_(intersect_at), saved_(intersect_at) {
    if (whole) intersect_at_.reset();
  }
  ~ArrayPlace() { intersect_at_ = saved_; }
  ArrayPlace(const ArrayPlace&) = delete;
  ArrayPlace& operator=(const ArrayPlace&) = delete;

 private:
  std::optional<Evaluator::Place>& intersect_at_;
  std::optional<Evaluator::Place> saved_;
};

}  // namespace

kx::Value Evaluator::evaluate(const SyntaxTree& tree, std::optional<Place> intersect_at) {
  intersect_at_ = intersect_at;
  try {
    kx::Value result = value(tree, tree.root);
    if (result.is_object()) return kx::ErrorValue{kx::error::kXlValue};
    if (intersect_at_ && result.is_array()) {
      const kx::Array& array = result.array();
      if (array.rows() == 0 || array.columns() == 0) return kx::ErrorValue{kx::error::kXlValue};
      return kx::Value(array.at(0, 0));
    }
    return result;
  } catch (const LimitExceeded& limit) {
    return remember({}, limit.number(), limit.what(), kx::error::kXlNum);
  } catch (const std::bad_alloc&) {
    return remember({}, kx::error::kOutOfMemory, "out of memory while evaluating the formula", kx::error::kXlNum);
  } catch (const std::exception& failure) {
    return remember({}, kx::failure_number_of(failure), failure.what(), kx::error::kXlValue);
  }
}

kx::Value Evaluator::value(const SyntaxTree& tree, NodeId id) {
  return std::visit(Overloaded{
                        [&](const ReferenceNode& node) { return reference_value(node); },
                        [&](const Constant& node) { return constant_of(tree, node); },
                        [&](const Chain& node) {
                          double number = 0;
                          if (node.arithmetic.count > 0 && arithmetic_number(tree, node.arithmetic, number))
                            return kx::Value(number);
                          return chain(tree, node);
                        },
                        [&](const Call& node) { return range_value(call(tree, node)); },
                        [&](const Unary& node) { return apply_unary(node.op, value(tree, node.operand)); },
                        [&](const Omitted&) { return kx::Value::missing(); },
                        [&](const NameNode& node) { return range_value(name_value(tree, node)); },
                        [&](const Intersection& node) { return range_value(intersection(tree, node)); },
                        [&](const Span& node) { return range_value(span(tree, node)); },
                        [&](const Union&) { return kx::Value(kx::ErrorValue{kx::error::kXlValue}); },
                    },
                    tree[id].data);
}

kx::Value Evaluator::array_value(const SyntaxTree& tree, NodeId id) {
  const ArrayPlace whole(intersect_at_);
  return value(tree, id);
}

kx::Value Evaluator::argument(const SyntaxTree& tree, NodeId id) {
  const Node& node = tree[id];
  if (const auto* reference = std::get_if<ReferenceNode>(&node.data)) {
    if (reference->sheet == nullptr) return kx::ErrorValue{kx::error::kXlRef};
    const CellArea area = used_part(*reference->sheet, reference->area);
    kx::RangeRef& kept = ranges_[reference];
    // The kept object holds its sheet, so a sheet at the same address is that sheet; a node
    // at an address another tree's node had is told apart by what it covers.
    const auto* range = static_cast<const CellRange*>(kept.get());
    if (range == nullptr || range->sheet().get() != reference->sheet || range->row() != area.top ||
        range->column() != area.left || range->row_count() != area.row_count() ||
        range->column_count() != area.column_count()) {
      kx::RangeRef made = reference->sheet->area(area.top, area.left, area.bottom, area.right);
      static_cast<CellRange&>(*made).set_logical_size(reference->area.row_count(), reference->area.column_count());
      if (ranges_.size() > kMostKeptRanges) {
        ranges_.clear();
        return made;
      }
      kept = std::move(made);
    }
    return kept;
  }
  if (const auto* called = std::get_if<Call>(&node.data)) return call(tree, *called);
  if (const auto* name = std::get_if<NameNode>(&node.data)) return name_value(tree, *name);
  if (const auto* both = std::get_if<Intersection>(&node.data)) return intersection(tree, *both);
  if (const auto* between = std::get_if<Span>(&node.data)) return span(tree, *between);
  return value(tree, id);
}

kx::Value Evaluator::intersection(const SyntaxTree& tree, const Intersection& node) {
  return intersect(argument(tree, node.left), argument(tree, node.right));
}

kx::Value Evaluator::span(const SyntaxTree& tree, const Span& node) {
  return host::span(argument(tree, node.left), argument(tree, node.right));
}

kx::Value Evaluator::sheet_argument(const SyntaxTree& tree, NodeId id, const Function& function) {
  const auto* references = std::get_if<Union>(&tree[id].data);
  if (references == nullptr) return argument(tree, id);
  if (function.kind == Function::Kind::Worksheet && function.worksheet == kx::WorksheetFn::Index) {
    return kx::Value();  // chosen by choose_index_area
  }
  if (!accepts_union(function.name)) return kx::ErrorValue{kx::error::kXlValue};
  ArgumentValues parts;
  for (std::uint32_t i = 0; i < references->parts.count; ++i) {
    parts.push_back(range_value(argument(tree, tree.arguments[references->parts.first + i])));
  }
  return union_values(std::span<const kx::Value>(parts.data(), parts.size()));
}

void Evaluator::choose_index_area(const SyntaxTree& tree, const Call& call, std::span<kx::Value> arguments) {
  if (arguments.empty()) return;
  std::int64_t area = 1;
  if (arguments.size() > 3 && !arguments[3].is_missing()) {
    double number = 0;
    try {
      number = number_of(arguments[3]);
    } catch (const ErrorResult& error) {
      arguments[0] = kx::ErrorValue{error.number()};
      return;
    }
    area = number >= 1 && number < 65536 ? static_cast<std::int64_t>(number) : 0;
  }
  const auto* references = std::get_if<Union>(&tree[arguments_of(tree, call).front()].data);
  const std::int64_t areas = references ? references->parts.count : 1;
  if (area < 1 || area > areas) {
    arguments[0] = kx::ErrorValue{kx::error::kXlRef};
  } else if (references) {
    arguments[0] = argument(tree, tree.arguments[references->parts.first + static_cast<std::uint32_t>(area - 1)]);
  }
}

kx::Value Evaluator::name_value(const SyntaxTree& tree, const NameNode& node) {
  if (!names_.empty()) {
    const std::string name = kx::to_upper_ascii(tree.names[node.name]);
    for (auto bound = names_.rbegin(); bound != names_.rend(); ++bound) {
      if (bound->first == name) return bound->second;
    }
  }
  // A defined name reads as its formula would in its place: a range stays a range.
  if (node.definition != nullptr) return argument(*node.definition, node.definition->root);
  return kx::ErrorValue{kx::error::kXlName};
}

void Evaluator::bind_name(std::string_view name, kx::Value value) {
  names_.emplace_back(kx::to_upper_ascii(name), std::move(value));
}

void Evaluator::unbind_names(std::size_t count) { names_.resize(names_.size() - std::min(count, names_.size())); }

kx::Value Evaluator::reference_value(const ReferenceNode& node) {
  if (node.sheet == nullptr) return kx::ErrorValue{kx::error::kXlRef};
  if (intersect_at_ && !node.area.single_cell()) {
    const auto cell = implicit_cell(node.area, *intersect_at_);
    if (!cell) return kx::ErrorValue{kx::error::kXlValue};
    return node.sheet->value(cell->first, cell->second);
  }
  const CellArea area = used_part(*node.sheet, node.area);
  if (area.single_cell()) return node.sheet->value(area.top, area.left);
  check_array_size(area.cell_count(), [&] { return describe_area(*node.sheet, area); });
  kx::Array array(static_cast<std::size_t>(area.row_count()), static_cast<std::size_t>(area.column_count()));
  for_each_cell_in(*node.sheet, area, [&](std::int32_t row, std::int32_t column, const kx::Value& cell) {
    array.at(static_cast<std::size_t>(row - area.top), static_cast<std::size_t>(column - area.left)) = cell;
    return true;
  });
  return array;
}

kx::Value Evaluator::chain(const SyntaxTree& tree, const Chain& chain) {
  kx::Value result = value(tree, chain.first);
  for (const ChainLink& link : links_of(tree, chain)) {
    // A cell or a constant is read where it lives: copying each operand costs more than the arithmetic.
    if (const kx::Value* operand = value_in_place(tree, link.operand)) {
      result = apply_binary(link.op, result, *operand);
    } else {
      result = apply_binary(link.op, result, value(tree, link.operand));
    }
  }
  return result;
}

kx::Value Evaluator::call(const SyntaxTree& tree, const Call& call) {
  if (call.function == nullptr) return kx::ErrorValue{call.unbound_error};
  switch (call.function->kind) {
    case Function::Kind::Builtin: return call_builtin(tree, call);
    case Function::Kind::Worksheet: return call_worksheet(tree, call);
    case Function::Kind::Sheet: return call_sheet(tree, call);
    case Function::Kind::Member: return call_member(tree, call);
  }
  return kx::ErrorValue{kx::error::kXlName};
}

kx::Value Evaluator::call_builtin(const SyntaxTree& tree, const Call& call) {
  const Arguments arguments(*this, tree, arguments_of(tree, call));
  try {
    return call.function->builtin->run(arguments);
  } catch (const ErrorResult& error) {
    return kx::ErrorValue{error.number()};
  } catch (const LimitExceeded&) {
    throw;
  } catch (const kx::Failure& failure) {
    return kx::ErrorValue{worksheet_error_of(failure.number())};
  }
}

// As a member of the application: a worksheet function that cannot compute gives its error
// value, which the formula passes on.
kx::Value Evaluator::call_worksheet(const SyntaxTree& tree, const Call& call) {
  ArgumentValues arguments;
  arguments.reserve(call.arguments.count);
  const ArrayPlace whole(intersect_at_);
  for (const NodeId id : arguments_of(tree, call)) {
    arguments.push_back(sheet_argument(tree, id, *call.function));
    // A worksheet function reads a range whole, cell by cell or as one array.
    if (arguments.back().is_range()) {
      const kx::Range& range = *arguments.back().range();
      check_array_size(range.count(), [&] { return range.address(); });
    }
  }
  if (call.function->worksheet == kx::WorksheetFn::Index) {
    choose_index_area(tree, call, std::span<kx::Value>(arguments.data(), arguments.size()));
    if (arguments.size() > 3) arguments.resize(3);
  }
  // An empty place, trailing ones too, is an argument given empty: ROUND(1.5,) has its two.
  try {
    return application_.call(call.function->worksheet, std::span<const kx::Value>(arguments.data(), arguments.size()));
  } catch (const LimitExceeded&) {
    throw;  // the whole formula fails, not this call alone
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& failure) {
    return remember(call.function->name, kx::failure_number_of(failure), failure.what(), kx::error::kXlValue);
  }
}

// The worksheet functions no component calls, reached directly. A function that cannot compute
// gives its error value, as a cell shows it; only a limit of the engine fails the formula.
kx::Value Evaluator::call_sheet(const SyntaxTree& tree, const Call& call) {
  const worksheet::SheetFunction& function = *call.function->sheet;
  if (function.is_volatile) application_.mark_volatile();
  ArgumentValues arguments;
  arguments.reserve(call.arguments.count);
  {
    // A function of single values takes one cell of a range in a legacy formula; one that takes
    // arrays reads its arguments whole.
    const bool single = function.takes == worksheet::Takes::kSingleValues;
    const ArrayPlace place(intersect_at_, !single);
    for (const NodeId id : arguments_of(tree, call)) {
      arguments.push_back(intersect_at_ ? scalar_argument(tree, id) : sheet_argument(tree, id, *call.function));
    }
  }
  try {
    return compute_sheet_function(function, std::span<const kx::Value>(arguments.data(), arguments.size()));
  } catch (const LimitExceeded&) {
    throw;
  } catch (const kx::Failure& failure) {
    return kx::ErrorValue{failure.number()};
  }
}

// Through the automation layer, as the add-in's cell formulas reach the components. A failed
// call shows as #VALUE! in the cell, as the spreadsheet shows a failing add-in function.
kx::Value Evaluator::call_member(const SyntaxTree& tree, const Call& call) {
  const Function& function = *call.function;
  const std::vector<kx::Parameter>& parameters = function.member->parameters;
  ArgumentValues arguments;
  arguments.reserve(call.arguments.count);
  for (const NodeId id : arguments_of(tree, call)) {
    // A parameter of a scalar type takes a one-cell reference as the cell's value, which its
    // conversion would read anyway; a simulation makes these calls by the million, and a
    // range object for each costs more than the call.
    const Node& node = tree[id];
    const auto* reference = std::get_if<ReferenceNode>(&node.data);
    const std::size_t index = arguments.size();
    if (const auto* constant = std::get_if<Constant>(&node.data)) {
      arguments.push_back(constant_of(tree, *constant));
    } else if (reference && reference->sheet && reference->area.single_cell() && index < parameters.size() &&
               is_scalar(parameters[index].type)) {
      arguments.push_back(reference->sheet->value(reference->area.top, reference->area.left));
    } else {
      // A legacy formula gives a parameter of a scalar type one cell of a range; a variant reads it whole.
      const bool scalar = index < parameters.size() && is_scalar(parameters[index].type);
      const ArrayPlace place(intersect_at_, !scalar);
      arguments.push_back(intersect_at_ ? scalar_argument(tree, id) : argument(tree, id));
    }
  }
  kx::Value result;
  try {
    result =
        kx::call_member(*function.object, *function.member, std::span<kx::Value>(arguments.data(), arguments.size()));
  } catch (const kx::Failure& failure) {
    return remember(function.name, failure.number(), failure.what(), kx::error::kXlValue);
  } catch (const std::exception& failure) {
    return remember(function.name, kx::failure_number_of(failure), failure.what(), kx::error::kXlValue);
  }
  if (result.is_number() && !std::isfinite(result.number())) {
    return remember(function.name, kx::error::kOverflow, "the result is not a finite number", kx::error::kXlNum);
  }
  return result;
}

kx::Value Evaluator::range_value(kx::Value result) {
  if (!result.is_range()) return result;
  if (intersect_at_) return intersected(result);
  const kx::Range& range = *result.range();
  check_array_size(range.count(), [&] { return range.address(); });
  return range.value();
}

kx::Value Evaluator::scalar_argument(const SyntaxTree& tree, NodeId id) {
  // A reference is met by its whole extent, not only the part of it that holds cells.
  const auto* reference = std::get_if<ReferenceNode>(&tree[id].data);
  if (reference != nullptr && !reference->area.single_cell()) return reference_value(*reference);
  kx::Value result = argument(tree, id);
  return result.is_range() ? intersected(result) : result;
}

kx::Value Evaluator::intersected(const kx::Value& value) const {
  const kx::Range& range = *value.range();
  const CellArea area{range.row(), range.column(), range.row() + range.row_count() - 1,
                      range.column() + range.column_count() - 1};
  if (area.single_cell()) return range.value();
  const auto cell = implicit_cell(area, *intersect_at_);
  if (!cell) return kx::ErrorValue{kx::error::kXlValue};
  return range.cells(cell->first - area.top + 1, cell->second - area.left + 1)->value();
}

kx::Value Evaluator::remember(std::string_view function, std::int32_t number, std::string message,
                              std::int32_t error_value) {
  if (!failure_) failure_ = CallFailure{std::string(function), number, std::move(message)};
  return kx::ErrorValue{error_value};
}

}  // namespace host
