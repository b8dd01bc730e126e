#include "host/formula/arguments.hpp"

#include <algorithm>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "common/text_compare.hpp"
#include "host/document/spreadsheet.hpp"
#include "host/formula/cell_walk.hpp"
#include "host/formula/coercion.hpp"
#include "host/formula/evaluator.hpp"
#include "host/formula/lambda.hpp"
#include "host/formula/limits.hpp"

namespace host {

bool Arguments::given(std::size_t index) const {
  return index < nodes_.size() && !std::holds_alternative<Omitted>(tree_[nodes_[index]].data);
}

kx::Value Arguments::value(std::size_t index) const { return evaluator_.value(tree_, nodes_[index]); }

kx::Value Arguments::reference(std::size_t index) const { return evaluator_.argument(tree_, nodes_[index]); }

std::optional<std::string_view> Arguments::name(std::size_t index) const {
  if (const auto* name = std::get_if<NameNode>(&tree_[nodes_[index]].data)) return tree_.names[name->name];
  return std::nullopt;
}

void Arguments::bind(std::string_view name, kx::Value value) const { evaluator_.bind_name(name, std::move(value)); }

void Arguments::unbind(std::size_t count) const { evaluator_.unbind_names(count); }

kx::Value Arguments::lambda() const {
  std::vector<std::string> parameters;
  for (std::size_t i = 0; i + 1 < nodes_.size(); ++i) {
    const auto written = name(i);
    if (!written) give_error(kx::error::kXlValue);
    std::string parameter = kx::to_upper_ascii(*written);
    if (std::find(parameters.begin(), parameters.end(), parameter) != parameters.end()) give_error(kx::error::kXlValue);
    parameters.push_back(std::move(parameter));
  }
  return kx::ObjectRef(
      std::make_shared<Lambda>(evaluator_, tree_, nodes_.back(), std::move(parameters), evaluator_.bound_names()));
}

Spreadsheet& Arguments::application() const { return evaluator_.application(); }

std::optional<CellRef> Arguments::caller() const { return evaluator_.application().calling_cell(); }

void Arguments::for_each(std::size_t index, ValueVisitor visit) const { for_each_of(nodes_[index], visit); }

bool Arguments::for_each_of(NodeId id, ValueVisitor visit) const {
  const Node& node = tree_[id];
  // SUM((A1:A3,C1:C3)) reads each reference of the union in turn.
  if (const auto* references = std::get_if<Union>(&node.data)) {
    for (std::uint32_t i = 0; i < references->parts.count; ++i) {
      if (!for_each_of(tree_.arguments[references->parts.first + i], visit)) return false;
    }
    return true;
  }
  if (const auto* reference = std::get_if<ReferenceNode>(&node.data); reference && reference->sheet) {
    Sheet& sheet = *reference->sheet;
    const CellArea area = used_part(sheet, reference->area);
    bool whole = true;
    for_each_cell_in(sheet, area, [&](std::int32_t, std::int32_t, const kx::Value& cell) {
      whole = visit(cell, false);
      return whole;
    });
    return whole;
  }
  // A reference a function or a reference operator returns (INDIRECT, OFFSET, CHOOSE, IF,
  // A1:INDEX(...)) is read as one: its cells, texts among them, are not values given directly.
  const bool computed_reference = std::holds_alternative<Call>(node.data) ||
                                  std::holds_alternative<Span>(node.data) ||
                                  std::holds_alternative<Intersection>(node.data);
  kx::Value value = computed_reference ? evaluator_.argument(tree_, id) : evaluator_.array_value(tree_, id);
  if (value.is_range()) {
    const kx::Range& range = *value.range();
    if (range.count() > kMaxFormulaArrayCells) {
      throw LimitExceeded("the range " + range.address() + " has more cells than the " +
                          std::to_string(kMaxFormulaArrayCells) + " a formula may read as an array");
    }
    value = range.value();
    if (!value.is_array()) return visit(value, false);
  }
  if (!value.is_array()) return visit(value, true);
  for (const kx::Value& element : value.array().values()) {
    if (!visit(element, false)) return false;
  }
  return true;
}

}  // namespace host
