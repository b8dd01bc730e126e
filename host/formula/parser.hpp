// Reads a formula into its syntax tree.
#pragma once

#include <string_view>

#include "host/formula/syntax_tree.hpp"

namespace host {

// Parses a formula, with or without its leading '='. Raises ParseError with the column of
// the first thing it cannot read, and for formulas longer than kMaxFormulaLength or nested
// deeper than kMaxNestingDepth.
SyntaxTree parse_formula(std::string_view text);

}  // namespace host
