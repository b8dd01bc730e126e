#include "host/formula/binding.hpp"

#include <algorithm>
#include <set>
#include <string>
#include <variant>

#include "common/failure.hpp"
#include "common/text_compare.hpp"
#include "host/document/book.hpp"
#include "host/document/spreadsheet.hpp"
#include "host/formula/function_table.hpp"
#include "host/formula/operators.hpp"

namespace host {
namespace {

std::string argument_count_text(const Function& function) {
  if (function.min_arguments == function.max_arguments) {
    return std::to_string(function.min_arguments) + (function.min_arguments == 1 ? " argument" : " arguments");
  }
  if (function.max_arguments == kMaxArguments)
    return "at least " + std::to_string(function.min_arguments) + " arguments";
  return std::to_string(function.min_arguments) + " to " + std::to_string(function.max_arguments) + " arguments";
}

Sheet* resolve_sheet(const Reference& reference, Sheet& home, const Spreadsheet& application, std::string& problem) {
  std::shared_ptr<Book> book = home.book();
  if (!reference.book.empty()) {
    book = application.find_book(reference.book);
    if (!book) {
      problem = "no open workbook is named \"" + reference.book + "\"";
      return nullptr;
    }
  }
  if (reference.sheet.empty()) {
    if (reference.book.empty()) return &home;
    problem = "the reference names workbook \"" + reference.book + "\" but no sheet";
    return nullptr;
  }
  if (!book) {
    problem = "the formula's sheet belongs to no workbook";
    return nullptr;
  }
  auto sheet = book->find_sheet(reference.sheet);
  if (!sheet) problem = "workbook " + book->name() + " has no sheet named \"" + reference.sheet + "\"";
  return sheet.get();
}

void bind_call(Call& call, const std::string& name, const FunctionTable& functions,
               std::vector<BindingProblem>& problems, std::size_t offset) {
  call.function = nullptr;
  const Function* function = functions.find(name);
  if (function == nullptr) {
    call.unbound_error = kx::error::kXlName;
    problems.push_back({offset, "unknown function " + name});
    return;
  }
  const std::size_t count = call.arguments.count;
  if (count < function->min_arguments || count > function->max_arguments) {
    call.unbound_error = kx::error::kXlValue;
    std::string message =
        function->name + " takes " + argument_count_text(*function) + ", not " + std::to_string(count);
    if (function->kind == Function::Kind::Member && function->max_arguments == 0) {
      message = function->name + " is a property and takes no arguments";
    }
    problems.push_back({offset, std::move(message)});
    return;
  }
  call.function = function;
}

// The names LET and LAMBDA bind anywhere in the formula: those are no unknown names.
std::set<std::string> names_bound_by_let(const SyntaxTree& tree) {
  std::set<std::string> names;
  for (const Node& node : tree.nodes) {
    const auto* call = std::get_if<Call>(&node.data);
    if (call == nullptr) continue;
    const std::string_view function = without_prefixes(tree.names[call->name]);
    const bool let = kx::equals_ignore_case(function, "LET");
    if (!let && !kx::equals_ignore_case(function, "LAMBDA")) continue;
    // LET binds every other argument before the last, LAMBDA every one before it.
    for (std::uint32_t i = 0; i + 1 < call->arguments.count; i += let ? 2 : 1) {
      const Node& argument = tree[tree.arguments[call->arguments.first + i]];
      if (const auto* name = std::get_if<NameNode>(&argument.data))
        names.insert(kx::to_upper_ascii(tree.names[name->name]));
    }
  }
  return names;
}

// Appends the steps of a node judged numeric; returns the stack depth they need.
std::size_t append_steps(SyntaxTree& tree, NodeId id) {
  const Node& node = tree[id];
  using Kind = ArithmeticStep::Kind;
  if (const auto* constant = std::get_if<Constant>(&node.data)) {
    const kx::Value& value = tree.constants[constant->index];
    tree.arithmetic.push_back({Kind::Number, Operator::Add, 0, 0, nullptr, value.is_number() ? value.number() : 0.0});
    return 1;
  }
  if (const auto* reference = std::get_if<ReferenceNode>(&node.data)) {
    tree.arithmetic.push_back(
        {Kind::Cell, Operator::Add, reference->area.top, reference->area.left, reference->sheet, 0});
    return 1;
  }
  if (const auto* unary = std::get_if<Unary>(&node.data)) {
    const std::size_t depth = append_steps(tree, unary->operand);
    if (unary->op == Operator::Negate) tree.arithmetic.push_back({Kind::Negate});
    if (unary->op == Operator::Percent) tree.arithmetic.push_back({Kind::Percent});
    return depth;
  }
  const Chain chain = std::get<Chain>(node.data);
  std::size_t depth = append_steps(tree, chain.first);
  for (std::uint32_t i = 0; i < chain.links.count; ++i) {
    const ChainLink link = tree.links[chain.links.first + i];
    depth = std::max(depth, 1 + append_steps(tree, link.operand));
    tree.arithmetic.push_back({Kind::Combine, link.op});
  }
  return depth;
}

}  // namespace

// Children come before their parents in the tree, so one pass in order sees every operand
// judged before the node that uses it.
void mark_arithmetic_chains(SyntaxTree& tree) {
  tree.arithmetic.clear();
  std::vector<char> numeric(tree.nodes.size(), 0);
  const auto is_numeric = [&](NodeId id, NodeId parent) { return id < parent && numeric[id] != 0; };
  for (NodeId id = 0; id < tree.nodes.size(); ++id) {
    Node& node = tree.nodes[id];
    if (const auto* constant = std::get_if<Constant>(&node.data)) {
      const kx::Value& value = tree.constants[constant->index];
      numeric[id] = value.is_number() || value.is_empty();  // a folded marker is empty, read as 0
    } else if (const auto* reference = std::get_if<ReferenceNode>(&node.data)) {
      numeric[id] = reference->sheet != nullptr && reference->area.single_cell();
    } else if (const auto* unary = std::get_if<Unary>(&node.data)) {
      numeric[id] = unary->op != Operator::Identity && unary->op != Operator::Negate && unary->op != Operator::Percent
                        ? 0
                        : is_numeric(unary->operand, id);
    } else if (auto* chain = std::get_if<Chain>(&node.data)) {
      bool arithmetic = is_numeric(chain->first, id);
      for (std::uint32_t i = 0; arithmetic && i < chain->links.count; ++i) {
        const ChainLink& link = tree.links[chain->links.first + i];
        arithmetic = is_arithmetic(link.op) && is_numeric(link.operand, id);
      }
      numeric[id] = arithmetic;
      chain->arithmetic = {};
      if (!arithmetic) continue;
      const auto first = static_cast<std::uint32_t>(tree.arithmetic.size());
      if (append_steps(tree, id) > kArithmeticStack) {
        tree.arithmetic.resize(first);
        continue;
      }
      std::get<Chain>(tree.nodes[id].data).arithmetic = {first,
                                                         static_cast<std::uint32_t>(tree.arithmetic.size()) - first};
    }
  }
}

std::vector<BindingProblem> bind_formula(SyntaxTree& tree, Sheet& home, const Spreadsheet& application,
                                         const FunctionTable& functions, const NameResolver& names) {
  std::vector<BindingProblem> problems;
  const std::set<std::string> bound_by_let = names_bound_by_let(tree);
  for (Node& node : tree.nodes) {
    if (auto* reference = std::get_if<ReferenceNode>(&node.data)) {
      std::string problem;
      reference->sheet = resolve_sheet(tree.references[reference->written], home, application, problem);
      if (reference->sheet == nullptr) problems.push_back({node.offset, std::move(problem)});
    } else if (auto* call = std::get_if<Call>(&node.data)) {
      bind_call(*call, tree.names[call->name], functions, problems, node.offset);
    } else if (auto* name = std::get_if<NameNode>(&node.data)) {
      const std::string& written = tree.names[name->name];
      name->definition = nullptr;
      if (bound_by_let.count(kx::to_upper_ascii(written)) > 0) continue;
      std::string problem;
      if (names) name->definition = names(written, problem);
      if (name->definition != nullptr) continue;
      if (problem.empty()) problem = "unknown name " + written + " (no defined name, function or cell is called so)";
      problems.push_back({node.offset, std::move(problem)});
    }
  }
  mark_arithmetic_chains(tree);
  return problems;
}

}  // namespace host
