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
  };
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
