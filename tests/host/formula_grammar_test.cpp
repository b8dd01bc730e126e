// The formula language through the engine: literals, references, array constants, operators
// and their precedence, omitted arguments, function names, and where a bad formula stops.
#include <gtest/gtest.h>

#include "host/formula/formula_errors.hpp"
#include "host/formula/parse_error.hpp"
#include "tests/host/formula_test_support.hpp"

namespace host::testing {
namespace {

using kx::Value;
namespace error = kx::error;

class FormulaGrammar : public FormulaTest {
 protected:
  FormulaGrammar() {
    set("A1", 1.0);
    set("A2", 2.0);
    set("A3", 3.0);
    set("B1", "text");
    set("C1", true);
    data->set_value(2, 2, 42.0);  // 'My data'!B2
    for (int row = 1; row <= 3; ++row) data->set_value(row, 1, 10.0 * row);
  }
};

struct Case {
  const char* formula;
  Value expected;
};

class FormulaGrammarValues : public FormulaGrammar {
 protected:
  void expect_values(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.formula);
      EXPECT_EQ(eval(c.formula), c.expected);
    }
  }
};

TEST_F(FormulaGrammarValues, Literals) {
  expect_values({
      {"1.5", 1.5},
      {".5", 0.5},
      {"1e3", 1000.0},
      {"1.5E-2", 0.015},
      {"2.5e+2", 250.0},
      {"=2", 2.0},
      {"  =3", 3.0},
      {"1e-400", 0.0},
      {"\"a\"\"b\"", "a\"b"},
      {"\"\"", ""},
      {"\"x, y\"", "x, y"},
      {"TRUE", true},
      {"false", false},
      {"#N/A", error_value(error::kXlNA)},
      {"#div/0!", error_value(error::kXlDiv0)},
      {"#NAME?", error_value(error::kXlName)},
      {"#NULL!", error_value(error::kXlNull)},
      {"#NUM!", error_value(error::kXlNum)},
      {"#REF!", error_value(error::kXlRef)},
      {"#VALUE!", error_value(error::kXlValue)},
  });
}

TEST_F(FormulaGrammarValues, References) {
  expect_values({
      {"A1", 1.0},
      {"$A$2", 2.0},
      {"A$3", 3.0},
      {"$a1", 1.0},
      {"B1", "text"},
      {"Z99", Value()},
      {"Sheet1!A2", 2.0},
      {"'My data'!B2", 42.0},
      {"'my DATA'!b2", 42.0},
      {"[model.xlsx]Sheet1!A3", 3.0},
      {"'[model.xlsx]My data'!B2", 42.0},
      {"SUM(A1:A3)", 6.0},
      {"SUM(A3:A1)", 6.0},
      {"SUM($A$1:A2)", 3.0},
      {"SUM('My data'!A1:A3)", 60.0},
      {"SUM(A:A)", 6.0},
      {"SUM($A:$B)", 6.0},
      {"SUM(1:2)", 3.0},
      {"SUM('My data'!A:A)", 60.0},
      {"A1:A3", array_of({{1.0}, {2.0}, {3.0}})},
      {"A1:C1", array_of({{1.0, "text", true}})},
  });
}

TEST_F(FormulaGrammarValues, ArrayConstants) {
  expect_values({
      {"{1,2;3,4}", array_of({{1.0, 2.0}, {3.0, 4.0}})},
      {"{1,2|3,4}", array_of({{1.0, 2.0}, {3.0, 4.0}})},
      {"{1,-2.5,\"x\",TRUE,#N/A}", array_of({{1.0, -2.5, "x", true, error_value(error::kXlNA)}})},
      {"{7}", array_of({{7.0}})},
      {"{1;2}*10", array_of({{10.0}, {20.0}})},
      {"{1,2}+{10;20}", array_of({{11.0, 12.0}, {21.0, 22.0}})},
      {"{1,2,3}+{1,2}", array_of({{2.0, 4.0, error_value(error::kXlNA)}})},
      {"-{1,2}", array_of({{-1.0, -2.0}})},
      {"SUM({1,2;3,4})", 10.0},
  });
}

TEST_F(FormulaGrammarValues, OperatorsAndPrecedence) {
  expect_values({
      {"1+2*3", 7.0},
      {"(1+2)*3", 9.0},
      {"2^3^2", 64.0},
      {"-2^2", 4.0},
      {"2*-3", -6.0},
      {"10-2-3", 5.0},
      {"12/2/3", 2.0},
      {"50%", 0.5},
      {"200%%", 0.02},
      {"-50%", -0.5},
      {"1+2&3", "33"},
      {"1+1=2", true},
      {"2^-1", 0.5},
      {"1 + 2", 3.0},
      {"--TRUE", 1.0},
      {"-\"2\"", -2.0},
      {"+\"abc\"", "abc"},
      {"TRUE+1", 2.0},
      {"\"3\"+1", 4.0},
      {"A9+1", 1.0},
      {"\"a\"&1.5&TRUE", "a1.5TRUE"},
      {"1&\"\"", "1"},
      {"0.1+0.2&\"\"", "0.3"},
      {"A9&\"x\"", "x"},
      {"\"a\"<\"B\"", true},
      {"\"A\"=\"a\"", true},
      {"2<>2", false},
      {"1<\"1\"", true},
      {"\"z\"<TRUE", true},
      {"3>=3", true},
      {"3<=2", false},
      {"2>1", true},
      {"A9=0", true},
      {"A9=\"\"", true},
      {"A9=FALSE", true},
      {"\"x\"+1", error_value(error::kXlValue)},
      {"1/0", error_value(error::kXlDiv0)},
      {"#N/A+1", error_value(error::kXlNA)},
      {"1+#N/A", error_value(error::kXlNA)},
      {"#REF!+#N/A", error_value(error::kXlRef)},
      {"0^0", error_value(error::kXlNum)},
      {"0^-1", error_value(error::kXlDiv0)},
      {"(-8)^(1/3)", error_value(error::kXlNum)},
      {"1E308*10", error_value(error::kXlNum)},
      {"#N/A=1", error_value(error::kXlNA)},
      // Arithmetic over cells, computed in doubles while every cell holds a number.
      {"A1+A2*A3", 7.0},
      {"(A1+A2)%", 0.03},
      {"-A2^2", 4.0},
      {"A9-A1", -1.0},
      {"A3^A9", 1.0},
      {"A1+C1", 2.0},
      {"A2*B1", error_value(error::kXlValue)},
      {"A1/A9", error_value(error::kXlDiv0)},
      {"A9^A9", error_value(error::kXlNum)},
      {"-A1^(A1/A2)", error_value(error::kXlNum)},
      {"A3^0+A3^1+A3^2", 13.0},
      {"(-A3)^2", 9.0},
      {"1E200^2", error_value(error::kXlNum)},
  });
}

TEST_F(FormulaGrammarValues, OmittedArgumentsAndNames) {
  expect_values({
      {"kxKIND()", "missing"},     {"kxKIND(,1)", "missing"},
      {"kxKIND(1)", "number"},     {"kxKIND(\"1\")", "text"},
      {"kxKIND(A1)", "range 1 1"}, {"kxKIND(A1:B3)", "range 3 2"},
      {"kxKIND({1,2})", "array"},  {"kxKIND(#N/A)", "error"},
      {"kxKIND(A9)", "range 1 1"}, {"IF(TRUE,)", 0.0},
      {"IF(FALSE,1)", false},      {"IF(FALSE,1,)", 0.0},
      {"SUM(1,,2)", 3.0},          {"MIN(5,)", 0.0},
      {"sum(1,2)", 3.0},           {"Sum(1,2)", 3.0},
      {"_xlfn.SUM(1,2)", 3.0},     {"_XLFN._xlws.SUM(1)", 1.0},
      {"_xll.kxTWICE(4)", 8.0},    {"KXTWICE(4)", 8.0},
      {"kxtwice(A2)", 4.0},        {"LOG10(100)", 2.0},  // a function, although LOG10 is also a cell
      {"SUM(LOG10)", 0.0},                               // ...and the cell when no '(' follows
  });
}

TEST_F(FormulaGrammar, ErrorsPointAtTheColumn) {
  struct ErrorCase {
    const char* formula;
    std::size_t column;
  };
  const ErrorCase cases[] = {
      {"1+", 3},
      {"(1", 3},
      {"SUM(1,2", 8},
      {"\"abc", 1},
      {"1 2", 3},
      {"#FOO!", 1},
      {"{1,2;3}", 7},
      {"{A1}", 2},
      {"'My data'A1", 1},
      {"Sheet1!", 8},
      {"1+)", 3},
      {"=1+", 4},
      {"", 1},
      {"SUM (1)", 5},
      {"A1:", 3},
      {"1e999", 1},
      {"1;2", 2},
      {"$", 1},
      {"1+\x01", 3},
      {"é+1*", 5},
      // What binding cannot resolve points at the name.
      {"FOO(1)", 1},
      {"1+Nowhere!A1", 3},
      {"IF(1)", 1},
      {"2*foo", 3},
      {"kxTWICE(1,2)", 1},
      {"[other.xlsx]Sheet1!A1", 1},
      {"Application(1)", 1},
  };
  engine().load();
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.formula);
    try {
      engine().evaluate(c.formula);
      ADD_FAILURE() << "no parse error";
    } catch (const ParseError& error) {
      EXPECT_EQ(error.column(), c.column) << error.what();
    }
  }
}

TEST_F(FormulaGrammar, CellFormulasThatDoNotParseShowNameErrorsAndAreReported) {
  formula("B2", "=1+");
  formula("B3", "=FOO(1)");
  formula("B4", "=IF(1)");
  formula("B5", "=Nowhere!A1");
  engine().load();
  engine().recalculate();
  EXPECT_EQ(at("B2"), error_value(error::kXlName));
  EXPECT_EQ(at("B3"), error_value(error::kXlName));
  EXPECT_EQ(at("B4"), error_value(error::kXlValue));
  EXPECT_EQ(at("B5"), error_value(error::kXlRef));
  ASSERT_EQ(engine().problems().size(), 4u);
  EXPECT_EQ(engine().problems()[0].cell, "Sheet1!B2");
  EXPECT_EQ(engine().problems()[0].problem.column, 4u);
  EXPECT_EQ(engine().problems()[1].cell, "Sheet1!B3");
}

}  // namespace
}  // namespace host::testing
