// Forecast accuracy measures against numpy on two data sets, the worked example and the
// failures of each measure.
#include <string>
#include <vector>

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
      {"Durbin-Watson of the errors", "kxDW", {errors}, 4.0},
      {"squared error of the errors", "kxMSE", {errors}, 1.0},
      {"mean of the errors", "kxME", {errors}, 1.0 / 3.0},
  };
  expect_numbers(cases, 1e-15);
}

TEST_F(ForecastAccuracyTest, FailuresAsEachMeasureReportsThem) {
  const Value actual = column(1, 1, {10, 12, 14});
  const Value shorter = column(1, 2, {11, 12});
  const Value with_zero = column(1, 3, {10, 0, 14});
  const Value flat = column(1, 4, {5, 5, 5});
  const Value constant = Value(kx::Array::vector({Value(10.0), Value(12.0), Value(14.0)}, 1));
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
      {"MAD of an array constant", "kxMAD", {constant, kMissing}, kx::error::kObjectRequired},
  };
  expect_failures(cases);
  // Until the add-in sets xlErrValue, the error values carry 0.
  main_->xlErrValue = Value();
  EXPECT_EQ(call("kxMAD", {actual, shorter}), Value(kx::ErrorValue{0}));
}

}  // namespace
}  // namespace mktfn
