// Forecast accuracy measures against numpy on two data sets, the worked example and the
// failures of each measure.
#include <cmath>
#include <string>
#include <vector>

#include "common/conversions.hpp"
#include "tests/mktfn/marketing_fixture.hpp"

namespace mktfn {
namespace {

using kx::Value;

class ForecastAccuracyTest : public MarketingTest {};

TEST_F(ForecastAccuracyTest, AgreesWithTheReferenceOnTwoDataSets) {
  for (const auto& data_set : marketing_values()["forecast_accuracy"]) {
    SCOPED_TRACE(data_set["label"].get<std::string>());
    const Value actual = column(1, 1, data_set["actual"].get<std::vector<double>>());
    const Value forecast = column(1, 2, data_set["forecast"].get<std::vector<double>>());
    const Value errors = column(1, 3, data_set["errors"].get<std::vector<double>>());
    for (const auto& [measure, expected] : data_set["expected"].items()) {
      SCOPED_TRACE(measure);
      EXPECT_NEAR(call("kx" + measure, {actual, forecast}).number(), expected.get<double>(),
                  1e-12 * std::fabs(expected.get<double>()));
    }
    // The same measures of the errors alone, with the forecast omitted.
    for (const auto& [measure, expected] : data_set["expected_from_errors"].items()) {
      SCOPED_TRACE(measure + " of the errors");
      EXPECT_NEAR(call("kx" + measure, {errors}).number(), expected.get<double>(),
                  1e-12 * std::fabs(expected.get<double>()));
    }
  }
}

TEST_F(ForecastAccuracyTest, WorkedExample) {
  const Value actual = column(1, 1, {10, 12, 14});
  const Value forecast = column(1, 2, {11, 12, 12});
  const Value errors = column(1, 3, {1, -1, 1});
  const NumberCase cases[] = {
      {"squared error", "kxMSE", {actual, forecast}, 5.0 / 3.0},
      {"absolute deviation", "kxMAD", {actual, forecast}, 1.0},
      {"root squared error", "kxRMSE", {actual, forecast}, std::sqrt(5.0 / 3.0)},
      {"mean error", "kxME", {actual, forecast}, -1.0 / 3.0},
      {"percentage error", "kxMAPE", {actual, forecast}, (0.1 + 0.0 + 2.0 / 14.0) / 3.0},
      // (4 + 4) / (1 + 1 + 1): the statistic sums the squares of all three errors.
      {"Durbin-Watson of the errors", "kxDW", {errors}, 8.0 / 3.0},
      {"squared error of the errors", "kxMSE", {errors}, 1.0},
      {"mean of the errors", "kxME", {errors}, 1.0 / 3.0},
  };
  expect_numbers(cases, 1e-15);
}

// The data read the same in a column or a row, as ranges or as arrays of either layout.
TEST_F(ForecastAccuracyTest, EveryLayoutReadsTheSameData) {
  const auto& data_set = marketing_values()["forecast_accuracy"][0];
  const auto actual = data_set["actual"].get<std::vector<double>>();
  const auto forecast = data_set["forecast"].get<std::vector<double>>();
  const auto array_of = [](const std::vector<double>& numbers, bool as_row) {
    std::vector<Value> values(numbers.begin(), numbers.end());
    if (!as_row) return Value(kx::Array::vector(std::move(values), 1));
    kx::Array row(1, numbers.size(), 1, 1);
    for (std::size_t i = 0; i < numbers.size(); ++i) row.at(0, i) = values[i];
    return Value(std::move(row));
  };
  struct Layout {
    const char* label;
    Value actual;
    Value forecast;
  } layouts[] = {
      {"columns", column(1, 1, actual), column(1, 2, forecast)},
      {"rows", row(30, 1, actual), row(31, 1, forecast)},
      {"one-dimensional arrays", array_of(actual, false), array_of(forecast, false)},
      {"arrays of one row", array_of(actual, true), array_of(forecast, true)},
  };
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.label);
    for (const char* measure : {"MSE", "MAD", "RMSE", "DW", "U", "MAPE", "ME"}) {
      SCOPED_TRACE(measure);
      const double expected = data_set["expected"][measure].get<double>();
      const Value result = call(std::string("kx") + measure, {layout.actual, layout.forecast});
      ASSERT_TRUE(result.is_number()) << kx::to_text(result);
      EXPECT_NEAR(result.number(), expected, 1e-12 * std::fabs(expected));
    }
  }
  // Two data in a row: errors 10 and -10.
  const Value first = row(40, 1, {10, 20});
  const Value second = row(41, 1, {20, 10});
  EXPECT_EQ(call("kxMAD", {first, second}), Value(10.0));
  EXPECT_EQ(call("kxMSE", {first, second}), Value(100.0));
}

// Past 32767 rows no counter wraps: every row is read once.
TEST_F(ForecastAccuracyTest, LongColumns) {
  for (const std::int32_t rows : {32767, 32768, 40000}) {
    SCOPED_TRACE(rows);
    std::vector<double> actual(static_cast<std::size_t>(rows));
    std::vector<double> forecast(actual.size());
    double total = 0.0;
    for (std::size_t i = 0; i < actual.size(); ++i) {
      actual[i] = 100.0 + static_cast<double>(i % 7);
      forecast[i] = actual[i] + static_cast<double>(i % 5) - 2.0;
      total += std::fabs((forecast[i] - actual[i]) / actual[i]);
    }
    const Value result = call("kxMAPE", {column(1, 1, actual), column(1, 2, forecast)});
    ASSERT_TRUE(result.is_number());
    EXPECT_NEAR(result.number(), total / rows, 1e-12);
  }
}

TEST_F(ForecastAccuracyTest, FailuresAsEachMeasureReportsThem) {
  const Value actual = column(1, 1, {10, 12, 14});
  const Value shorter = column(1, 2, {11, 12});
  const Value with_zero = column(1, 3, {10, 0, 14});
  const Value flat = column(1, 4, {5, 5, 5});
  const FailureCase cases[] = {
      {"MAD of unequal lengths", "kxMAD", {actual, shorter}, kGivesValueError},
      {"DW of unequal lengths", "kxDW", {actual, shorter}, kGivesValueError},
      {"U of unequal lengths", "kxU", {actual, shorter}, kx::error::kTypeMismatch},
      {"ME of unequal lengths", "kxME", {actual, shorter}, kx::error::kTypeMismatch},
      {"MSE of unequal lengths", "kxMSE", {actual, shorter}, kx::error::kTypeMismatch},
      {"MAPE of a zero actual", "kxMAPE", {with_zero, actual}, kx::error::kDivisionByZero},
      {"MAPE of a shorter forecast", "kxMAPE", {actual, shorter}, kx::error::kTypeMismatch},
      {"U without variance", "kxU", {flat, flat}, kx::error::kOverflow},
      {"DW of zero errors", "kxDW", {flat, flat}, kx::error::kOverflow},
  };
  expect_failures(cases);
  // Until the add-in sets xlErrValue, the error values carry 0.
  main_->xlErrValue = Value();
  EXPECT_EQ(call("kxMAD", {actual, shorter}), Value(kx::ErrorValue{0}));
}

}  // namespace
}  // namespace mktfn
