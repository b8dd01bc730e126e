// A cell's formula: its text, parsed once and bound to the workbook, kept with the cell.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/value.hpp"
#include "host/formula/binding.hpp"
#include "host/formula/syntax_tree.hpp"

namespace host {

class Sheet;
class Spreadsheet;
class FunctionTable;

// Something wrong with a formula's text: where (a 1-based column) and what.
struct FormulaProblem {
  std::size_t column = 0;
  std::string message;
};

class Formula {
 public:
  // Parses `text`. A text that does not parse becomes a formula that evaluates to #NAME?,
  // with the parse error as its problem; this never raises.
  explicit Formula(std::string text);

  const std::string& text() const { return text_; }
  const SyntaxTree& tree() const { return tree_; }
  // The parse error, or what binding could not resolve.
  const std::vector<FormulaProblem>& problems() const { return problems_; }
  bool parsed() const { return parsed_; }

  // (Re)binds references, calls and defined names for a formula that lives on `home`.
  void bind(Sheet& home, const Spreadsheet& application, const FunctionTable& functions,
            const NameResolver& names = {});

  // Makes every bound call of a component member that declares the parameter `parameter`
  // pass `value` there, whatever the text wrote; true when some call was changed. A
  // simulation holds a locked cell at its deterministic value this way.
  bool pass_argument(std::string_view parameter, const kx::Value& value);

  // Makes every bound call of the component member `member` whose arguments are at most
  // `most_arguments` constants evaluate to `value` without being made; true when one was. A
  // simulation folds the model's markers this way, which give the same value every time.
  bool fold_calls(std::string_view member, std::size_t most_arguments, const kx::Value& value);

 private:
  std::string text_;
  SyntaxTree tree_;
  bool parsed_ = false;
  std::vector<FormulaProblem> problems_;
};

}  // namespace host
