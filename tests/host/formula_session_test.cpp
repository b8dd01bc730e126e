// A session starts its components as the add-in does and makes their members formula functions.
#include <gtest/gtest.h>

#include "common/automation/dispatch.hpp"
#include "common/text_lookup.hpp"
#include "host/session/session.hpp"
#include "riskfn/frame/classes.hpp"
#include "tests/host/formula_test_support.hpp"

namespace host::testing {
namespace {

using kx::Value;

TEST(FormulaSession, StartsEachComponentAsTheAddinDoes) {
  auto probe = std::make_shared<Probe>();
  Session session({probe});
  EXPECT_EQ(probe->initialized, 1);
  EXPECT_EQ(probe->application, Value(kx::ObjectRef(session.application_ref())));
  ASSERT_TRUE(probe->this_workbook.is_object());
  EXPECT_EQ(kx::workbook_of(probe->this_workbook)->name(), kx::kAddinWorkbookName);

  session.open_blank();
  EXPECT_EQ(session.engine().evaluate("kxTWICE(21)").value, Value(42.0));
  EXPECT_EQ(session.engine().evaluate("SUM(Sheet1!A1:B2)").value, Value(0.0));
}

TEST(FormulaSession, OpenedWorkbooksAreComputed) {
  auto probe = std::make_shared<Probe>();
  Session session({probe});
  auto book = Book::create("model.csv");
  auto sheet = book->add_sheet("model");
  sheet->set_value(1, 1, 20.0);
  sheet->set_formula(2, 1, "=kxTWICE(A1)+kxTICK()");
  session.open(book);
  session.engine().recalculate();
  EXPECT_EQ(sheet->value(2, 1), Value(41.0));
  session.engine().recalculate();
  EXPECT_EQ(sheet->value(2, 1), Value(42.0));
  EXPECT_EQ(session.engine().evaluate("A2/2").value, Value(21.0));
}

// The risk component's Main, created by name as the command-line tool creates it.
TEST(FormulaSession, TheRiskComponentsFunctionsAreFormulaFunctions) {
  Session session({riskfn::create_object("Main")});
  session.open_blank();
  EXPECT_EQ(session.engine().evaluate("kxNORMAL(100,15,0.5,\"\")").value, Value(100.0));
  EXPECT_EQ(session.engine().evaluate("_xll.kxNORMAL(100,15,,\"ShowMode\")").value, Value(100.0));
  const auto failed = session.engine().evaluate("kxNORMAL(\"abc\",15,,\"\")");
  ASSERT_TRUE(failed.failure);
  EXPECT_EQ(failed.failure->function, "kxNORMAL");
  EXPECT_EQ(failed.failure->number, kx::error::kTypeMismatch);
}

}  // namespace
}  // namespace host::testing
