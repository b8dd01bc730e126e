// Deterministic values, variates from a supplied uniform and the published declarations of the
// sampling functions, model markers and utRoundDLL, called by name as cell formulas call them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/automation/interface.hpp"
#include "common/conversions.hpp"
#include "tests/riskfn/reference_cases.hpp"
#include "tests/riskfn/sampling_fixture.hpp"

namespace riskfn {
namespace {

using kx::Value;

std::vector<ReferenceCase> sampling_cases() { return reference_cases("sampling_values.csv"); }

TEST_F(SamplingTest, ValuesMatchTheIndependentReference) {
  constexpr double kRelativeTolerance = 1e-9;  // the host's quantiles are good to about 1e-12
  const auto cases = sampling_cases();
  ASSERT_GE(cases.size(), 100u);
  for (const auto& reference : cases) {
    SCOPED_TRACE(reference.label);
    const Value result = call(reference.function, reference.arguments);
    if (!result.is_number()) {
      ADD_FAILURE() << "returned " << describe_value(result);
      continue;
    }
    EXPECT_NEAR(result.number(), reference.expected, kRelativeTolerance * std::max(1.0, std::fabs(reference.expected)));
  }
}

TEST_F(SamplingTest, EveryFunctionHasReferenceValuesForBothModes) {
  const char* functions[] = {"kxBETA",    "kxBETAGEN",  "kxBINOMIAL",  "kxCHI2",        "kxERF",      "kxERLANG",
                             "kxEXPON",   "kxEXTVAL",   "kxGAMMA",     "kxGAUSSINV",    "kxGEO",      "kxHYPERGEO",
                             "kxINTUNI",  "kxLOGISTIC", "kxLOGNORMAL", "kxNEGBIN",      "kxNORMAL",   "kxPARETO",
                             "kxPARETO2", "kxPERT",     "kxPOISSON",   "kxRANDBETWEEN", "kxRAYLEIGH", "kxSTUDENT",
                             "kxTRI",     "kxUNIFORM",  "kxWEIBULL"};  // kxDISCRETE takes tables: below
  const auto cases = sampling_cases();
  for (const char* function : functions) {
    SCOPED_TRACE(function);
    const auto is_show_mode = [](const ReferenceCase& c) {
      return std::find(c.arguments.begin(), c.arguments.end(), Value(kShowMode)) != c.arguments.end();
    };
    const auto of_function = [&](const ReferenceCase& c) { return c.function == function; };
    EXPECT_TRUE(
        std::any_of(cases.begin(), cases.end(), [&](const auto& c) { return of_function(c) && is_show_mode(c); }));
    EXPECT_TRUE(
        std::any_of(cases.begin(), cases.end(), [&](const auto& c) { return of_function(c) && !is_show_mode(c); }));
  }
}

TEST_F(SamplingTest, BetaDeterministicValuesThatAreNoNumber) {
  struct Case {
    const char* label;
    const char* function;
    std::vector<Value> arguments;
    Value expected;
  } cases[] = {
      {"flat beta", "kxBETA", {1.0, 1.0, kMissing, kShowMode}, Value("Not uniquely defined")},
      {"U-shaped beta", "kxBETA", {0.5, 0.5, kMissing, kShowMode}, Value()},
      {"flat general beta", "kxBETAGEN", {1.0, 1.0, kMissing, kShowMode, 2.0, 4.0}, Value("Not uniquely defined")},
      {"U-shaped general beta", "kxBETAGEN", {0.5, 0.5, kMissing, "0", 2.0, 4.0}, Value()},
      {"pert's ML as given", "kxPERT", {1.0, "3", 10.0, kMissing, kShowMode}, Value("3")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(call(c.function, c.arguments), c.expected) << describe_value(call(c.function, c.arguments));
  }
}

TEST_F(SamplingTest, DiscreteTakesTheFirstValueWhoseCumulativeProbabilityExceedsU) {
  const Value values = kx::Array::vector({10.0, 20.0, 30.0}, 1);
  const Value probabilities = kx::Array::vector({0.2, 0.5, 0.3}, 1);
  struct Case {
    const char* label;
    Value probabilities;
    Value u;
    std::string mode;
    double expected;
  } cases[] = {
      {"u on a step goes past it", probabilities, 0.2, "", 20},
      {"u inside the first step", probabilities, 0.1, "", 10},
      {"u below 0 gives the first value", probabilities, -0.5, "", 10},
      {"u near 1", probabilities, 0.999, "", 30},
      {"most likely value", probabilities, kMissing, kShowMode, 20},
      {"ties go to the first position", kx::Array::vector({0.4, 0.4, 0.2}, 1), kMissing, kShowMode, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(call("kxDISCRETE", {values, c.probabilities, c.u, c.mode}), Value(c.expected));
  }
}

TEST_F(SamplingTest, DiscreteReadsRangesCellByCell) {
  auto sheet = spreadsheet_->add_book("model")->add_sheet("Sheet1");
  // Values in a 2 x 2 block, probabilities in a column; a number just below the column is no part of it.
  const double cells[][2] = {{1, 2}, {3, 4}};
  for (int r = 0; r < 2; ++r) {
    for (int c = 0; c < 2; ++c) sheet->set_value(1 + r, 1 + c, Value(cells[r][c]));
  }
  const double probabilities[] = {0.1, 0.2, 0.3, 0.4};
  for (int i = 0; i < 4; ++i) sheet->set_value(1 + i, 4, Value(probabilities[i]));
  sheet->set_value(5, 4, Value(0.5));
  const Value value_range(sheet->range("A1:B2"));
  const Value probability_range(sheet->range("D1:D4"));
  EXPECT_EQ(call("kxDISCRETE", {value_range, probability_range, 0.35, ""}), Value(3.0));
  EXPECT_EQ(call("kxDISCRETE", {value_range, probability_range, 0.65, ""}), Value(4.0));
  EXPECT_EQ(call("kxDISCRETE", {value_range, probability_range, kMissing, kShowMode}), Value(4.0));
  // u beyond the table's mass fails rather than reading the cell below it.
  EXPECT_THROW(call("kxDISCRETE", {value_range, probability_range, 1.2, ""}), kx::Failure);
}

TEST_F(SamplingTest, PublishesEachFunctionWithItsDeclaredTypes) {
  const char* kDeclarations[] = {
      "kxOUTPUT() As Variant",
      "kxLOCK() As Variant",
      "kxNAME(ByRef CellName As Variant, Optional ByRef ItemNum As Integer = 0) As Variant",
      "utRoundDLL(ByRef Value As Variant, Optional ByRef numDigits As Integer = 0) As Double",
      "kxBETA(ByVal scaleP As Double, ByVal shapeP As Double, ByRef corFactor As Variant, ByRef ModeSheet As String) "
      "As Variant",
      "kxBETAGEN(ByVal scaleP As Double, ByVal shapeP As Double, ByRef corFactor As Variant, ByRef ModeSheet As "
      "String, Optional ByRef LowVal As Double = 0, Optional ByRef UpVal As Double = 0) As Variant",
      "kxBINOMIAL(ByRef Trials As Variant, ByRef Success As Double, ByRef corFactor As Variant, ByRef ModeSheet As "
      "String) As Integer",
      "kxCHI2(ByRef Degrees As Variant, ByRef corFactor As Variant, ByRef ModeSheet As String) As Double",
      "kxDISCRETE(ByRef RngValues As Variant, ByRef RngProbs As Variant, ByRef corFactor As Variant, ByRef ModeSheet "
      "As String) As Double",
      "kxERF(ByRef Mean As Variant, ByRef corFactor As Variant, ByRef ModeSheet As String) As Double",
      "kxERLANG(ByRef scaleP As Double, ByRef shapeP As Double, ByRef corFactor As Variant, ByRef ModeSheet As String) "
      "As Double",
      "kxEXPON(ByRef Mean As Double, ByRef corFactor As Variant, ByRef ModeSheet As String) As Double",
      "kxEXTVAL(ByVal ModalValue As Double, ByVal StDeviation As Double, ByRef corFactor As Variant, ByRef ModeSheet "
      "As String) As Variant",
      "kxGAMMA(ByVal scaleP As Double, ByVal shapeP As Double, ByRef corFactor As Variant, ByRef ModeSheet As String) "
      "As Variant",
      "kxGAUSSINV(ByRef Mean As Double, ByRef scaleP As Double, ByRef corFactor As Variant, ByRef ModeSheet As "
      "String) As Double",
      "kxGEO(ByRef Trials As Variant, ByRef corFactor As Variant, ByRef ModeSheet As String) As Variant",
      "kxHYPERGEO(ByRef Sample As Variant, ByRef Defects As Variant, ByRef BatchSize As Variant, ByRef corFactor As "
      "Variant, ByRef ModeSheet As String) As Double",
      "kxINTUNI(ByRef LowVal As Variant, ByRef UpVal As Variant, ByRef corFactor As Variant, ByRef ModeSheet As "
      "String) As Variant",
      "kxLOGISTIC(ByRef Mean As Variant, ByRef StDeviation As Variant, ByRef corFactor As Variant, ByRef ModeSheet As "
      "String) As Double",
      "kxLOGNORMAL(ByRef Mean As Double, ByRef StDeviation As Double, ByRef corFactor As Variant, ByRef ModeSheet As "
      "String) As Double",
      "kxNEGBIN(ByRef Failures As Variant, ByRef Successes As Variant, ByRef corFactor As Variant, ByRef ModeSheet As "
      "String) As Double",
      "kxNORMAL(ByRef Mean As Variant, ByRef StDeviation As Variant, ByRef corFactor As Variant, ByRef ModeSheet As "
      "String) As Double",
      "kxPARETO(ByRef Location As Variant, ByRef ModalValue As Variant, ByRef corFactor As Variant, ByRef ModeSheet "
      "As String) As Double",
      "kxPARETO2(ByRef Location As Variant, ByRef ModalValue As Variant, ByRef corFactor As Variant, ByRef ModeSheet "
      "As String) As Double",
      "kxPERT(ByRef Low As Variant, ByRef ML As Variant, ByRef High As Variant, ByRef corFactor As Variant, ByRef "
      "ModeSheet As String) As Variant",
      "kxPOISSON(ByRef Mean As Double, ByRef corFactor As Variant, ByRef ModeSheet As String) As Variant",
      "kxRANDBETWEEN(ByVal LowVal As Double, ByVal UpVal As Double, ByRef corFactor As Variant, ByRef ModeSheet As "
      "String) As Variant",
      "kxRAYLEIGH(ByRef scaleP As Variant, ByRef corFactor As Variant, ByRef ModeSheet As String) As Double",
      "kxSTUDENT(ByRef Degrees As Variant, ByRef corFactor As Variant, ByRef ModeSheet As String) As Double",
      "kxTRI(ByRef LowVal As Double, ByRef ModalValue As Double, ByRef UpVal As Double, ByRef corFactor As Variant, "
      "ByRef ModeSheet As String) As Variant",
      "kxUNIFORM(ByRef LowVal As Double, ByRef UpVal As Double, ByRef corFactor As Variant, ByRef ModeSheet As "
      "String) As Variant",
      "kxWEIBULL(ByRef Life As Variant, ByRef shapeP As Variant, ByRef corFactor As Variant, ByRef ModeSheet As "
      "String) As Double",
  };
  // In interface order after Initialize; later functions may stand between these.
  const auto& members = main_->automation_interface()->members();
  auto next = std::find_if(members.begin(), members.end(), [](const auto& m) { return m.name == "Initialize"; });
  ASSERT_NE(next, members.end());
  for (const char* declaration : kDeclarations) {
    SCOPED_TRACE(declaration);
    next = std::find_if(next, members.end(), [&](const auto& m) { return kx::describe(m) == declaration; });
    ASSERT_NE(next, members.end()) << "missing, different or out of order";
  }
}

TEST_F(SamplingTest, ModelMarkersShowNothing) {
  EXPECT_EQ(call("kxOUTPUT", {}), Value());
  EXPECT_EQ(call("kxLOCK", {}), Value());
  EXPECT_EQ(call("kxNAME", {"Profit", 3.0}), Value());
  EXPECT_EQ(call("kxNAME", {kx::ErrorValue{kx::error::kXlNA}}), Value());
}

}  // namespace
}  // namespace riskfn
