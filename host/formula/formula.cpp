#include "host/formula/formula.hpp"

#include <variant>

#include "common/automation/interface.hpp"
#include "common/failure.hpp"
#include "common/text_compare.hpp"
#include "host/formula/binding.hpp"
#include "host/formula/function_table.hpp"
#include "host/formula/parse_error.hpp"
#include "host/formula/parser.hpp"

namespace host {

Formula::Formula(std::string text) : text_(std::move(text)) {
  try {
    tree_ = parse_formula(text_);
    parsed_ = true;
  } catch (const ParseError& error) {
    tree_ = SyntaxTree{};
    const kx::Value name_error = kx::ErrorValue{kx::error::kXlName};
    tree_.constants.assign(1, name_error);
    tree_.nodes.push_back(Node{Constant{0}, 0});
    tree_.root = 0;
    problems_.push_back({error.column(), error.what()});
  }
}

void Formula::bind(Sheet& home, const Spreadsheet& application, const FunctionTable& functions,
                   const NameResolver& names) {
  if (!parsed_) return;
  problems_.clear();
  for (BindingProblem& problem : bind_formula(tree_, home, application, functions, names)) {
    problems_.push_back({column_at(text_, problem.offset), std::move(problem.message)});
  }
}

bool Formula::pass_argument(std::string_view parameter, const kx::Value& value) {
  bool changed = false;
  for (const Node& node : tree_.nodes) {
    const auto* call = std::get_if<Call>(&node.data);
    if (call == nullptr || call->function == nullptr || call->function->kind != Function::Kind::Member) continue;
    const auto& parameters = call->function->member->parameters;
    for (std::size_t position = 0; position < parameters.size() && position < call->arguments.count; ++position) {
      if (!kx::equals_ignore_case(parameters[position].name, parameter)) continue;
      // The argument's node becomes the constant in place; whatever it computed is no longer read.
      const NodeId argument = tree_.arguments[call->arguments.first + position];
      tree_.constants.push_back(value);
      tree_[argument].data = Constant{static_cast<std::uint32_t>(tree_.constants.size() - 1)};
      changed = true;
    }
  }
  return changed;
}

bool Formula::fold_calls(std::string_view member, std::size_t most_arguments, const kx::Value& value) {
  bool changed = false;
  for (Node& node : tree_.nodes) {
    const auto* call = std::get_if<Call>(&node.data);
    if (call == nullptr || call->function == nullptr || call->function->kind != Function::Kind::Member) continue;
    if (!kx::equals_ignore_case(call->function->name, member) || call->arguments.count > most_arguments) continue;
    bool constant_arguments = true;
    for (std::uint32_t i = 0; i < call->arguments.count; ++i) {
      const NodeId argument = tree_.arguments[call->arguments.first + i];
      constant_arguments = constant_arguments && std::holds_alternative<Constant>(tree_[argument].data);
    }
    if (!constant_arguments) continue;
    tree_.constants.push_back(value);
    node.data = Constant{static_cast<std::uint32_t>(tree_.constants.size() - 1)};
    changed = true;
  }
  if (changed) mark_arithmetic_chains(tree_);
  return changed;
}

}  // namespace host
