// A cell of a sheet: a value, or a formula with its last computed value.
#pragma once

#include <memory>
#include <string>

#include "common/value.hpp"

namespace host {

class Formula;  // a parsed formula, owned by the formula engine

struct Cell {
  kx::Value value;
  std::string formula_text;          // empty for a plain value
  std::shared_ptr<Formula> formula;  // parsed once, kept with the cell
  // A legacy formula, saved before dynamic arrays: where one value is expected, a range gives
  // its cell in the formula's row or column, an array its first value.
  bool intersects = false;
  bool has_formula() const { return !formula_text.empty(); }
};

}  // namespace host
