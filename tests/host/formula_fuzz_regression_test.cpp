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

TEST_F(FormulaTest, LargeSpillsTheFuzzerFoundSlowStayWithinTheBudget) {
  // Up to half a million elements spilled from one cell: slow only on a starved machine, they
  // must compute, fill their area and leave the cell beside them readable.
  struct Case {
    const char* reader;
    const char* cell;
    const char* formula;
  };
  const Case cases[] = {
      {"B1", "C1", "=92-AA1:R4421-1"},                 // 4421 rows by 10 columns
      {"B5000", "C5000", "=75-AA1:R52-AZ1:NPV1&2-1"},  // 52 rows by 10,000 columns, below the first
  };
  for (const Case& c : cases) {
    formula(c.cell, c.formula);
    formula(c.reader, std::string("=") + c.cell);
  }
  engine().load();
  ASSERT_NO_THROW(engine().recalculate());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formula);
    EXPECT_FALSE(at(c.reader).is_error());
    EXPECT_EQ(at(c.reader), at(c.cell));
  }
  EXPECT_EQ(at("L4421"), kx::Value(91.0));                // the first spill's far corner
  EXPECT_EQ(at("C5000"), kx::Value(std::string("751")));  // 75 - 0 - 0, joined to 2 - 1
}

TEST_F(FormulaTest, TextThatASpillFeedsBackStopsAtTheTextLimit) {
  // Each pass joins the cells of the spill's last pass twice over, so the text doubles while
  // the element count stays under its limit: 2.4 GB and 9.5 s before the text was counted.
  set("A1", 1.0);
  formula("B1", "=A1+C1");
  formula("C1", "=3&3232:3&3:3&3");
  engine().load();
  try {
    engine().recalculate_all();
    ADD_FAILURE() << "recalculated";
  } catch (const LimitExceeded& limit) {
    EXPECT_NE(std::string(limit.what()).find("MB of text"), std::string::npos) << limit.what();
  }
}

}  // namespace
}  // namespace host::testing
