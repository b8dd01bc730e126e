// Binding a parsed formula to the workbook it lives in: each reference gets its sheet and
// each call its function, once, so that evaluation looks nothing up by name.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "host/formula/syntax_tree.hpp"

namespace host {

class Sheet;
class Spreadsheet;
class FunctionTable;

struct BindingProblem {
  std::size_t offset = 0;  // where the unknown name or reference is written
  std::string message;
};

// What a name written in a formula stands for: the bound formula of a defined name, or null
// with the reason in `problem`.
using NameResolver = std::function<const SyntaxTree*(std::string_view name, std::string& problem)>;

// Binds every node of `tree`, read on the sheet `home`. What cannot be bound is reported and
// left to evaluate to an error value: an unknown function or name #NAME?, an unknown sheet
// or workbook #REF!, a wrong number of arguments #VALUE!. Binding again replaces the old one.
std::vector<BindingProblem> bind_formula(SyntaxTree& tree, Sheet& home, const Spreadsheet& application,
                                         const FunctionTable& functions, const NameResolver& names = {});

// Flattens the chains that combine only numbers into steps that evaluation computes in doubles.
// Binding does it; whatever changes the nodes of a bound tree does it again.
void mark_arithmetic_chains(SyntaxTree& tree);

}  // namespace host
