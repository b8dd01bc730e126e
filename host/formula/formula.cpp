#include "host/formula/formula.hpp"

#include "common/failure.hpp"
#include "host/formula/binding.hpp"
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

void Formula::bind(Sheet& home, const Spreadsheet& application, const FunctionTable& functions) {
  if (!parsed_) return;
  problems_.clear();
  for (BindingProblem& problem : bind_formula(tree_, home, application, functions)) {
    problems_.push_back({column_at(text_, problem.offset), std::move(problem.message)});
  }
}

}  // namespace host
