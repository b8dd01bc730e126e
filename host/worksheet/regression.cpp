// Values on a fitted line or curve: TREND and GROWTH predict from the least-squares fit of
// LINEST (GROWTH and LOGEST on the logarithms of y, for y = b m^x), LOGEST gives the
// curve's factors. The fits always take an intercept.
#include <cmath>
#include <vector>

#include "host/worksheet/arguments.hpp"
#include "host/worksheet/families.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

// The y values, as logarithms for an exponential fit, in their own shape.
kx::Value fitted_y(const kx::Value& known_y, bool logarithmic) {
  const Grid grid(known_y);
  kx::Array values(grid.rows(), grid.columns());
  for (std::size_t i = 0; i < grid.size(); ++i) {
    if (!holds_number(grid.at(i))) raise_error(kx::error::kXlValue, "every y value must be a number");
    const double y = grid.at(i).number();
    if (logarithmic) check_domain(y > 0.0, "an exponential fit needs positive y values");
    values.at(i) = logarithmic ? std::log(y) : y;
  }
  return values;
}

// LINEST's slopes (last x variable first) and intercept.
std::vector<double> coefficients(Arguments args, bool logarithmic) {
  const kx::Value fit_args[] = {fitted_y(args[0], logarithmic), args[1]};
  const kx::Value fitted = lin_est(fit_args);
  const Grid grid(fitted);
  std::vector<double> result;
  for (std::size_t i = 0; i < grid.size(); ++i) result.push_back(grid.at(i).number());
  return result;
}

// The x values predicted at: new_x, else known_x, else 1, 2, ... in the shape of known_y.
kx::Value prediction_x(Arguments args) {
  if (!is_omitted(args[2])) return args[2];
  if (!is_omitted(args[1])) return args[1];
  const Grid y(args[0]);
  kx::Array counting(y.rows(), y.columns());
  for (std::size_t i = 0; i < counting.size(); ++i) counting.at(i) = static_cast<double>(i + 1);
  return counting;
}

template <bool Logarithmic>
kx::Value predict(Arguments args) {
  const std::vector<double> fit = coefficients(args, Logarithmic);
  const std::size_t k = fit.size() - 1;
  const Grid x(prediction_x(args));
  const auto value_at = [&](double linear) { return Logarithmic ? std::exp(linear) : linear; };
  if (k == 1) {
    kx::Array result(x.rows(), x.columns());
    for (std::size_t i = 0; i < x.size(); ++i) {
      if (!holds_number(x.at(i))) raise_error(kx::error::kXlValue, "every x value must be a number");
      result.at(i) = value_at(fit[0] * x.at(i).number() + fit[1]);
    }
    return result;
  }
  // Several x variables: each observation is a row of x beside a y column, else a column.
  const bool in_columns = Grid(args[0]).columns() == 1;
  const std::size_t observations = in_columns ? x.rows() : x.columns();
  if ((in_columns ? x.columns() : x.rows()) != k) {
    raise_error(kx::error::kXlRef, "the new x values need as many variables as the known ones");
  }
  kx::Array result(in_columns ? observations : 1, in_columns ? 1 : observations);
  for (std::size_t i = 0; i < observations; ++i) {
    double linear = fit[k];
    for (std::size_t j = 0; j < k; ++j) {
      const kx::Value& cell = in_columns ? x.at(i, j) : x.at(j, i);
      if (!holds_number(cell)) raise_error(kx::error::kXlValue, "every x value must be a number");
      linear += fit[k - 1 - j] * cell.number();
    }
    result.at(i) = value_at(linear);
  }
  return result;
}

kx::Value log_estimate(Arguments args) {
  const std::vector<double> fit = coefficients(args, true);
  kx::Array factors(1, fit.size());
  for (std::size_t i = 0; i < fit.size(); ++i) factors.at(i) = std::exp(fit[i]);
  return factors;
}

constexpr SheetFunction kFunctions[] = {
    {"TREND", 1, 3, kArrays, predict<false>, "known_y's, [known_x's], [new_x's]"},
    {"GROWTH", 1, 3, kArrays, predict<true>, "known_y's, [known_x's], [new_x's]"},
    {"LOGEST", 1, 2, kArrays, log_estimate, "known_y's, [known_x's]"},
};

}  // namespace

Family regression_functions() { return kFunctions; }

}  // namespace host::worksheet
