// The distribution dialog's methods as the dialog calls them: parameter checks, statistics,
// chart range, markers, interval rows and chart density.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/automation/dispatch.hpp"
#include "common/conversions.hpp"
#include "tests/riskfn/dialog_fixture.hpp"

namespace riskfn {
namespace {

using kx::Value;

constexpr int kBeta = 1;
constexpr int kBinomial = 3;
constexpr int kChiSquared = 4;
constexpr int kErf = 9;
constexpr int kGeometric = 15;
constexpr int kHypergeometric = 17;
constexpr int kIntegerUniform = 18;
constexpr int kLogistic = 20;
constexpr int kNegativeBinomial = 24;
constexpr int kNormal = 25;
constexpr int kPareto = 26;
constexpr int kPert = 30;
constexpr int kPoisson = 31;
constexpr int kStudent = 33;
constexpr int kTriangular = 34;
constexpr int kUniform = 36;

const std::string kNotDefined = "n/a";

TEST_F(DialogTest, RefusedValuesBeepOrDropAndChangeNothing) {
  struct Case {
    const char* label;
    int code;
    std::vector<std::string> initial;
    int box;
    std::string typed;
    bool stored;
    bool beeps;
  };
  const Case cases[] = {
      {"Chi Squared 230 is accepted", kChiSquared, {"5"}, 1, "230", true, false},
      {"Chi Squared 231 beeps", kChiSquared, {"5"}, 1, "231", false, true},
      {"Chi Squared 0 is dropped", kChiSquared, {"5"}, 1, "0", false, false},
      {"Geometric 0.00009 beeps", kGeometric, {"0.5"}, 1, "0.00009", false, true},
      {"Geometric 0.0001 is accepted", kGeometric, {"0.5"}, 1, "0.0001", true, false},
      {"Uniform low above high is dropped", kUniform, {"0", "10"}, 1, "12", false, false},
      {"Uniform high below low is dropped", kUniform, {"0", "10"}, 2, "-1", false, false},
      {"Normal deviation 0 is dropped", kNormal, {"100", "15"}, 2, "0", false, false},
      {"Normal mean far beyond its deviation beeps", kNormal, {"100", "15"}, 1, "1e9", false, true},
      {"Binomial probability 1 is dropped", kBinomial, {"10", "0.5"}, 2, "1", false, false},
      {"Integer Uniform high beyond 32767 beeps", kIntegerUniform, {"1", "6"}, 2, "40000", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fill(c.code, c.initial);
    const std::string description = dialog_.statistic(0);
    const Value before = dialog_.values().array().at(static_cast<std::size_t>(c.box - 1));
    const int beeps_before = beeps();
    EXPECT_EQ(dialog_.type_parameter(c.box, c.typed), -1);
    const Value after = dialog_.values().array().at(static_cast<std::size_t>(c.box - 1));
    EXPECT_EQ(after == before, !c.stored);
    EXPECT_EQ(beeps() - beeps_before, c.beeps ? 1 : 0);
    if (!c.stored) {
      EXPECT_EQ(dialog_.statistic(0), description);
    }
  }
}

TEST_F(DialogTest, StoredValuesAndDescriptions) {
  struct Case {
    const char* label;
    int code;
    std::vector<std::string> typed;
    std::string description;
  };
  const Case cases[] = {
      {"numbers in their general form", kNormal, {"100", "15"}, "Normal (100;15)"},
      // Kept as typed, not widened from single precision to 0.100000001490116.
      {"a typed 0.1 stays 0.1", kNormal, {"0.1", "1"}, "Normal (0.1;1)"},
      {"Binomial keeps four-decimal texts", kBinomial, {"10", "0.5"}, "Binomial (10.0000;0.5000)"},
      {"Negative binomial rounds 2.5 to even", kNegativeBinomial, {"2.5", "0.4"}, "Negative binomial (2;0.4)"},
      {"Negative binomial rounds 3.5 to even", kNegativeBinomial, {"3.5", "0.4"}, "Negative binomial (4;0.4)"},
      {"three parameters", kPert, {"1", "2", "5"}, "PERT (1;2;5)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fill(c.code, c.typed);
    EXPECT_EQ(dialog_.statistic(0), c.description);
  }
  fill(kBinomial, {"10", "0.5"});
  EXPECT_EQ(dialog_.values().array().at(0), Value("10.0000"));
}

TEST_F(DialogTest, StatisticsTexts) {
  struct Case {
    const char* label;
    int code;
    std::vector<std::string> typed;
    int row;
    std::string shown;
  };
  const Case cases[] = {
      {"Beta 1, 1 has no mode", kBeta, {"1", "1"}, 5, kNotDefined},
      {"Beta 0.5, 0.5 is bimodal", kBeta, {"0.5", "0.5"}, 5, "Bimodal at min and max"},
      {"Beta 2, 0.5 has its mode at 1", kBeta, {"2", "0.5"}, 5, "1.0000"},
      {"Beta general below 1 has its mode at both ends", 2, {"0.5", "0.5", "0", "4"}, 5, "Bimodal at min and max"},
      {"Integer Uniform has no mode", kIntegerUniform, {"1", "6"}, 5, kNotDefined},
      {"Student 2 has no variance", kStudent, {"2"}, 8, kNotDefined},
      {"Student 2 has no deviation", kStudent, {"2"}, 7, kNotDefined},
      {"Student 2 has no skewness", kStudent, {"2"}, 9, kNotDefined},
      {"Student 2 has no kurtosis", kStudent, {"2"}, 10, kNotDefined},
      {"Student 5 skewness", kStudent, {"5"}, 9, "0.0000"},
      {"Student 5 kurtosis", kStudent, {"5"}, 10, "9.0000"},
      {"Chi Squared has no maximum", kChiSquared, {"3"}, 3, "Infinite"},
      {"Normal has no minimum", kNormal, {"0", "1"}, 2, "Infinite"},
      {"Hypergeometric median", kHypergeometric, {"10", "20", "100"}, 6, "2.0000"},
      // n K (N - K)(N - n) / (N^2 (N - 1)) for any sample and defects; 0 for a batch of one.
      {"Hypergeometric variance of a sample of one", kHypergeometric, {"1", "5", "20"}, 8, "0.1875"},
      {"Hypergeometric deviation of a sample of one", kHypergeometric, {"1", "5", "20"}, 7, "0.4330"},
      {"Hypergeometric variance of one defect", kHypergeometric, {"7", "1", "10"}, 8, "0.2100"},
      {"Hypergeometric variance without defects", kHypergeometric, {"4", "0", "10"}, 8, "0.0000"},
      {"Hypergeometric variance of a batch of one", kHypergeometric, {"1", "1", "1"}, 8, "0.0000"},
      {"Pareto 1.5 has no variance", kPareto, {"1.5", "2"}, 8, kNotDefined},
      {"Geometric 0.5: half the mass is at 0", kGeometric, {"0.5"}, 6, "0.0000"},
      // From the variance itself, not from its four-decimal text 0.0123 (which gives 0.1109).
      {"the deviation of a small variance", kNormal, {"0", "0.1111"}, 7, "0.1111"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fill(c.code, c.typed);
    EXPECT_EQ(dialog_.statistic(c.row), c.shown);
  }
}

TEST_F(DialogTest, ChartRanges) {
  struct Case {
    const char* label;
    int code;
    std::vector<std::string> typed;
    double start;
    double finish;
    double delta;
    double points;
    int result;
  };
  const double pareto_end = 2 * std::pow(100.0, 1 / 1.5);  // the 99% point
  const Case cases[] = {
      // These keep the dialog's 100 points; the ones below choose their own.
      {"Normal: four deviations each side", kNormal, {"0", "10"}, -40, 40, 80.0 / 99, 100, -1},
      {"Pareto without a variance ends at its 99% point",
       kPareto,
       {"1.5", "2"},
       2,
       pareto_end,
       (pareto_end - 2 + 1) / 100,
       100,
       -1},
      {"Beta starts at 0", kBeta, {"2", "3"}, 0, 1, 80.0 / 99, 100, -1},
      // Mean 1/4 and variance 3/16 of a sample of one from 5 defects in 20.
      {"Hypergeometric with a sample of one", kHypergeometric, {"1", "5", "20"}, -2, 1, 80.0 / 99, 100, -1},
      {"Integer Uniform: one point per value", kIntegerUniform, {"1", "6"}, 1, 6, 80.0 / 99, 6, 6},
      // Narrow bounded charts keep the dialog's 100 points and a positive step.
      {"PERT of width 0.01", kPert, {"10", "10.005", "10.01"}, 10, 10.01, 0.01 / 99, 100, 100},
      {"Triangular of a few percent", kTriangular, {"0.02", "0.03", "0.05"}, 0.02, 0.05, 0.03 / 99, 100, 100},
      {"Triangular of width 0.06", kTriangular, {"0", "0.01", "0.06"}, 0, 0.06, 0.06 / 99, 100, 100},
      {"Triangular of width 2", kTriangular, {"0", "1", "2"}, 0, 2, 2.0 / 99, 100, 100},
      {"Triangular of width 10 has 250 points", kTriangular, {"0", "1", "10"}, 0, 10, 10.0 / 249, 250, 250},
      {"Poisson 4", kPoisson, {"4"}, 0, 16, 1, 16, 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fill(kNormal, {"0", "10"});  // a previous chart
    fill(c.code, c.typed);
    EXPECT_NEAR(dialog_.x_start(), c.start, 1e-9);
    EXPECT_NEAR(dialog_.x_finish(), c.finish, 1e-9);
    EXPECT_NEAR(dialog_.delta(), c.delta, 1e-9);
    EXPECT_EQ(dialog_.point_count(), c.points);
    EXPECT_EQ(last_result_, c.result);
  }
}

// Under a comma separator the parameters are typed, kept and read back in the user's locale:
// everything the dialog shows is what it shows under a point, with the comma.
TEST_F(DialogTest, ACommaSeparatorChangesOnlyHowNumbersAreWritten) {
  struct Case {
    const char* label;
    int code;
    std::vector<std::string> typed;  // with a point
    double x;                        // a chart point
    double density;                  // at x
  };
  const Case cases[] = {
      // C(10, 5) / 2^10
      {"Binomial keeps its parameters as texts", kBinomial, {"10", "0.5"}, 5, 0.24609375},
      {"Negative binomial keeps its successes as text", kNegativeBinomial, {"3", "0.4"}, 2, 0.13824},
      {"Normal", kNormal, {"0.5", "2.5"}, 0.5, 0.15957691216057307},
      {"Triangular", kTriangular, {"0.02", "0.03", "0.05"}, 0.03, 2.0 / 0.03},
  };
  const auto with_comma = [](std::string text) {
    std::replace(text.begin(), text.end(), '.', ',');
    return text;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    session_.application().set_decimal_separator('.');
    fill(c.code, c.typed);
    const std::int16_t point_result = last_result_;
    std::vector<std::string> point_rows;
    for (std::int32_t row = 0; row <= 10; ++row) point_rows.push_back(dialog_.statistic(row));
    const double point_start = dialog_.x_start();
    const double point_finish = dialog_.x_finish();
    dialog_.place_markers();
    EXPECT_EQ(dialog_.change_stats(), 11);
    std::vector<std::string> point_intervals;
    for (std::int32_t row = 11; row <= 16; ++row) point_intervals.push_back(dialog_.statistic(row));
    EXPECT_NEAR(dialog_.chart_value(c.x), c.density, 1e-6 * c.density);

    session_.application().set_decimal_separator(',');
    std::vector<std::string> typed;
    for (const std::string& text : c.typed) typed.push_back(with_comma(text));
    const int beeps_before = beeps();
    fill(c.code, typed);
    EXPECT_EQ(beeps(), beeps_before);
    EXPECT_EQ(last_result_, point_result);
    for (std::int32_t row = 0; row <= 10; ++row)
      EXPECT_EQ(dialog_.statistic(row), with_comma(point_rows[static_cast<std::size_t>(row)])) << "row " << row;
    EXPECT_EQ(dialog_.x_start(), point_start);
    EXPECT_EQ(dialog_.x_finish(), point_finish);
    dialog_.place_markers();
    EXPECT_EQ(dialog_.change_stats(), 11);
    for (std::int32_t row = 11; row <= 16; ++row)
      EXPECT_EQ(dialog_.statistic(row), with_comma(point_intervals[static_cast<std::size_t>(row - 11)]));
    EXPECT_NEAR(dialog_.chart_value(c.x), c.density, 1e-6 * c.density);
  }
}

TEST_F(DialogTest, BinomialEndsAtItsFirstFailureWithABeep) {
  // Trials typed while the probability is still 0: the skewness divides by zero.
  dialog_.select(kBinomial, {"10"});
  const int beeps_before = beeps();
  EXPECT_EQ(dialog_.type_parameter(1, "10"), -1);
  EXPECT_EQ(beeps() - beeps_before, 1);
  EXPECT_EQ(dialog_.statistic(8), "0.0000");  // the variance, written before the failure
  EXPECT_EQ(dialog_.statistic(10), "");       // the kurtosis, never reached
}

TEST_F(DialogTest, LogisticStoresTheValueBeforeItBeeps) {
  fill(kLogistic, {"5", "2"});
  const int beeps_before = beeps();
  dialog_.type_parameter(1, "1e7");
  EXPECT_EQ(beeps() - beeps_before, 1);
  EXPECT_EQ(dialog_.values().array().at(0), Value(1e7));
  EXPECT_EQ(dialog_.statistic(0), "Logistic (5;2)");
}

TEST_F(DialogTest, MarkersSitATwentiethInside) {
  struct Case {
    const char* label;
    int code;
    double start, finish, left, right;
  };
  const Case cases[] = {
      {"continuous", kNormal, -40, 40, -36, 36},
      {"discrete, halves to even", kPoisson, 0, 10, 0, 10},
      {"Binomial", kBinomial, 0, 30, 2, 28},
      {"a code no branch handles is discrete", 5, 0, 10, 0, 10},
  };
  const kx::ObjectRef check_param = kx::get_property(*main_, "CheckParam").object();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<Value> arguments = {Value(c.code), Value(c.start), Value(c.finish), Value(), Value()};
    EXPECT_EQ(kx::call_by_name(*check_param, "DoCheckParamPart2", arguments), Value(1));
    EXPECT_EQ(arguments[3], Value(c.left));
    EXPECT_EQ(arguments[4], Value(c.right));
  }
}

TEST_F(DialogTest, IntervalRows) {
  struct Case {
    const char* label;
    int code;
    std::vector<std::string> typed;
    double left, right;
    std::vector<std::string> rows;  // 11 to 16
  };
  const Case cases[] = {
      {"Uniform", kUniform, {"0", "10"}, 2.5, 7.5, {"2.5000", "25.0%", "7.5000", "75.0%", "5.0000", "50.0%"}},
      {"Normal: true probabilities",
       kNormal,
       {"0", "1"},
       -1.959964,
       1.959964,
       {"-1.9600", "2.5%", "1.9600", "97.5%", "3.9199", "95.0%"}},
      {"Student 5 at 0", kStudent, {"5"}, 0, 1, {"0.0000", "50.0%", "1.0000", "81.8%", "1.0000", "31.8%"}},
      {"Hypergeometric below 0",
       kHypergeometric,
       {"10", "20", "100"},
       -3,
       2,
       {"-3.0000", "0.0%", "2.0000", "68.1%", "5.0000", "68.1%"}},
      {"Triangular clamps outside its bounds",
       kTriangular,
       {"0", "3", "10"},
       -2,
       12,
       {"-2.0000", "0.0%", "12.0000", "100.0%", "14.0000", "100.0%"}},
      // PERT (1; 2; 5) is the beta with shapes 2 and 4 on [1, 5]: P(X <= 2) = 0.3672 (SciPy).
      {"PERT uses its beta", kPert, {"1", "2", "5"}, 2, 5, {"2.0000", "36.7%", "5.0000", "100.0%", "3.0000", "63.3%"}},
      // Mass beyond the chart's end is not counted below the right marker: P(X <= 4) = 0.5801 (SciPy).
      {"Negative binomial upper tail",
       kNegativeBinomial,
       {"3", "0.4"},
       0,
       4,
       {"0.0000", "6.4%", "4.0000", "58.0%", "4.0000", "51.6%"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fill(c.code, c.typed);
    dialog_.move_markers(c.left, c.right);
    EXPECT_EQ(dialog_.change_stats(), 11);
    for (int row = 11; row <= 16; ++row) EXPECT_EQ(dialog_.statistic(row), c.rows[static_cast<std::size_t>(row - 11)]);
  }
}

TEST_F(DialogTest, TheStatisticsListIsCopiedOnlyWhileShown) {
  fill(kNormal, {"100", "15"});
  dialog_.place_markers();
  EXPECT_EQ(dialog_.change_stats(false), 11);
  EXPECT_TRUE(dialog_.form().statistics_list()->list.is_empty());
  EXPECT_EQ(dialog_.change_stats(true), 11);
  const kx::Value& list = dialog_.form().statistics_list()->list;
  ASSERT_TRUE(list.is_array());
  EXPECT_EQ(list.array().rows(), 18u);
  EXPECT_EQ(list.array().at(4, 0), Value("Mean"));
  EXPECT_EQ(list.array().at(4, 1), Value("100.0000"));
  EXPECT_EQ(dialog_.form().statistics_list()->column_widths, "55;120");
}

TEST_F(DialogTest, NothingHappensWithoutADistributionOrAValue) {
  const kx::ObjectRef check_param = kx::get_property(*main_, "CheckParam").object();
  const kx::ObjectRef change_stats = kx::get_property(*main_, "ChangeStats").object();
  const auto part1 = [&](Value check_index, Value code) {
    std::vector<Value> arguments(16);
    arguments[0] = check_index;
    arguments[1] = code;
    arguments[2] = Value(kx::ObjectRef(dialog_.form().controls()));
    return kx::call_by_name(*check_param, "DoCheckParamPart1", arguments);
  };
  EXPECT_EQ(part1(Value(1), Value(0)), Value(0));           // no distribution
  EXPECT_EQ(part1(Value(1), Value(25)), Value(0));          // an empty box
  EXPECT_THROW(part1(Value(1.5), Value(25)), kx::Failure);  // no box "txtValue0.5"

  std::vector<Value> arguments(12);
  arguments[0] = Value(0);
  EXPECT_EQ(kx::call_by_name(*change_stats, "DoChangeStats", arguments), Value(1));
}

TEST_F(DialogTest, ChartDensity) {
  // Before any DoChangeStats there is no form to read the selection from.
  EXPECT_EQ(dialog_.chart_value(0), 0.0f);
  struct Case {
    const char* label;
    int code;
    std::vector<std::string> typed;
    double x;
    bool cumulative;
    double expected;
  };
  const Case cases[] = {
      {"Normal density", kNormal, {"0", "1"}, 0, false, 0.3989423},
      {"Normal cumulative", kNormal, {"0", "1"}, 0, true, 0.5},
      {"Uniform density", kUniform, {"0", "10"}, 3, false, 0.1},
      {"Uniform ignores the flag", kUniform, {"0", "10"}, 3, true, 0.1},
      {"Erf at 0", kErf, {"1"}, 0, false, 0.5641896},
      {"Poisson probability", kPoisson, {"4"}, 2, false, 0.1465251},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fill(c.code, c.typed);
    dialog_.change_stats();
    EXPECT_NEAR(dialog_.chart_value(c.x, c.cumulative), c.expected, 1e-6);
  }
  dialog_.select(5, {});  // a name no code of the dialog carries
  dialog_.change_stats();
  EXPECT_EQ(dialog_.chart_value(0), 0.0f);
}

}  // namespace
}  // namespace riskfn
