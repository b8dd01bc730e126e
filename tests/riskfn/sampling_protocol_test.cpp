// The sampling protocol and its failures: how each function reports a failure, volatility,
// reseeding, the forms of corFactor and ModeSheet, written-back arguments, utRoundDLL's failures.
#include <gtest/gtest.h>

#include <boost/math/distributions/negative_binomial.hpp>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/failure.hpp"
#include "tests/riskfn/sampling_fixture.hpp"

namespace riskfn {
namespace {

using kx::ErrorValue;
using kx::Value;
namespace error = kx::error;

// What a failing call gives its caller: an error value as the result, a failed call with the
// error number, or (kxGAMMA) a number in place of the failure.
struct Outcome {
  enum Kind { kErrorValue, kFailedCall, kNumber } kind;
  double number;  // the error number, or the number returned
};
Outcome error_value(int number) { return {Outcome::kErrorValue, static_cast<double>(number)}; }
Outcome failed_call() { return {Outcome::kFailedCall, error::kTypeMismatch}; }
Outcome number(double value) { return {Outcome::kNumber, value}; }

struct FailureCase {
  const char* label;
  const char* function;
  std::vector<Value> arguments;
  Outcome outcome;
};

void expect_outcome(const Outcome& outcome, const std::function<Value()>& run) {
  switch (outcome.kind) {
    case Outcome::kErrorValue: {
      const Value result = run();
      EXPECT_EQ(result, Value(ErrorValue{static_cast<std::int32_t>(outcome.number)})) << describe_value(result);
      break;
    }
    case Outcome::kNumber: EXPECT_EQ(run(), Value(outcome.number)); break;
    case Outcome::kFailedCall:
      try {
        const Value result = run();
        ADD_FAILURE() << "returned " << describe_value(result);
      } catch (const kx::Failure& failure) {
        EXPECT_EQ(failure.number(), outcome.number) << failure.what();
      }
      break;
  }
}

TEST_F(SamplingTest, EachFunctionReportsFailuresInItsOwnWay) {
  const Value values = kx::Array::vector({1.0, 2.0}, 1);
  const FailureCase cases[] = {
      // Variant results: the error value of the failure, or the host's own error value.
      {"beta with a negative shape", "kxBETA", {-1.0, 2.0, 0.5, ""}, error_value(error::kXlNum)},
      {"beta with a text uniform", "kxBETA", {2.0, 3.0, "abc", ""}, error_value(error::kTypeMismatch)},
      {"general beta with a negative shape", "kxBETAGEN", {-1.0, 2.0, 0.5, "", 0.0, 1.0}, error_value(error::kXlNum)},
      {"extreme value at u 1", "kxEXTVAL", {10.0, 2.0, 1.0, ""}, error_value(error::kTypeMismatch)},
      {"geometric of probability 0", "kxGEO", {0.0, 0.5, ""}, error_value(error::kDivisionByZero)},
      {"geometric of probability above 1", "kxGEO", {1.5, 0.5, ""}, error_value(error::kTypeMismatch)},
      {"integer uniform with a text bound", "kxINTUNI", {"abc", 6.0, 0.5, ""}, error_value(error::kTypeMismatch)},
      {"pert without width", "kxPERT", {5.0, 5.0, 5.0, 0.5, ""}, error_value(error::kOverflow)},
      {"pert with a text bound", "kxPERT", {"low", 5.0, 9.0, 0.5, ""}, error_value(error::kTypeMismatch)},
      {"poisson of a negative mean", "kxPOISSON", {-1.0, 0.5, ""}, error_value(error::kInvalidCall)},
      {"randbetween with equal bounds", "kxRANDBETWEEN", {5.0, 5.0, 0.5, ""}, error_value(error::kBadBounds)},
      {"randbetween with crossed bounds", "kxRANDBETWEEN", {6.0, 5.0, kMissing, ""}, error_value(error::kBadBounds)},
      {"triangular with the mode below", "kxTRI", {5.0, 3.0, 10.0, 0.5, ""}, error_value(error::kBadBounds)},
      {"triangular with the mode below, ShowMode",
       "kxTRI",
       {5.0, 3.0, 10.0, kMissing, kShowMode},
       error_value(error::kBadBounds)},
      {"triangular with the mode above", "kxTRI", {0.0, 12.0, 10.0, 0.5, ""}, error_value(error::kBadBounds)},
      {"triangular with the mode above, ShowMode",
       "kxTRI",
       {0.0, 12.0, 10.0, kMissing, kShowMode},
       error_value(error::kBadBounds)},
      {"triangular without width", "kxTRI", {5.0, 5.0, 5.0, 0.5, ""}, error_value(error::kBadBounds)},
      {"uniform beyond the largest double", "kxUNIFORM", {-1e308, 1e308, 0.5, ""}, error_value(error::kOverflow)},
      // kxGAMMA gives shapeP in place of a failure of a sound gamma law, and the error value
      // where the shape or scale is no positive number.
      {"gamma with a negative shape", "kxGAMMA", {-1.0, 2.0, 0.5, ""}, error_value(error::kXlNum)},
      {"gamma with a negative scale", "kxGAMMA", {2.0, -3.0, 0.5, ""}, error_value(error::kXlNum)},
      {"gamma with a text uniform", "kxGAMMA", {2.0, 3.0, "abc", ""}, number(3.0)},
      {"binomial of probability 0 draws no success", "kxBINOMIAL", {1e9, 0.0, 0.5, ""}, number(0.0)},
      // Numeric results: any failure fails the call with type mismatch.
      {"binomial of probability 2", "kxBINOMIAL", {10.0, 2.0, 0.5, ""}, failed_call()},
      {"binomial beyond 32767", "kxBINOMIAL", {100000.0, 0.5, 0.5, ""}, failed_call()},
      {"chi-square of negative degrees", "kxCHI2", {-3.0, 0.5, ""}, failed_call()},
      {"chi-square reads its uniform even for ShowMode", "kxCHI2", {5.0, "abc", kShowMode}, failed_call()},
      {"discrete whose probabilities do not reach u",
       "kxDISCRETE",
       {values, kx::Array::vector({0.2, 0.3}, 1), 0.5, ""},
       failed_call()},
      {"discrete with fewer values than probabilities",
       "kxDISCRETE",
       {kx::Array::vector(std::vector<Value>{1.0}, 1), kx::Array::vector({0.2, 0.8}, 1), 0.5, ""},
       failed_call()},
      {"erf of h 0", "kxERF", {0.0, 0.5, ""}, failed_call()},
      {"erlang with a negative shape", "kxERLANG", {-1.0, 2.0, 0.5, ""}, failed_call()},
      {"exponential at u 1", "kxEXPON", {5.0, 1.0, ""}, failed_call()},
      {"inverse gaussian of shape 0", "kxGAUSSINV", {1.0, 0.0, 0.5, ""}, failed_call()},
      {"inverse gaussian of a negative mean", "kxGAUSSINV", {-1.0, 2.0, 0.5, ""}, failed_call()},
      {"inverse gaussian of a negative shape", "kxGAUSSINV", {1.0, -2.0, 0.5, ""}, failed_call()},
      {"binomial beyond the exact counts", "kxBINOMIAL", {1e17, 0.5, 0.5, ""}, failed_call()},
      {"inverse gaussian at u above 1", "kxGAUSSINV", {1.0, 3.0, 1.5, ""}, failed_call()},
      {"inverse gaussian at u 1", "kxGAUSSINV", {1.0, 3.0, 1.0, ""}, failed_call()},
      {"hypergeometric with a sample above the batch", "kxHYPERGEO", {60.0, 10.0, 50.0, 0.5, ""}, failed_call()},
      {"logistic at u 0", "kxLOGISTIC", {5.0, 2.0, 0.0, ""}, failed_call()},
      {"lognormal without spread", "kxLOGNORMAL", {10.0, 0.0, 0.5, ""}, failed_call()},
      {"negative binomial of probability 0", "kxNEGBIN", {5.0, 0.0, 0.5, ""}, failed_call()},
      {"normal with a text mean", "kxNORMAL", {"abc", 15.0, 0.5, ""}, failed_call()},
      {"normal with a negative deviation", "kxNORMAL", {100.0, -15.0, 0.5, ""}, failed_call()},
      {"pareto at u 1", "kxPARETO", {3.0, 2.0, 1.0, ""}, failed_call()},
      {"pareto of shape 0", "kxPARETO", {0.0, 2.0, 0.5, ""}, failed_call()},
      {"pareto2 at u 1", "kxPARETO2", {3.0, 2.0, 1.0, ""}, failed_call()},
      {"rayleigh at u 1", "kxRAYLEIGH", {2.0, 1.0, ""}, failed_call()},
      {"student of 0 degrees", "kxSTUDENT", {0.0, 0.3, ""}, failed_call()},
      {"weibull of shape 0", "kxWEIBULL", {0.0, 2.0, 0.5, ""}, failed_call()},
      {"weibull at u 1", "kxWEIBULL", {1.5, 2.0, 1.0, ""}, failed_call()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    expect_outcome(c.outcome, [&] { return call(c.function, c.arguments); });
  }
}

TEST_F(SamplingTest, DiscreteCountsPositionsUpTo32767) {
  constexpr std::size_t kSize = 40000;
  std::vector<Value> positions;
  for (std::size_t i = 1; i <= kSize; ++i) positions.push_back(static_cast<double>(i));
  const Value values = kx::Array::vector(positions, 1);
  const Value probabilities = kx::Array::vector(std::vector<Value>(kSize, 1.0 / kSize), 1);
  EXPECT_EQ(call("kxDISCRETE", {values, probabilities, 0.50001, ""}), Value(20001.0));
  expect_outcome(failed_call(), [&] { return call("kxDISCRETE", {values, probabilities, 0.9, ""}); });
}

TEST_F(SamplingTest, WithoutAnApplicationTheFailureIsReportedToo) {
  main_->set_application(Value());
  expect_outcome(failed_call(), [&] { return call("kxNORMAL", {100.0, 15.0, 0.5, ""}); });
  expect_outcome(error_value(error::kObjectNotSet), [&] { return call("kxUNIFORM", {1.0, 2.0, 0.5, ""}); });
}

TEST_F(SamplingTest, DeclaredNumbersAreConvertedBeforeTheTrap) {
  // A double parameter that is no number fails in the automation layer, untrapped.
  try {
    call("kxUNIFORM", {"abc", 2.0, 0.5, ""});
    ADD_FAILURE() << "no failure";
  } catch (const kx::Failure& failure) {
    EXPECT_EQ(failure.number(), error::kTypeMismatch);
  }
}

TEST_F(SamplingTest, HypergeometricSamplesWithASampleOfOneAndKeepsItsDeterministicValue) {
  EXPECT_EQ(call("kxHYPERGEO", {1.0, 10.0, 50.0, 0.5, ""}), Value(0.0));
  EXPECT_EQ(call("kxHYPERGEO", {1.0, 10.0, 50.0, kMissing, kShowMode}), Value(0.0));
}

TEST_F(SamplingTest, SamplingCellsAreVolatileAndMarkersAreNot) {
  auto sheet = spreadsheet_->add_book("model")->add_sheet("Sheet1");
  const host::CellRef sampling_cell{sheet.get(), 1, 1};
  const host::CellRef marker_cell{sheet.get(), 2, 1};
  spreadsheet_->set_calling_cell(sampling_cell);
  call("kxNORMAL", {100.0, 15.0, kMissing, kShowMode});
  spreadsheet_->set_calling_cell(marker_cell);
  call("kxOUTPUT", {});
  call("utRoundDLL", {2.5});
  EXPECT_TRUE(spreadsheet_->is_volatile(sampling_cell));
  EXPECT_FALSE(spreadsheet_->is_volatile(marker_cell));
}

TEST_F(SamplingTest, AMissingUniformDrawsAFreshNumberAtEveryCall) {
  const Value first = call("kxNORMAL", {100.0, 15.0, kMissing, ""});
  const Value second = call("kxNORMAL", {100.0, 15.0, kMissing, ""});
  ASSERT_TRUE(first.is_number());
  EXPECT_NE(first, second);
}

TEST_F(SamplingTest, EveryCallReseedsWhateverItsMode) {
  const auto draw_after = [&](bool show_mode_first) {
    kx::uniform_generator().set_fixed_seed(42);
    if (show_mode_first) call("kxUNIFORM", {0.0, 1.0, kMissing, kShowMode});
    return call("kxUNIFORM", {0.0, 1.0, kMissing, ""});
  };
  const Value plain = draw_after(false);
  const Value after_show_mode = draw_after(true);
  EXPECT_NE(plain, after_show_mode);
  EXPECT_EQ(after_show_mode, draw_after(true));  // and a fixed seed repeats exactly
}

TEST_F(SamplingTest, CorFactorMayBeACell) {
  auto sheet = spreadsheet_->add_book("model")->add_sheet("Sheet1");
  sheet->set_value(1, 1, Value(0.25));
  sheet->set_value(2, 1, Value(ErrorValue{error::kXlNA}));
  sheet->set_value(4, 1, Value("0.75"));
  struct Case {
    const char* label;
    const char* address;
    std::optional<double> expected;  // none: a drawn uniform
  } cases[] = {
      {"a number", "A1", 2.0 + 4.0 * 0.25},
      {"an error value draws", "A2", std::nullopt},
      {"an empty cell is 0", "A3", 2.0},
      {"a numeric text", "A4", 2.0 + 4.0 * 0.75},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Value result = call("kxUNIFORM", {2.0, 6.0, Value(sheet->range(c.address)), ""});
    ASSERT_TRUE(result.is_number()) << describe_value(result);
    if (c.expected) {
      EXPECT_EQ(result.number(), *c.expected);
    } else {
      EXPECT_GT(result.number(), 2.0);
      EXPECT_LT(result.number(), 6.0);
    }
  }
}

TEST_F(SamplingTest, BinomialWritesItsReplacedProbabilityBack) {
  std::vector<Value> arguments = {10.0, 0.0, 0.5, ""};
  EXPECT_EQ(kx::call_by_name(*main_, "kxBINOMIAL", arguments), Value(0.0));
  EXPECT_EQ(arguments[1], Value(0.0000001));
  // The same through the C++ interface.
  Value trials(10.0);
  double success = 0.0;
  Value u(0.5);
  std::string mode;
  EXPECT_EQ(main_->kxBINOMIAL(trials, success, u, mode), 0);
  EXPECT_EQ(success, 0.0000001);
}

TEST_F(SamplingTest, CppCallsGiveWhatCallsByNameGive) {
  Value mean(100.0);
  Value deviation(15.0);
  Value u(0.5);
  std::string mode;
  EXPECT_EQ(main_->kxNORMAL(mean, deviation, u, mode), 100.0);
  double low = 2.0;
  double up = 6.0;
  EXPECT_EQ(main_->kxUNIFORM(low, up, u, mode), Value(4.0));
  std::string show_mode = kShowMode;
  EXPECT_EQ(main_->kxGAMMA(3.0, 2.0, u, show_mode), Value(4.0));
  double poisson_mean = 4.7;
  EXPECT_EQ(main_->kxPOISSON(poisson_mean, u, show_mode), Value(4.0));
}

TEST_F(SamplingTest, PoissonEndsForEveryUniform) {
  // Where the sum stops growing the search ends: u of 1 and beyond get the last value reached.
  for (double mean : {0.0, 4.5, 250.0}) {
    for (double u : {1.0 - 1e-16, 1.0, 2.0}) {
      SCOPED_TRACE("mean " + std::to_string(mean) + ", u " + std::to_string(u));
      const Value result = call("kxPOISSON", {mean, u, ""});
      ASSERT_TRUE(result.is_number()) << describe_value(result);
      EXPECT_GE(result.number(), mean);
      EXPECT_LT(result.number(), mean + 30.0 * std::sqrt(mean) + 40.0);
    }
  }
}

TEST_F(SamplingTest, SearchesBeyondTheirMassReturnTheLimit) {
  // The hypergeometric limit is the largest value it can take; the negative binomial's the
  // end of its search, m + (m + 6 s) rounded.
  EXPECT_EQ(call("kxHYPERGEO", {5.0, 10.0, 50.0, 1.5, ""}), Value(5.0));
  const double mean = 5.0 * 0.6 / 0.4;
  const double sd = std::sqrt(5.0 * 0.6 / 0.16);
  EXPECT_EQ(call("kxNEGBIN", {5.0, 0.4, 1.5, ""}), Value(std::floor(mean + std::round(mean + 6.0 * sd))));
}

TEST_F(SamplingTest, NegativeBinomialWithATinyProbabilityAnswersAtOnce) {
  // The mass lies around r(1 - p)/p = 1e9: walking there value by value never ends.
  const double probability = 1e-9;
  double previous = -1.0;
  for (const double u : {0.001, 0.25, 0.5, 0.75, 0.999}) {
    SCOPED_TRACE(u);
    const Value result = call("kxNEGBIN", {1.0, probability, u, ""});
    ASSERT_TRUE(result.is_number()) << describe_value(result);
    const double expected = boost::math::quantile(boost::math::negative_binomial(1.0, probability), u);
    EXPECT_NEAR(result.number(), std::ceil(expected), 1.0);
    EXPECT_GE(result.number(), previous);
    previous = result.number();
  }
}

TEST_F(SamplingTest, SearchesOverHugeCountsEndWithTheRightCount) {
  // Above 2^53 a bisection's midpoint can equal an end, and a walk over 10^9 values takes
  // minutes; each of these must answer at once with the count known in closed form.
  const double u = 0.3;
  const auto geometric = [](double p, double v) { return std::ceil(std::log1p(-v) / std::log1p(-p)) - 1.0; };
  struct Case {
    const char* label;
    const char* function;
    std::vector<Value> arguments;
    double expected;
    double tolerance;
  };
  const Case cases[] = {
      {"negative binomial of one success at p 1e-20", "kxNEGBIN", {1.0, 1e-20, u, ""}, geometric(1e-20, u), 1e5},
      {"negative binomial past 2^53", "kxNEGBIN", {1e16, 0.5, 0.5, ""}, 1e16, 1e9},
      // n = K = N/2 is symmetric about n/2, so the median is the mean.
      {"hypergeometric of a billion", "kxHYPERGEO", {1e9, 1e9, 2e9, 0.5, ""}, 5e8, 0.0},
      {"binomial of certain success", "kxBINOMIAL", {30000.0, 1.0, 0.5, ""}, 30000.0, 0.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Value result = call(c.function, c.arguments);
    ASSERT_TRUE(result.is_number()) << describe_value(result);
    EXPECT_NEAR(result.number(), c.expected, c.tolerance);
  }
}

TEST_F(SamplingTest, UtRoundDLLFailsTheCall) {
  struct Case {
    const char* label;
    std::vector<Value> arguments;
    int number;
  } cases[] = {
      {"beyond a 32-bit whole number", {3e9}, error::kOverflow},
      {"just beyond after scaling", {21474836.48, 2.0}, error::kOverflow},
      {"a text that is no number", {"abc"}, error::kTypeMismatch},
      {"an error value", {ErrorValue{error::kXlNA}}, error::kTypeMismatch},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    try {
      call("utRoundDLL", c.arguments);
      ADD_FAILURE() << "no failure";
    } catch (const kx::Failure& failure) {
      EXPECT_EQ(failure.number(), c.number);
    }
  }
  EXPECT_EQ(call("utRoundDLL", {"2.5"}), Value(2.0));  // a numeric text rounds like its number
}

}  // namespace
}  // namespace riskfn
