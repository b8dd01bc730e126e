// The worksheet functions formulas reach by their spreadsheet names, one table per family:
// logical and information, math, lookup, financial, statistics, dates, text, dynamic arrays,
// and the families added to them (trigonometry, number theory, engineering, ...).
#pragma once

#include <limits>
#include <span>
#include <string_view>
#include <vector>

#include "common/value.hpp"

namespace host::worksheet {

using Arguments = std::span<const kx::Value>;

// How a function takes arrays and ranges.
enum class Takes {
  kSingleValues,  // each argument is one value; given arrays, the function is computed cell by cell
  kArrays,        // arrays and ranges are arguments in their own right
};

inline constexpr int kUnlimited = std::numeric_limits<int>::max();
// The most arguments a function of fixed arity takes (ODDFPRICE, ODDFYIELD).
inline constexpr int kMostFixed = 9;

struct SheetFunction {
  std::string_view name;  // as spreadsheets spell it: "VLOOKUP", "NORM.DIST"
  int fewest;             // arguments the function needs
  int most;               // arguments it accepts; the omitted ones reach it as the missing-argument marker
  Takes takes;
  kx::Value (*compute)(Arguments);
  // As `kx functions` lists them; optional ones in brackets, "..." for a repeated tail.
  std::string_view parameters;
  // Computed again at every recalculation (RAND, TODAY, OFFSET, INDIRECT).
  bool is_volatile = false;
  // An empty place reads as 0 (FALSE), not as the default of an argument left off:
  // VLOOKUP(x,t,2,) matches exactly where VLOOKUP(x,t,2) does not.
  bool empty_place_is_zero = false;
};

using Family = std::span<const SheetFunction>;

Family logical_functions();
Family math_functions();
Family lookup_functions();
Family financial_functions();
Family statistics_functions();
Family date_functions();
Family text_functions();
Family dynamic_array_functions();
Family trigonometry_functions();
Family number_theory_functions();
Family rounding_functions();
Family special_functions();
Family engineering_functions();
Family complex_number_functions();
Family descriptive_statistics_functions();
Family distribution_form_functions();
Family information_functions();
Family database_functions();
Family text_conversion_functions();
Family text_splitting_functions();
Family array_shaping_functions();
Family securities_functions();
Family regression_functions();
Family subtotal_functions();
Family matrix_functions();
Family unit_conversion_functions();

}  // namespace host::worksheet

namespace host {
struct Builtin;
}

namespace host::worksheet {

// ROW, COLUMN, INDIRECT, SHEET and SHEETS read the formula's own cell and workbook, LET binds names: they run
// as builtins of the formula engine.
std::span<const Builtin> engine_builtins();
// LAMBDA and the functions that apply one evaluate parts of their formula: builtins too.
std::span<const Builtin> lambda_builtins();

// Every family, in the order above.
std::vector<Family> sheet_function_families();

}  // namespace host::worksheet

namespace host {

// Computes a sheet function with the same boundary as the host's worksheet functions: the
// argument count, cell-by-cell evaluation over arrays for functions of single values, and
// failures raised as kx::Failure carrying the worksheet error.
kx::Value compute_sheet_function(const worksheet::SheetFunction& function, std::span<const kx::Value> arguments);

}  // namespace host
