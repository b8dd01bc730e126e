// Functions in formulas: the engine's everyday functions against reference values, their
// spreadsheet rules for ranges, texts and errors, the host's worksheet functions by their
// spreadsheet names, and component members through the automation layer.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/host/formula_test_support.hpp"

namespace host::testing {
namespace {

using kx::Value;
namespace error = kx::error;

struct FunctionReferenceCase {
  std::string formula;
  std::string expected;
};

std::vector<FunctionReferenceCase> load_references() {
  std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/formula_functions.tsv");
  std::vector<FunctionReferenceCase> references;
  std::string line;
  std::getline(file, line);  // header
  while (std::getline(file, line)) {
    const std::size_t tab = line.find('\t');
    if (tab != std::string::npos) references.push_back({line.substr(0, tab), line.substr(tab + 1)});
  }
  return references;
}

TEST_F(FormulaTest, EverydayAndWorksheetFunctionsMatchTheReferenceValues) {
  constexpr double kRelativeTolerance = 4e-15;  // a few units in the last place
  const auto references = load_references();
  ASSERT_GE(references.size(), 40u);
  for (const FunctionReferenceCase& reference : references) {
    SCOPED_TRACE(reference.formula);
    const Value result = eval(reference.formula);
    if (reference.expected.rfind("ERR:", 0) == 0) {
      EXPECT_EQ(result, error_value(std::stoi(reference.expected.substr(4))));
      continue;
    }
    ASSERT_TRUE(result.is_number()) << "kind " << static_cast<int>(result.kind());
    const double expected = std::stod(reference.expected);
    EXPECT_NEAR(result.number(), expected, kRelativeTolerance * std::max(1.0, std::fabs(expected)));
  }
}

class SpreadsheetRules : public FormulaTest {
 protected:
  SpreadsheetRules() {
    set("A1", 1.0);
    set("A2", "2");
    set("A3", true);
    set("A5", 4.0);
    set("B1", 1.0);
    set("B2", error_value(error::kXlNA));
  }
};

TEST_F(SpreadsheetRules, WhatAggregatesAndLogicalFunctionsCount) {
  struct Case {
    const char* formula;
    Value expected;
  };
  // In ranges and arrays only numbers count (and booleans for AND/OR); values given directly
  // count when they can be read; errors pass through.
  const Case cases[] = {
      {"SUM(A1:A5)", 5.0},
      {"SUM(1,\"2\",TRUE)", 4.0},
      {"SUM(A1:A5,10)", 15.0},
      {"SUM({1,\"2\",TRUE})", 1.0},
      {"SUM(A2)", 0.0},
      {"SUM(\"x\")", error_value(error::kXlValue)},
      {"SUM(B1:B2)", error_value(error::kXlNA)},
      {"AVERAGE(A1:A5)", 2.5},
      {"AVERAGE(A4)", error_value(error::kXlDiv0)},
      {"AVERAGE(1,)", 0.5},
      {"MIN(A1:A5)", 1.0},
      {"MAX(A1:A5)", 4.0},
      {"MAX(A4)", 0.0},
      {"MAX(-1,)", 0.0},
      {"MIN(3,\"1\",TRUE)", 1.0},
      {"AND(TRUE,1)", true},
      {"AND(TRUE,0)", false},
      {"OR(FALSE,0)", false},
      {"OR(A1:A5)", true},
      {"AND(A2)", error_value(error::kXlValue)},
      {"AND(\"x\")", error_value(error::kXlValue)},
      {"AND(\"TRUE\")", true},
      {"OR(B1:B2)", error_value(error::kXlNA)},
      {"NOT(0)", true},
      {"NOT({TRUE,FALSE})", array_of({{false, true}})},
      {"IF(A1,\"yes\",\"no\")", "yes"},
      {"IF(A4,1,2)", 2.0},
      {"IF(\"x\",1,2)", error_value(error::kXlValue)},
      {"IF(B2,1,2)", error_value(error::kXlNA)},
      {"IF(TRUE,A1:A2)", array_of({{1.0}, {"2"}})},
      // An array condition chooses element by element; a branch repeats over its shape.
      {"IF(A1:A3>1,\"big\",A1:A3)", array_of({{1.0}, {"big"}, {"big"}})},
      {"IF({1,0,\"x\"},{10,20,30},-1)", array_of({{10.0, -1.0, error_value(error::kXlValue)}})},
      {"IF({0;1;1},5,{1;2})", array_of({{1.0}, {5.0}, {error_value(error::kXlNA)}})},
      {"IF({TRUE,FALSE},B2)", array_of({{error_value(error::kXlNA), false}})},
      {"IF({TRUE},1,2)", 1.0},
      {"IFERROR(1/0,\"div\")", "div"},
      {"IFERROR(5,\"x\")", 5.0},
      {"IFERROR(#N/A,)", 0.0},
      {"IFERROR({1,#N/A},0)", array_of({{1.0, 0.0}})},
      {"ABS({-1,2})", array_of({{1.0, 2.0}})},
      {"SQRT({4,-1})", array_of({{2.0, error_value(error::kXlNum)}})},
      {"MOD({5,6},4)", array_of({{1.0, 2.0}})},
      {"POWER(\"2\",2)", 4.0},
      {"ABS(\"x\")", error_value(error::kXlValue)},
      {"PMT(0,2,\"100\")", -50.0},
      {"NPV(0,A1:A5)", 5.0},
      {"NPV(0,1,\"2\",TRUE)", 4.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formula);
    EXPECT_EQ(eval(c.formula), c.expected);
  }
}

TEST_F(SpreadsheetRules, IfEvaluatesOnlyTheBranchItTakes) {
  EXPECT_EQ(eval("IF(TRUE,1,kxCOUNT())"), Value(1.0));
  EXPECT_EQ(eval("IF(FALSE,kxCOUNT(),2)"), Value(2.0));
  EXPECT_EQ(eval("IFERROR(3,kxCOUNT())"), Value(3.0));
  EXPECT_EQ(probe->counted, 0);
}

TEST_F(SpreadsheetRules, WorksheetFunctionsGiveErrorValuesAndTakeRanges) {
  EXPECT_EQ(eval("NORMINV(2,0,1)"), error_value(error::kXlNum));
  EXPECT_EQ(eval("COUNT(A1:A5)"), Value(2.0));
  EXPECT_EQ(eval("SUMSQ(A1:A5)"), Value(17.0));
  EXPECT_EQ(eval("ROUND(2.345,2)"), Value(2.35));
  EXPECT_EQ(eval("NORMINV(0.5,0,1,)"), Value(0.0));  // a trailing empty place is no argument
}

TEST_F(SpreadsheetRules, ComponentMembersAreCalledThroughTheAutomationLayer) {
  engine().load();
  struct Case {
    const char* formula;
    Value value;
    const char* failed_function;  // empty: no failure
    std::int32_t failure_number;
  };
  const Case cases[] = {
      {"kxTWICE(A5)", 8.0, "", 0},
      {"kxTWICE(\"2.5\")", 5.0, "", 0},
      {"kxTWICE(\"x\")", error_value(error::kXlValue), "kxTWICE", error::kTypeMismatch},
      {"kxFAIL(1)", error_value(error::kXlValue), "kxFAIL", error::kOverflow},
      {"1+kxFAIL(1)", error_value(error::kXlValue), "kxFAIL", error::kOverflow},
      {"kxSEQUENCE(,2)", error_value(error::kXlValue), "kxSEQUENCE", error::kArgumentNotOptional},
      {"kxSEQUENCE(2,3)", array_of({{1.0, 2.0, 3.0}, {4.0, 5.0, 6.0}}), "", 0},
      {"SUM(kxSEQUENCE(2,3))", 21.0, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formula);
    const auto evaluation = engine().evaluate(c.formula);
    EXPECT_EQ(evaluation.value, c.value);
    if (*c.failed_function == '\0') {
      EXPECT_FALSE(evaluation.failure);
    } else {
      ASSERT_TRUE(evaluation.failure);
      EXPECT_EQ(evaluation.failure->function, c.failed_function);
      EXPECT_EQ(evaluation.failure->number, c.failure_number);
      EXPECT_FALSE(evaluation.failure->message.empty());
    }
  }
}

TEST_F(SpreadsheetRules, AFailedCallInACellShowsValueError) {
  formula("C1", "=kxFAIL(1)");
  formula("C2", "=IFERROR(C1,\"caught\")");
  engine().load();
  engine().recalculate();
  EXPECT_EQ(at("C1"), error_value(error::kXlValue));
  EXPECT_EQ(at("C2"), Value("caught"));
  // The cell keeps only its error value; the engine keeps why, once per cell.
  formula("C3", "=kxTWICE(\"abc\")");
  engine().load();
  engine().recalculate();
  engine().recalculate_all();
  ASSERT_EQ(engine().call_failures().size(), 2u);
  EXPECT_EQ(engine().call_failures()[0].cell, "Sheet1!C1");
  EXPECT_EQ(engine().call_failures()[0].failure.number, error::kOverflow);
  EXPECT_EQ(engine().call_failures()[1].cell, "Sheet1!C3");
  EXPECT_EQ(engine().call_failures()[1].failure.function, "kxTWICE");
  EXPECT_EQ(engine().call_failures()[1].failure.message, "argument 1 (Number): text \"abc\" is not a number");
  EXPECT_EQ(engine().call_failures()[1].failure.number, error::kTypeMismatch);
}

}  // namespace
}  // namespace host::testing
