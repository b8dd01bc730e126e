// Whole columns and rows are read over the used cells only, yet keep their size on the sheet.
#include <gtest/gtest.h>

#include "common/conversions.hpp"
#include "tests/host/formula_test_support.hpp"

namespace host::testing {
namespace {

using kx::Value;

class WholeColumns : public FormulaTest {};

// Before, ROWS(A:A) gave the used rows and COUNTBLANK counted only blanks among them.
TEST_F(WholeColumns, KeepTheirSizeOnTheSheet) {
  set("A1", Value(1.0));
  set("A2", Value(2.0));
  set("A4", Value("x"));
  set("C1", Value(5.0));
  constexpr double kRows = kMaxRows;
  constexpr double kColumns = kMaxColumns;
  struct Case {
    const char* formula;
    Value expected;
  };
  const Case cases[] = {
      {"ROWS(A:A)", Value(kRows)},
      {"COLUMNS(A:A)", Value(1.0)},
      {"COLUMNS(1:1)", Value(kColumns)},
      {"ROWS(1:2)", Value(2.0)},
      {"ROWS(A1:A3)", Value(3.0)},
      {"COUNTBLANK(A:A)", Value(kRows - 3)},
      {"COUNTBLANK(A1:A4)", Value(1.0)},
      {"COUNTIF(A:A,\"<>x\")", Value(kRows - 1)},
      {"COUNTIF(A:A,\"x\")", Value(1.0)},
      {"COUNTIF(A:A,\">0\")", Value(2.0)},
      {"COUNTIFS(A:A,\"<>x\",C:C,\"\")", Value(kRows - 2)},
      {"ISBLANK(INDEX(A:A,1048576))", Value(true)},
      {"INDEX(A:A,2)", Value(2.0)},
      {"INDEX(A:A,1048577)", error_value(kx::error::kXlRef)},
      {"SUM(A:A)", Value(3.0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formula);
    EXPECT_EQ(eval(c.formula), c.expected) << kx::display_text(eval(c.formula));
  }
}

}  // namespace
}  // namespace host::testing
