// The dispatch table of the worksheet functions and the boundary every call passes: argument
// count, cell-by-cell evaluation over arrays, and failures turned into worksheet errors.
#include "host/worksheet/worksheet_functions.hpp"

#include <algorithm>
#include <array>
#include <boost/container/small_vector.hpp>
#include <boost/math/policies/error_handling.hpp>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/formula/formula_errors.hpp"
#include "host/formula/limits.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/families.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host {
namespace {

using kx::WorksheetFn;
using worksheet::Arguments;
using worksheet::Grid;

using worksheet::kMostFixed;
using worksheet::kUnlimited;
using worksheet::Takes;

struct FunctionRow {
  WorksheetFn fn;
  int fewest;  // arguments the function needs
  int most;    // arguments it accepts; the omitted ones reach it as the missing-argument marker
  Takes takes;
  kx::Value (*compute)(Arguments);
  std::string_view parameters;  // as `kx functions` lists them
};

// What the boundary needs of a function, whichever table it comes from.
struct Signature {
  std::string_view name;
  int fewest;
  int most;
  Takes takes;
  kx::Value (*compute)(Arguments);
  bool empty_place_is_zero = false;
};

using enum Takes;
namespace ws = worksheet;

// In the order of kx::WorksheetFn.
constexpr std::array<FunctionRow, kx::kWorksheetFnCount> kFunctions = {{
    {WorksheetFn::NormInv, 3, 3, kSingleValues, ws::norm_inv, "probability, mean, standard_dev"},
    {WorksheetFn::NormSInv, 1, 1, kSingleValues, ws::norm_s_inv, "probability"},
    {WorksheetFn::BetaInv, 3, 5, kSingleValues, ws::beta_inv, "probability, alpha, beta, [A], [B]"},
    {WorksheetFn::GammaInv, 3, 3, kSingleValues, ws::gamma_inv, "probability, alpha, beta"},
    {WorksheetFn::TInv, 2, 2, kSingleValues, ws::t_inv, "probability, deg_freedom"},
    {WorksheetFn::ChiInv, 2, 2, kSingleValues, ws::chi_inv, "probability, deg_freedom"},
    {WorksheetFn::CritBinom, 3, 3, kSingleValues, ws::crit_binom, "trials, probability_s, alpha"},
    {WorksheetFn::NormDist, 4, 4, kSingleValues, ws::norm_dist, "x, mean, standard_dev, cumulative"},
    {WorksheetFn::NormSDist, 1, 1, kSingleValues, ws::norm_s_dist, "z"},
    {WorksheetFn::GammaDist, 4, 4, kSingleValues, ws::gamma_dist, "x, alpha, beta, cumulative"},
    {WorksheetFn::BinomDist, 4, 4, kSingleValues, ws::binom_dist, "number_s, trials, probability_s, cumulative"},
    {WorksheetFn::ExponDist, 3, 3, kSingleValues, ws::expon_dist, "x, lambda, cumulative"},
    {WorksheetFn::Poisson, 3, 3, kSingleValues, ws::poisson_dist, "x, mean, cumulative"},
    {WorksheetFn::Weibull, 4, 4, kSingleValues, ws::weibull_dist, "x, alpha, beta, cumulative"},
    {WorksheetFn::BetaDist, 3, 5, kSingleValues, ws::beta_dist, "x, alpha, beta, [A], [B]"},
    {WorksheetFn::HypGeomDist, 4, 4, kSingleValues, ws::hyp_geom_dist,
     "sample_s, number_sample, population_s, number_pop"},
    {WorksheetFn::NegBinomDist, 3, 3, kSingleValues, ws::neg_binom_dist, "number_f, number_s, probability_s"},
    {WorksheetFn::TDist, 3, 3, kSingleValues, ws::t_dist, "x, deg_freedom, tails"},
    {WorksheetFn::ChiTest, 2, 2, kArrays, ws::chi_test, "actual_range, expected_range"},
    {WorksheetFn::GammaLn, 1, 1, kSingleValues, ws::gamma_ln, "x"},
    {WorksheetFn::Ln, 1, 1, kSingleValues, ws::natural_log, "number"},
    {WorksheetFn::Log, 1, 2, kSingleValues, ws::log_to_base, "number, [base]"},
    {WorksheetFn::Pi, 0, 0, kSingleValues, ws::pi_constant, ""},
    {WorksheetFn::Fact, 1, 1, kSingleValues, ws::factorial, "number"},
    {WorksheetFn::Floor, 2, 2, kSingleValues, ws::floor_to_multiple, "number, significance"},
    {WorksheetFn::Round, 2, 2, kSingleValues, ws::round_digits, "number, num_digits"},
    {WorksheetFn::RoundUp, 2, 2, kSingleValues, ws::round_up_digits, "number, num_digits"},
    {WorksheetFn::RoundDown, 2, 2, kSingleValues, ws::round_down_digits, "number, num_digits"},
    {WorksheetFn::Sum, 1, kUnlimited, kArrays, ws::sum, "number1, ..."},
    {WorksheetFn::Count, 1, kUnlimited, kArrays, ws::count, "value1, ..."},
    {WorksheetFn::Min, 1, kUnlimited, kArrays, ws::minimum, "number1, ..."},
    {WorksheetFn::Max, 1, kUnlimited, kArrays, ws::maximum, "number1, ..."},
    {WorksheetFn::Average, 1, kUnlimited, kArrays, ws::average, "number1, ..."},
    {WorksheetFn::Stdev, 1, kUnlimited, kArrays, ws::stdev, "number1, ..."},
    {WorksheetFn::Stdevp, 1, kUnlimited, kArrays, ws::stdevp, "number1, ..."},
    {WorksheetFn::Var, 1, kUnlimited, kArrays, ws::var, "number1, ..."},
    {WorksheetFn::Varp, 1, kUnlimited, kArrays, ws::varp, "number1, ..."},
    {WorksheetFn::SumSq, 1, kUnlimited, kArrays, ws::sum_sq, "number1, ..."},
    {WorksheetFn::SumXMY2, 2, 2, kArrays, ws::sum_x_m_y2, "array_x, array_y"},
    {WorksheetFn::SumProduct, 1, kUnlimited, kArrays, ws::sum_product, "array1, ..."},
    {WorksheetFn::SumIf, 2, 3, kArrays, ws::sum_if, "range, criteria, [sum_range]"},
    {WorksheetFn::CountIf, 2, 2, kArrays, ws::count_if, "range, criteria"},
    {WorksheetFn::Rank, 2, 3, kArrays, ws::rank, "number, ref, [order]"},
    {WorksheetFn::Index, 2, 4, kArrays, ws::index_of, "array, row_num, [column_num], [area_num]"},
    {WorksheetFn::Transpose, 1, 1, kArrays, ws::transpose, "array"},
    {WorksheetFn::MMult, 2, 2, kArrays, ws::m_mult, "array1, array2"},
    {WorksheetFn::MInverse, 1, 1, kArrays, ws::m_inverse, "array"},
    {WorksheetFn::LinEst, 1, 2, kArrays, ws::lin_est, "known_y's, [known_x's]"},
}};

constexpr bool rows_are_well_formed() {
  for (std::size_t i = 0; i < kFunctions.size(); ++i) {
    const FunctionRow& row = kFunctions[i];
    if (static_cast<std::size_t>(row.fn) != i) return false;
    if (row.most != kUnlimited && row.most > kMostFixed) return false;
  }
  return true;
}
static_assert(rows_are_well_formed(), "kFunctions must list every worksheet function in enum order");

// A number the function computed must be finite: an overflow is #NUM!, as in the spreadsheet.
void check_finite(const kx::Value& result) {
  if (result.is_number()) worksheet::check_domain(std::isfinite(result.number()), "the result is too large");
  if (!result.is_array()) return;
  for (const kx::Value& cell : result.array().values()) check_finite(cell);
}

// Runs the computation, with Boost's failures (raised under the host's policy) made #NUM!.
kx::Value computed(const Signature& row, Arguments args) {
  try {
    kx::Value result = row.compute(args);
    check_finite(result);
    return result;
  } catch (const kx::Failure&) {
    throw;
  } catch (const std::domain_error& failure) {
    worksheet::raise_error(kx::error::kXlNum, failure.what());
  } catch (const std::overflow_error& failure) {
    worksheet::raise_error(kx::error::kXlNum, failure.what());
  } catch (const boost::math::evaluation_error& failure) {
    worksheet::raise_error(kx::error::kXlNum, failure.what());
  } catch (const boost::math::rounding_error& failure) {
    worksheet::raise_error(kx::error::kXlNum, failure.what());
  }
}

bool holds_several_cells(const kx::Value& argument) {
  return (argument.is_array() || argument.is_range()) && Grid(argument).size() > 1;
}

// A function of single values over arrays: the result has the largest extent of the arrays;
// a single row or column is repeated across, and a cell beyond a smaller array is #N/A.
kx::Value computed_cell_by_cell(const Signature& row, Arguments args) {
  std::vector<std::optional<Grid>> grids;
  std::size_t rows = 1;
  std::size_t columns = 1;
  for (const kx::Value& argument : args) {
    if (!holds_several_cells(argument)) {
      grids.emplace_back();
      continue;
    }
    const Grid& grid = grids.emplace_back(argument).value();
    rows = std::max(rows, grid.rows());
    columns = std::max(columns, grid.columns());
  }
  if (static_cast<double>(rows) * static_cast<double>(columns) > static_cast<double>(kMaxFormulaArrayCells)) {
    throw LimitExceeded(std::string(row.name) + " cell by cell over " + std::to_string(rows) + " rows and " +
                        std::to_string(columns) + " columns exceeds the " + std::to_string(kMaxFormulaArrayCells) +
                        " elements a formula may build");
  }
  kx::Array results(rows, columns);
  ArrayTextBudget text(row.name);
  std::vector<kx::Value> cell_args(args.begin(), args.end());
  for (std::size_t i = 0; i < rows; ++i) {
    for (std::size_t j = 0; j < columns; ++j) {
      for (std::size_t a = 0; a < args.size(); ++a) {
        if (!grids[a]) continue;
        const Grid& grid = *grids[a];
        const std::size_t r = grid.rows() == 1 ? 0 : i;
        const std::size_t c = grid.columns() == 1 ? 0 : j;
        cell_args[a] =
            r < grid.rows() && c < grid.columns() ? grid.at(r, c) : kx::Value(kx::ErrorValue{kx::error::kXlNA});
      }
      try {
        results.at(i, j) = computed(row, cell_args);
      } catch (const kx::Failure& failure) {
        results.at(i, j) = kx::ErrorValue{worksheet_error_of(failure.number())};
      }
      text.count(results.at(i, j));
    }
  }
  return results;
}

std::string arity_text(const Signature& row) {
  if (row.most == kUnlimited) return "at least " + std::to_string(row.fewest);
  if (row.fewest == row.most) return std::to_string(row.fewest);
  return std::to_string(row.fewest) + " to " + std::to_string(row.most);
}

kx::Value compute_signature(const Signature& row, std::span<const kx::Value> arguments) {
  // An empty place is an argument given empty (ROUND(1.5,) has two), except trailing ones
  // beyond what the function takes, which are no arguments at all.
  while (arguments.size() > static_cast<std::size_t>(row.most) && arguments.back().is_missing()) {
    arguments = arguments.first(arguments.size() - 1);
  }
  const auto count = static_cast<long long>(arguments.size());
  if (count < row.fewest || count > row.most) {
    worksheet::raise_error(kx::error::kXlValue, std::string(row.name) + " takes " + arity_text(row) +
                                                    " arguments, not " + std::to_string(count));
  }
  // Arguments left off the end reach the function as omitted ones. A call that gives them all,
  // as a component's calls mostly do, is read where it is.
  boost::container::small_vector<kx::Value, kMostFixed> padded;
  Arguments given = arguments;
  const auto empty_place = [](const kx::Value& v) { return v.is_missing(); };
  const bool zero_places = row.empty_place_is_zero && std::any_of(arguments.begin(), arguments.end(), empty_place);
  if (zero_places || (row.most != kUnlimited && count < row.most)) {
    padded.assign(arguments.begin(), arguments.end());
    if (zero_places) std::replace_if(padded.begin(), padded.end(), empty_place, kx::Value(0.0));
    if (row.most != kUnlimited) padded.resize(static_cast<std::size_t>(row.most), kx::Value::missing());
    given = Arguments(padded.data(), padded.size());
  }
  try {
    if (row.takes == kSingleValues && std::any_of(given.begin(), given.end(), holds_several_cells)) {
      return computed_cell_by_cell(row, given);
    }
    return computed(row, given);
  } catch (const LimitExceeded&) {
    throw;  // the formula asked too much: a failure of the command, not a cell's error value
  } catch (const kx::Failure& failure) {
    // A host operation that failed inside (a range reaching past the sheet) is still a
    // worksheet error: a cell never holds a run-time error number.
    throw kx::Failure(worksheet_error_of(failure.number()), std::string(row.name) + ": " + failure.what());
  }
}

}  // namespace

std::optional<double> compute_worksheet_number(kx::WorksheetFn fn, std::span<const double> arguments) {
  if (!std::all_of(arguments.begin(), arguments.end(), [](double x) { return std::isfinite(x); })) return std::nullopt;
  const auto numbers = [&]() -> std::optional<double> {
    const std::span<const double> x = arguments;
    switch (fn) {
      case WorksheetFn::NormInv:
        if (arguments.size() == 3) return ws::norm_inv_of(x[0], x[1], x[2]);
        break;
      case WorksheetFn::NormSInv:
        if (arguments.size() == 1) return ws::norm_s_inv_of(x[0]);
        break;
      case WorksheetFn::BetaInv:
        if (arguments.size() == 5) return ws::beta_inv_of(x[0], x[1], x[2], x[3], x[4]);
        break;
      case WorksheetFn::GammaInv:
        if (arguments.size() == 3) return ws::gamma_inv_of(x[0], x[1], x[2]);
        break;
      case WorksheetFn::NormSDist:
        if (arguments.size() == 1) return ws::norm_s_dist_of(x[0]);
        break;
      case WorksheetFn::Ln:
        if (arguments.size() == 1) return ws::natural_log_of(x[0]);
        break;
      default: break;
    }
    // Any other function through its values.
    boost::container::small_vector<kx::Value, kMostFixed> values(arguments.begin(), arguments.end());
    const kx::Value result = compute_worksheet_fn(fn, std::span<const kx::Value>(values.data(), values.size()));
    return result.is_number() ? std::optional(result.number()) : std::nullopt;
  };
  // A failure of any kind is left to compute_worksheet_fn to tell.
  try {
    const std::optional<double> result = numbers();
    if (result && !std::isfinite(*result)) return std::nullopt;
    return result;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

kx::Value compute_worksheet_fn(kx::WorksheetFn fn, std::span<const kx::Value> arguments) {
  const FunctionRow& row = kFunctions.at(static_cast<std::size_t>(fn));
  return compute_signature({kx::worksheet_fn_name(fn), row.fewest, row.most, row.takes, row.compute}, arguments);
}

std::string_view worksheet_fn_parameters(kx::WorksheetFn fn) {
  return kFunctions.at(static_cast<std::size_t>(fn)).parameters;
}

kx::Value compute_sheet_function(const worksheet::SheetFunction& function, std::span<const kx::Value> arguments) {
  return compute_signature(
      {function.name, function.fewest, function.most, function.takes, function.compute, function.empty_place_is_zero},
      arguments);
}

}  // namespace host
