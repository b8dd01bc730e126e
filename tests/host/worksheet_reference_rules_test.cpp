// The rules of worksheet functions that read what a reference holds beyond its values:
// formulas in the cells (SUBTOTAL and AGGREGATE leave out nested subtotals, ISFORMULA,
// FORMULATEXT), error values met by criteria, blank cells, references that functions return,
// and the workbook's sheets.
#include <gtest/gtest.h>

#include <string>

#include "common/conversions.hpp"
#include "tests/host/formula_test_support.hpp"

namespace host::testing {
namespace {

using kx::Value;

class ReferenceRules : public FormulaTest {
 protected:
  // A1:A4 hold 10, 20, the subtotal of both, and #N/A; B1:B4 hold texts and an error.
  ReferenceRules() {
    set("A1", 10.0);
    set("A2", 20.0);
    formula("A3", "SUBTOTAL(9,A1:A2)");
    formula("A4", "NA()");
    set("B1", std::string("x"));
    formula("B2", "1/0");
    set("B3", std::string("y"));
    formula("B4", "NA()");
    set("C1", std::string("a"));  // C2 is blank
    set("C3", std::string("b"));
    set("D1", 1.0);
    set("D2", 2.0);
    set("D3", 3.0);
  }
};

TEST_F(ReferenceRules, FollowTheSpreadsheetsRules) {
  struct Case {
    const char* formula;
    Value expected;
  };
  const Case cases[] = {
      {"SUBTOTAL(9,A1:A3)", Value(30.0)},     // the nested subtotal is left out
      {"SUBTOTAL(3,A1:A3)", Value(2.0)},      // and not counted either
      {"SUM(A1:A3)", Value(60.0)},            // while SUM takes it
      {"AGGREGATE(9,3,A1:A4)", Value(30.0)},  // option 3: no subtotals, no errors
      {"AGGREGATE(9,4,A1:A3)", Value(60.0)},  // option 4 ignores nothing
      {"AGGREGATE(4,6,A1:A4)", Value(30.0)},  // option 6: errors left out
      {"AGGREGATE(9,4,A1:A4)", error_value(kx::error::kXlNA)},
      {"COUNTIF(B1:B4,NA())", Value(1.0)},  // an error criterion meets the cells holding it
      {"COUNTIF(B1:B4,\"#DIV/0!\")", Value(1.0)},
      {"COUNTIF(A1:B4,\"#N/A\")", Value(2.0)},
      {"SUMIF(B1:B4,\"#N/A\",A1:A4)", error_value(kx::error::kXlNA)},  // the paired cell is #N/A
      {"COUNTIF(B1:B4,\"<>x\")", Value(3.0)},                          // an error is no x: counted
      {"COUNTIF(B1:B4,\"<>\")", Value(4.0)},                           // nor blank
      {"COUNTIF(B1:B4,\">a\")", Value(2.0)},                           // but meets no comparison
      {"COUNTIFS(B1:B4,\"<>y\",A1:A4,\">15\")", Value(1.0)},
      {"ISFORMULA(A3)", Value(true)},
      {"ISFORMULA(A1)", Value(false)},
      {"FORMULATEXT(A3)", Value(std::string("=SUBTOTAL(9,A1:A2)"))},
      {"FORMULATEXT(A1)", error_value(kx::error::kXlNA)},
      {"SHEETS()", Value(2.0)},
      {"SHEET(\"My data\")", Value(2.0)},
      {"SHEET('My data'!A1)", Value(2.0)},
      {"CELL(\"sheet\",'My data'!A1)", Value(2.0)},
      // A reference a function returns is read as one: its text cell is left out.
      {"SUM(INDIRECT(\"B1\"))", Value(0.0)},
      {"SUM(IF(TRUE,B1))", Value(0.0)},
      {"SUM(OFFSET(B1,0,0))", Value(0.0)},
      {"SUM(CHOOSE(1,B1,B3))", Value(0.0)},
      {"SUM(B1)", Value(0.0)},
      {"SUM(\"x\")", error_value(kx::error::kXlValue)},
      {"IFERROR({1,2}/{0,1},{7,8})", array_of({{7.0, 2.0}})},  // element by element
      {"XLOOKUP(E1,C1:C3,D1:D3)", Value(2.0)},                 // a blank finds the blank cell
      {"XLOOKUP(E1,C1:C3,D1:D3,,,-1)", Value(2.0)},
      // Next smaller or larger looks among the values of the wanted value's type only.
      {"XLOOKUP(2.5,{1;\"a\";2;TRUE;3},{10;20;30;40;50},,-1)", Value(30.0)},
      {"XLOOKUP(2.5,{1;\"a\";2;TRUE;3},{10;20;30;40;50},,1)", Value(50.0)},
      {"XLOOKUP(\"b\",{1;\"a\";TRUE;\"c\"},{1;2;3;4},,1)", Value(4.0)},
      {"XLOOKUP(\"b\",{1;\"a\";TRUE;\"c\"},{1;2;3;4},,-1)", Value(2.0)},
      {"XLOOKUP(5,{1;\"a\";TRUE},{1;2;3},,1)", error_value(kx::error::kXlNA)},
      {"XLOOKUP(\"z\",{1;\"a\";TRUE},{1;2;3},,1)", error_value(kx::error::kXlNA)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formula);
    EXPECT_EQ(eval(c.formula), c.expected) << kx::display_text(eval(c.formula));
  }
}

}  // namespace
}  // namespace host::testing
