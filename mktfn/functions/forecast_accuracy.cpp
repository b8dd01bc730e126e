// Forecast accuracy measures: MSE, MAD, RMSE, Durbin-Watson, the inequality coefficient U,
// MAPE and mean error. The error of element i is F_i - A_i; with the forecast omitted the
// actual data are taken as the errors themselves. None of them traps its failures.
#include <cmath>
#include <cstdint>
#include <vector>

#include "common/checked_math.hpp"
#include "mktfn/frame/conventions.hpp"
#include "mktfn/frame/main.hpp"
#include "mktfn/functions/host_numbers.hpp"

namespace mktfn {
namespace {

using kx::WorksheetFn;
namespace checked = kx::checked;

// The errors of the first n elements.
std::vector<double> forecast_errors(const kx::Value& actual, const kx::Value& forecast, std::int32_t n) {
  std::vector<double> errors;
  errors.reserve(static_cast<std::size_t>(n));
  for (std::int32_t i = 1; i <= n; ++i) {
    errors.push_back(is_omitted(forecast) ? number_at(actual, i)
                                          : checked::sub(number_at(forecast, i), number_at(actual, i)));
  }
  return errors;
}

// A function declared to return a double cannot hand back the error value of its size test.
[[noreturn]] void lengths_differ() {
  throw kx::Failure(kx::error::kTypeMismatch,
                    "Type mismatch: Actual_Data and Forecast_Data differ in length and a number cannot hold the error");
}

}  // namespace

kx::Value Main::kxMSE(kx::Value& Actual_Data, kx::Value& Forecast_Data) {
  kx::Application& app = host();
  if (is_omitted(Forecast_Data)) {
    return checked::div(host_number(app, WorksheetFn::SumSq, {Actual_Data}),
                        host_number(app, WorksheetFn::Count, {Actual_Data}));
  }
  // No size test: arrays of different sizes make SumXMY2 answer an error value, which fails.
  return checked::div(host_number(app, WorksheetFn::SumXMY2, {Actual_Data, Forecast_Data}),
                      host_number(app, WorksheetFn::Count, {Forecast_Data}));
}

kx::Value Main::kxMAD(kx::Value& Actual_Data, kx::Value& Forecast_Data) {
  const std::int32_t n = rows_count(Actual_Data);
  if (!is_omitted(Forecast_Data) && rows_count(Forecast_Data) != n) return value_error();
  double total = 0.0;
  for (const double e : forecast_errors(Actual_Data, Forecast_Data, n)) total = checked::add(total, std::fabs(e));
  return checked::div(total, n);
}

kx::Value Main::kxRMSE(kx::Value& Actual_Data, kx::Value& Forecast_Data) {
  return checked::sqrt(kx::to_double(kxMSE(Actual_Data, Forecast_Data)));
}

kx::Value Main::kxDW(kx::Value& Actual_Data, kx::Value& Forecast_Data) {
  const std::int32_t n = rows_count(Actual_Data);
  if (!is_omitted(Forecast_Data) && rows_count(Forecast_Data) != n) return value_error();
  const std::vector<double> e = forecast_errors(Actual_Data, Forecast_Data, n);
  // Squared successive differences over the squares of the first n - 1 errors.
  double differences = 0.0;
  double squares = 0.0;
  for (std::size_t t = 1; t < e.size(); ++t) {
    const double step = checked::sub(e[t], e[t - 1]);
    differences = checked::add(differences, checked::mul(step, step));
    squares = checked::add(squares, checked::mul(e[t - 1], e[t - 1]));
  }
  return checked::div(differences, squares);
}

double Main::kxU(const kx::Value& Actual_Data, const kx::Value& Forecast_Data) {
  if (rows_count(Forecast_Data) != rows_count(Actual_Data)) lengths_differ();
  kx::Value actual = Actual_Data;
  kx::Value forecast = Forecast_Data;
  const double mse = kx::to_double(kxMSE(actual, forecast));
  kx::Application& app = host();
  const double spread = checked::add(host_number(app, WorksheetFn::Varp, {Actual_Data}),
                                     host_number(app, WorksheetFn::Varp, {Forecast_Data}));
  return checked::sqrt(checked::div(mse, spread));
}

kx::Value Main::kxMAPE(kx::Value& Actual_Data, kx::Value& Forecast_Data) {
  const std::int16_t n = counter_limit(rows_count(Actual_Data));
  require_length(Forecast_Data, n);
  double total = 0.0;
  for (std::int16_t i = 1; i <= n; ++i) {
    const double actual = number_at(Actual_Data, i);
    total = checked::add(total, std::fabs(checked::div(checked::sub(number_at(Forecast_Data, i), actual), actual)));
  }
  return checked::div(total, n);
}

double Main::kxME(const kx::Value& Actual_Data, kx::Value& Forecast_Data) {
  const std::int32_t n = rows_count(Actual_Data);
  if (is_omitted(Forecast_Data)) return checked::div(host_number(host(), WorksheetFn::Sum, {Actual_Data}), n);
  if (rows_count(Forecast_Data) != n) lengths_differ();
  double total = 0.0;
  for (const double e : forecast_errors(Actual_Data, Forecast_Data, n)) total = checked::add(total, e);
  return checked::div(total, n);
}

}  // namespace mktfn
