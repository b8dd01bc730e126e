// SUBTOTAL and AGGREGATE: an aggregate chosen by number over references, leaving out the
// cells that hold SUBTOTAL or AGGREGATE themselves (so that subtotals and a grand total in one
// column do not count twice) and, for AGGREGATE's options, error values. The host has no
// hidden rows, so the options that skip them change nothing more.
#include <array>
#include <cmath>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/host_services.hpp"
#include "common/text_compare.hpp"
#include "host/document/cell.hpp"
#include "host/document/cell_range.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/sheet_functions.hpp"
#include "host/worksheet/worksheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

// Calls a worksheet function by its name, as a formula would.
kx::Value call_named(std::string_view name, Arguments args) {
  static const std::unordered_map<std::string_view, const SheetFunction*> by_name = [] {
    std::unordered_map<std::string_view, const SheetFunction*> functions;
    for (const Family family : sheet_function_families()) {
      for (const SheetFunction& function : family) functions.emplace(function.name, &function);
    }
    return functions;
  }();
  if (const auto found = by_name.find(name); found != by_name.end())
    return compute_sheet_function(*found->second, args);
  return compute_worksheet_fn(kx::find_worksheet_fn(name).value(), args);
}

bool is_subtotal_formula(const Cell* cell) {
  if (cell == nullptr || !cell->has_formula()) return false;
  const std::string text = kx::to_upper_ascii(cell->formula_text);
  return text.find("SUBTOTAL(") != std::string::npos || text.find("AGGREGATE(") != std::string::npos;
}

// An argument's values as an array, with the cells left out made empty.
kx::Value kept_values(const kx::Value& argument, bool skip_subtotals, bool skip_errors) {
  const Grid grid(argument);
  const auto* range = argument.is_range() ? dynamic_cast<const CellRange*>(argument.range().get()) : nullptr;
  kx::Array kept(grid.rows(), grid.columns());
  for (std::size_t row = 0; row < grid.rows(); ++row) {
    for (std::size_t column = 0; column < grid.columns(); ++column) {
      const kx::Value& value = grid.at(row, column);
      const bool nested =
          skip_subtotals && range != nullptr &&
          is_subtotal_formula(range->sheet()->find(range->row() + static_cast<std::int32_t>(row),
                                                   range->column() + static_cast<std::int32_t>(column)));
      if (nested || (skip_errors && value.is_error())) continue;
      kept.at(row, column) = value;
    }
  }
  return kept;
}

constexpr std::array<std::string_view, 11> kSubtotalFunctions = {"AVERAGE", "COUNT",  "COUNTA", "MAX", "MIN", "PRODUCT",
                                                                 "STDEV",   "STDEVP", "SUM",    "VAR", "VARP"};

// SUBTOTAL(function_num, ref1, ...): 1 to 11, or 101 to 111 (the same without hidden rows).
kx::Value subtotal(Arguments args) {
  const double number = std::trunc(number_arg(args[0]));
  const double base = number > 100.0 ? number - 100.0 : number;
  if (base < 1.0 || base > 11.0) raise_error(kx::error::kXlValue, "the function number must be 1 to 11 or 101 to 111");
  std::vector<kx::Value> kept;
  for (const kx::Value& reference : args.subspan(1)) kept.push_back(kept_values(reference, true, false));
  return call_named(kSubtotalFunctions[static_cast<std::size_t>(base) - 1], kept);
}

constexpr std::array<std::string_view, 19> kAggregateFunctions = {
    "AVERAGE",      "COUNT",          "COUNTA",      "MAX",    "MIN",       "PRODUCT", "STDEV.S", "STDEV.P",
    "SUM",          "VAR.S",          "VAR.P",       "MEDIAN", "MODE.SNGL", "LARGE",   "SMALL",   "PERCENTILE.INC",
    "QUARTILE.INC", "PERCENTILE.EXC", "QUARTILE.EXC"};

// AGGREGATE(function_num, options, ref1, ...) or, for 14 to 19, (function_num, options, array, k).
// Options 0 to 3 leave out nested subtotals, 2, 3, 6 and 7 error values.
kx::Value aggregate(Arguments args) {
  const double number = std::trunc(number_arg(args[0]));
  const double options = is_omitted(args[1]) ? 0.0 : std::trunc(number_arg(args[1]));
  if (number < 1.0 || number > 19.0) raise_error(kx::error::kXlValue, "the function number must be 1 to 19");
  if (options < 0.0 || options > 7.0) raise_error(kx::error::kXlValue, "the options must be 0 to 7");
  const bool skip_subtotals = options <= 3.0;
  const bool skip_errors = options == 2.0 || options == 3.0 || options == 6.0 || options == 7.0;
  const bool takes_k = number >= 14.0;
  if (takes_k && args.size() != 4) raise_error(kx::error::kXlValue, "this function needs an array and k");
  std::vector<kx::Value> kept;
  for (const kx::Value& reference : args.subspan(2, takes_k ? 1 : args.size() - 2)) {
    kept.push_back(kept_values(reference, skip_subtotals, skip_errors));
  }
  if (takes_k) kept.push_back(args[3]);
  return call_named(kAggregateFunctions[static_cast<std::size_t>(number) - 1], kept);
}

constexpr SheetFunction kFunctions[] = {
    {"SUBTOTAL", 2, kUnlimited, kArrays, subtotal, "function_num, ref1, ..."},
    {"AGGREGATE", 3, kUnlimited, kArrays, aggregate, "function_num, options, ref1, ..."},
};

}  // namespace

Family subtotal_functions() { return kFunctions; }

}  // namespace host::worksheet
