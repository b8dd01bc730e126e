// Inputs that fuzzing the formula engine found troublesome, kept so that they stay harmless.
#include <gtest/gtest.h>

#include "tests/host/formula_test_support.hpp"

namespace host::testing {
namespace {

TEST_F(FormulaTest, FuzzFindingsStayHarmless) {
  struct Case {
    const char* label;
    const char* formula;
    const char* failure_part;  // what the refusal says
  };
  const Case cases[] = {
      // 167 whole rows handed to a worksheet function that computes cell by cell: minutes of work.
      {"whole rows to a worksheet function", "NORMINV(175:9,0,l1)", "2736128 cells"},
      // 22 characters asking for 1048576 x 200 rounded values.
      {"a whole column by a row, cell by cell", "SUM(ROUND(A:A,A1:GR1))", "1048576 rows and 200 columns"},
      // A reference whose corners are far apart (column KXV, row 444444, and AR1) read as an array.
      {"three and a half billion cells from 13 characters", "kxV444444:AR1", "3572885316 cells"},
  };
  // Whole columns and rows cover the used range: this one spans the whole sheet.
  set("A1048576", 1.0);
  set("XFD1", 1.0);
  engine().load();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const auto evaluation = engine().evaluate(c.formula);
    EXPECT_EQ(evaluation.value, error_value(kx::error::kXlNum));
    ASSERT_TRUE(evaluation.failure);
    EXPECT_NE(evaluation.failure->message.find(c.failure_part), std::string::npos) << evaluation.failure->message;
  }
}

}  // namespace
}  // namespace host::testing
