// Binding the workbooks' defined names: each name's formula is bound once per load, after
// the names it uses, so that a formula reading a name finds it ready and a name defined
// through itself is found instead of evaluated forever.
#include <string>

#include "common/text_compare.hpp"
#include "host/formula/formula_engine.hpp"

namespace host {
namespace {

// Names defined through names this deep are refused rather than bound by a deeper recursion.
constexpr int kMaxNameNesting = 64;

std::string name_label(const DefinedName& defined) {
  return defined.scope ? defined.scope->name() + "!" + defined.name : defined.name;
}

}  // namespace

void FormulaEngine::load_names() {
  name_states_.clear();
  for (const auto& book : application_->books()) {
    for (DefinedName* defined : book->defined_names()) {
      if (!defined->formula || defined->formula->text() != defined->formula_text)
        defined->formula = std::make_shared<Formula>(defined->formula_text);
    }
  }
  for (const auto& book : application_->books()) {
    for (DefinedName* defined : book->defined_names()) {
      if (!name_states_.contains(defined)) bind_name(*book, *defined);
    }
  }
}

void FormulaEngine::bind_name(Book& book, DefinedName& defined) {
  name_states_[&defined] = NameState::Binding;
  const std::shared_ptr<Sheet> home = defined.scope           ? book.find_sheet(defined.scope->name())
                                      : book.sheets().empty() ? nullptr
                                                              : book.sheets().front();
  if (home) {
    ++name_depth_;
    defined.formula->bind(*home, *application_, functions_, names_for(book, defined.scope));
    --name_depth_;
  }
  for (const FormulaProblem& problem : defined.formula->problems()) problems_.push_back({name_label(defined), problem});
  name_states_[&defined] = NameState::Bound;
}

const SyntaxTree* FormulaEngine::resolve_name(Book& book, const Sheet* sheet, std::string_view name,
                                              std::string& problem) {
  // A name on another sheet is written as that sheet's references are: Sheet2!Rate.
  if (const std::size_t bang = name.rfind('!'); bang != std::string_view::npos) {
    const std::string sheet_name(name.substr(0, bang));
    const auto named_sheet = book.find_sheet(sheet_name);
    if (!named_sheet) {
      problem = "workbook " + book.name() + " has no sheet named \"" + sheet_name + "\"";
      return nullptr;
    }
    sheet = named_sheet.get();
    name = name.substr(bang + 1);
  }
  DefinedName* defined = book.find_name(name, sheet);
  if (defined == nullptr || !defined->formula) return nullptr;
  const auto state = name_states_.find(defined);
  if (state == name_states_.end()) {
    if (name_depth_ >= kMaxNameNesting) {
      problem = "the name " + std::string(name) + " is defined through more than " + std::to_string(kMaxNameNesting) +
                " other names";
      return nullptr;
    }
    bind_name(book, *defined);
  } else if (state->second == NameState::Binding) {
    problem = "the name " + defined->name + " is defined through itself";
    return nullptr;
  }
  return &defined->formula->tree();
}

NameResolver FormulaEngine::names_for(Book& book, const Sheet* sheet) {
  return [this, &book, sheet](std::string_view name, std::string& problem) {
    return resolve_name(book, sheet, name, problem);
  };
}

}  // namespace host
