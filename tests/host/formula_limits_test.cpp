// Formulas that ask too much: deep nesting, long texts, huge ranges and arrays give clear
// errors instead of a stack overflow or an allocation of gigabytes.
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
  EXPECT_EQ(eval("SUM(A1:XFD1048576)"), Value(3.0));
  EXPECT_EQ(eval("MAX(A:XFD)"), Value(2.0));

  const struct {
    const char* formula;
    const char* message_part;
  } refused[] = {
      {"A1:XFD1048576", "Sheet1!$A$1:$XFD$1048576"},
      {"A:B", "2097152 cells"},
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
  for (int row = 2; row <= 20; ++row)
    formula("B" + std::to_string(row), "=B" + std::to_string(row - 1) + "&B" + std::to_string(row - 1));
  engine().load();
  engine().recalculate();
  EXPECT_EQ(at("B14").text().size(), 3u << 13);
  EXPECT_EQ(at("B15"), error_value(kx::error::kXlValue));
  EXPECT_EQ(at("B20"), error_value(kx::error::kXlValue));
}

}  // namespace
}  // namespace host::testing
