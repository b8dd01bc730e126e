// kxWEIBULLEST called by name: estimates against the reference grid search, its result
// shapes, its failures, and that it leaves the caller's arguments as they were.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/riskfn/reference_cases.hpp"
#include "tests/riskfn/sampling_fixture.hpp"

namespace riskfn {
namespace {

using kx::Value;

using WeibullEstimationTest = SamplingTest;

TEST_F(WeibullEstimationTest, EstimatesMatchTheReferenceGridSearch) {
  constexpr double kRelativeTolerance = 1e-6;  // results are single precision
  const auto cases = reference_cases("weibull_estimates.csv");
  ASSERT_GE(cases.size(), 10u);
  for (const auto& reference : cases) {
    SCOPED_TRACE(reference.label);
    const Value result = call(reference.function, reference.arguments);
    ASSERT_TRUE(result.is_number()) << describe_value(result);
    EXPECT_NEAR(result.number(), reference.expected, kRelativeTolerance * reference.expected);
  }
}

TEST_F(WeibullEstimationTest, ResultShapesAndFailures) {
  kx::Array shape_over_scale(2, 1);
  shape_over_scale.at(0) = 1.0;
  shape_over_scale.at(1) = 1.0;
  struct Case {
    const char* label;
    std::vector<Value> arguments;
    Value expected;
  } cases[] = {
      {"both as a column", {1.0, 1.0, 0.0}, Value(shape_over_scale)},
      {"both when omitted", {1.0, 1.0, kMissing}, Value(shape_over_scale)},
      {"another choice gives nothing", {1.0, 1.0, 3.0}, Value()},
      {"a spread too small for shape 100", {100.0, 1.0, 1.0}, kx::ErrorValue{kx::error::kDivisionByZero}},
      {"a mean of 0", {0.0, 1.0, 1.0}, kx::ErrorValue{kx::error::kDivisionByZero}},
      {"a mean that is no number", {"ten", 1.0, 1.0}, kx::ErrorValue{kx::error::kTypeMismatch}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Value result = call("kxWEIBULLEST", c.arguments);
    EXPECT_EQ(result, c.expected) << describe_value(result);
  }
}

TEST_F(WeibullEstimationTest, LeavesTheStandardDeviationAsItWas) {
  std::vector<Value> arguments = {10.0, 3.4, 1.0};
  kx::call_by_name(*main_, "kxWEIBULLEST", arguments);  // by reference, as code calls it
  EXPECT_EQ(arguments[1], Value(3.4));
  EXPECT_EQ(arguments[0], Value(10.0));
}

}  // namespace
}  // namespace riskfn
