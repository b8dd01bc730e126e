// Forecast accuracy measures: MSE, MAD, RMSE, Durbin-Watson, the inequality coefficient U,
// MAPE and mean error. The error of element i is F_i - A_i; with the forecast omitted the
// actual data are taken as the errors themselves. The data may be ranges or arrays, laid out
// in a column or a row. None of them traps its failures.
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/checked_math.hpp"
#include "mktfn/frame/conventions.hpp"
#include "mktfn/frame/main.hpp"
#include "mktfn/functions/host_numbers.hpp"

namespace mktfn {
namespace {

using kx::WorksheetFn;
namespace checked = kx::checked;

// The number of data an argument holds, in any layout.
std::size_t count_of(const kx::Value& argument) { return values_of(argument).size(); }

// The errors of the n actual data, or nothing when the forecast holds another number of data.
std::optional<std::vector<double>> forecast_errors(const kx::Value& actual, const kx::Value& forecast) {
  std::vector<double> errors = numbers_of(actual);
  if (is_omitted(forecast)) return errors;
  const std::vector<double> forecasts = numbers_of(forecast);
  if (forecasts.size() != errors.size()) return std::nullopt;
  for (std::size_t i = 0; i < errors.size(); ++i) errors[i] = checked::sub(forecasts[i], errors[i]);
  return errors;
}

double count(const std::vector<double>& numbers) { return static_cast<double>(numbers.size()); }

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
  const std::optional<std::vector<double>> errors = forecast_errors(Actual_Data, Forecast_Data);
  if (!errors) return value_error();
  double total = 0.0;
  for (const double e : *errors) total = checked::add(total, std::fabs(e));
  return checked::div(total, count(*errors));
}

kx::Value Main::kxRMSE(kx::Value& Actual_Data, kx::Value& Forecast_Data) {
  return checked::sqrt(kx::to_double(kxMSE(Actual_Data, Forecast_Data)));
}

kx::Value Main::kxDW(kx::Value& Actual_Data, kx::Value& Forecast_Data) {
  const std::optional<std::vector<double>> errors = forecast_errors(Actual_Data, Forecast_Data);
  if (!errors) return value_error();
  const std::vector<double>& e = *errors;
  // Squared successive differences over the squares of all n errors: the statistic lies in [0, 4].
  double differences = 0.0;
  double squares = 0.0;
  for (std::size_t t = 0; t < e.size(); ++t) {
    if (t > 0) {
      const double step = checked::sub(e[t], e[t - 1]);
      differences = checked::add(differences, checked::mul(step, step));
    }
    squares = checked::add(squares, checked::mul(e[t], e[t]));
  }
  return checked::div(differences, squares);
}

double Main::kxU(const kx::Value& Actual_Data, const kx::Value& Forecast_Data) {
  if (count_of(Forecast_Data) != count_of(Actual_Data)) lengths_differ();
  kx::Value actual = Actual_Data;
  kx::Value forecast = Forecast_Data;
  const double mse = kx::to_double(kxMSE(actual, forecast));
  kx::Application& app = host();
  const double spread = checked::add(host_number(app, WorksheetFn::Varp, {Actual_Data}),
                                     host_number(app, WorksheetFn::Varp, {Forecast_Data}));
  return checked::sqrt(checked::div(mse, spread));
}

kx::Value Main::kxMAPE(kx::Value& Actual_Data, kx::Value& Forecast_Data) {
  const std::vector<double> actual = numbers_of(Actual_Data);
  require_length(Forecast_Data, static_cast<std::int64_t>(actual.size()));
  const std::vector<double> forecast = numbers_of(Forecast_Data);
  double total = 0.0;
  for (std::size_t i = 0; i < actual.size(); ++i)
    total = checked::add(total, std::fabs(checked::div(checked::sub(forecast[i], actual[i]), actual[i])));
  return checked::div(total, count(actual));
}

double Main::kxME(const kx::Value& Actual_Data, kx::Value& Forecast_Data) {
  const auto n = static_cast<double>(count_of(Actual_Data));
  if (is_omitted(Forecast_Data)) return checked::div(host_number(host(), WorksheetFn::Sum, {Actual_Data}), n);
  const std::optional<std::vector<double>> errors = forecast_errors(Actual_Data, Forecast_Data);
  if (!errors) lengths_differ();
  double total = 0.0;
  for (const double e : *errors) total = checked::add(total, e);
  return checked::div(total, n);
}

}  // namespace mktfn
