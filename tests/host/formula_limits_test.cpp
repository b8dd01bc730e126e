// Formulas that ask too much: deep nesting, long texts, huge ranges and arrays give clear
// errors instead of a stack overflow or an allocation of gigabytes.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <string>

#include "host/formula/limits.hpp"
#include "host/formula/parse_error.hpp"
#include "host/formula/parser.hpp"
#include "tests/host/formula_test_support.hpp"

namespace host::testing {
namespace {

using kx::Value;

std::string repeated(const std::string& piece, std::size_t times) {
  std::string text;
  for (std::size_t i = 0; i < times; ++i) text += piece;
  return text;
}

TEST(FormulaLimits, DeepNestingIsAParseError) {
  const struct {
    const char* label;
    std::string formula;
  } cases[] = {
      {"parentheses", repeated("(", 4000) + "1" + repeated(")", 4000)},
      {"negations", repeated("-", 8000) + "1"},
      {"calls", repeated("ABS(", 1000) + "1" + repeated(")", 1000)},
      {"percents", "1" + repeated("%", 8000)},
      {"arrays in arguments", repeated("SUM({1},", 500) + "1" + repeated(")", 500)},
      {"just past the limit", repeated("(", kMaxNestingDepth + 1) + "1" + repeated(")", kMaxNestingDepth + 1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    try {
      parse_formula(c.formula);
      ADD_FAILURE() << "parsed";
    } catch (const ParseError& error) {
      EXPECT_NE(std::string(error.what()).find(std::to_string(kMaxNestingDepth)), std::string::npos) << error.what();
    }
  }
  EXPECT_NO_THROW(parse_formula(repeated("(", kMaxNestingDepth) + "1" + repeated(")", kMaxNestingDepth)));
}

TEST(FormulaLimits, LongFormulasAreRefusedAtTheLimit) {
  const std::string longest = "1" + repeated("+1", (kMaxFormulaLength - 1) / 2);
  EXPECT_NO_THROW(parse_formula(longest));
  try {
    parse_formula(longest + "+1");
    FAIL() << "parsed";
  } catch (const ParseError& error) {
    EXPECT_EQ(error.column(), kMaxFormulaLength + 1);
  }
}

TEST_F(FormulaTest, LongFlatSumsEvaluateWithoutNesting) {
  const std::size_t terms = (kMaxFormulaLength - 1) / 2 + 1;
  EXPECT_EQ(eval("1" + repeated("+1", terms - 1)), Value(static_cast<double>(terms)));
}

TEST_F(FormulaTest, HugeRangesAreWalkedOrRefusedButNeverAllocated) {
  set("A1", 1.0);
  set("C3", 2.0);
  EXPECT_EQ(eval("SUM(A1:XFD1048575)"), Value(3.0));
  EXPECT_EQ(eval("MAX(A:XFD)"), Value(2.0));
  // Whole columns and rows cover the used range, here A1:C3.
  EXPECT_EQ(eval("A:B"), eval("A1:B3"));
  EXPECT_EQ(eval("SUM(1:1048576)"), Value(3.0));

  const struct {
    const char* formula;
    const char* message_part;
  } refused[] = {
      {"A1:XFD1048575", "Sheet1!$A$1:$C$1048575"},
      {"A1:B1048575", "2097150 cells"},
      {"A1:A2000+A1:ALL1", "2000 rows and 1000 columns"},
  };
  engine().load();
  for (const auto& c : refused) {
    SCOPED_TRACE(c.formula);
    const auto evaluation = engine().evaluate(c.formula);
    EXPECT_EQ(evaluation.value, error_value(kx::error::kXlNum));
    ASSERT_TRUE(evaluation.failure);
    EXPECT_EQ(evaluation.failure->number, kx::error::kOutOfMemory);
    EXPECT_NE(evaluation.failure->message.find(c.message_part), std::string::npos) << evaluation.failure->message;
  }
}

TEST_F(FormulaTest, TextsStopGrowingAtTheCellLimit) {
  set("B1", "abc");
  for (int row = 2; row <= 20; ++row) formula(fmt::format("B{}", row), fmt::format("=B{0}&B{0}", row - 1));
  engine().load();
  engine().recalculate();
  EXPECT_EQ(at("B14").text().size(), 3u << 13);
  EXPECT_EQ(at("B15"), error_value(kx::error::kXlValue));
  EXPECT_EQ(at("B20"), error_value(kx::error::kXlValue));
}

TEST_F(FormulaTest, WholeColumnSumsDownManyRowsCostWhatTheSheetHolds) {
  // Each row sums the column above and beside it: read as a million rows, or with an edge from
  // every sum to every cell summed, this took gigabytes and minutes.
  constexpr int kRows = 20000;
  for (int row = 1; row <= kRows; ++row) {
    formula(fmt::format("A{}", row), "=1");
    formula(fmt::format("B{}", row), "=SUM(A:A)");
  }
  engine().load();
  engine().recalculate();
  EXPECT_EQ(at("B1"), Value(double{kRows}));
  EXPECT_EQ(at(fmt::format("B{}", kRows)), Value(double{kRows}));
}

TEST_F(FormulaTest, ARangeReadOnceIsReadAgainAfterACellInsideChanges) {
  for (int row = 1; row <= 100; ++row) {
    set(fmt::format("A{}", row), 1.0);
    formula(fmt::format("B{}", row), "=SUM(A:A)");
  }
  formula("A101", "=C1*2");  // written during the pass, before any sum reads the column
  set("C1", 3.0);
  engine().load();
  engine().recalculate();
  EXPECT_EQ(at("B1"), Value(106.0));
  set("A1", 5.0);
  set("C1", 4.0);
  engine().recalculate_all();
  EXPECT_EQ(at("B1"), Value(112.0));
  EXPECT_EQ(at("B100"), Value(112.0));
}

TEST_F(FormulaTest, ACellOverTheBudgetFailsTheRecalculationNamingIt) {
  // #NUM! in the cell would pass for a result; the recalculation fails instead.
  set("A1048576", 1.0);
  set("GR1", 1.0);
  formula("C2", "=SUM(ROUND(A:A,A1:GR1))");
  engine().load();
  try {
    engine().recalculate();
    ADD_FAILURE() << "recalculated";
  } catch (const LimitExceeded& limit) {
    EXPECT_NE(std::string(limit.what()).find("Sheet1!C2: "), std::string::npos) << limit.what();
    EXPECT_NE(std::string(limit.what()).find(std::to_string(kMaxFormulaArrayCells)), std::string::npos);
  }
}

}  // namespace
}  // namespace host::testing
