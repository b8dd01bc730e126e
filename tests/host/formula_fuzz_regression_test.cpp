// Inputs that fuzzing the formula engine found troublesome, kept so that they stay harmless.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "host/formula/formula_errors.hpp"
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

TEST_F(FormulaTest, ASpillOntoCellsItsFormulaReadsIsACircularReference) {
  // Each reads rows its own spill fills: every computation read the last one's result and
  // spilled wider, or doubled its text, up to 2.4 GB, 14 s and minutes under the fuzzer.
  const std::string formulas[] = {
      "=3&3232:3&3:3&3",                                                      // text doubled at each pass
      "=E\xC0" "9*8:10710/zLNX^1:\x80&\xFF\xFF\xFF\xFF\xFF\xF8" "10/X",  // errors two columns wider each time
      "=\xFF" "E1kx/SI-IA3081:B2",                                          // 720,000 cells
      "=C2:C4+0",                                                             // a column read below its cell
  };
  std::vector<std::vector<std::string>> circles;
  for (std::size_t i = 0; i < std::size(formulas); ++i) {
    sheet = book->add_sheet("c" + std::to_string(i));
    set("A1", 1.0);
    formula("B1", "=A1+C1");
    formula("C1", formulas[i]);
    circles.push_back({"c" + std::to_string(i) + "!C1"});
  }
  engine().load();
  ASSERT_NO_THROW(engine().recalculate_all());
  EXPECT_EQ(engine().cycles(), circles);
  for (std::size_t i = 0; i < std::size(formulas); ++i) {
    SCOPED_TRACE(formulas[i]);
    sheet = book->sheets()[2 + i];
    EXPECT_EQ(at("C1"), error_value(kErrCircularReference));
    EXPECT_EQ(sheet->find(2, 3), nullptr);  // nothing spilled below it
  }
}

TEST_F(FormulaTest, ABlockedSpillStaysASpillErrorAndASpillBesideWhatItReadsSpills) {
  set("A1", 1.0);
  set("A2", 2.0);
  formula("B1", "=A1:A2*D2");  // would spill onto B2 only: D2 is read but not covered
  formula("C4", "=A1:B2");     // would cover C5, which holds a value: #SPILL!, not a circle
  set("C5", "in the way");
  engine().load();
  engine().recalculate_all();
  EXPECT_EQ(at("B2"), kx::Value(0.0));
  EXPECT_EQ(at("C4"), error_value(kErrSpill));
  EXPECT_TRUE(engine().cycles().empty());
}

TEST_F(FormulaTest, ArraysOfTextStopAtTheTextLimit) {
  // 2,300 copies of a 30,000-character text pass 64 MB; a million of them would take 30 GB.
  const char* formulas[] = {
      "SEQUENCE(2300)&REPT(\"x\",30000)",
      "REPT(\"x\",SEQUENCE(2300)*0+30000)",
      "IFERROR(SEQUENCE(2300)/0,REPT(\"x\",30000))",
      "EXPAND(1,2300,1,REPT(\"x\",30000))",
      "CHOOSEROWS(REPT(\"x\",30000),SEQUENCE(2300)*0+1)",
      "MAP(SEQUENCE(2300),LAMBDA(n,REPT(\"x\",30000)))",
      "MAKEARRAY(2300,1,LAMBDA(r,c,REPT(\"x\",30000)))",
      "SCAN(\"\",SEQUENCE(2300),LAMBDA(a,n,REPT(\"x\",30000)))",
      "BYROW(SEQUENCE(2300),LAMBDA(n,REPT(\"x\",30000)))",
      "LET(t,REPT(\"x\",SEQUENCE(1500)*0+30000),VSTACK(t,t))",  // each under the limit, together over
      "WRAPROWS(SEQUENCE(2301),2300,REPT(\"x\",30000))",
      "TEXTSPLIT(\"a,b;\"&REPT(\";\",2300),\",\",\";\",,,REPT(\"x\",30000))",
  };
  engine().load();
  for (const char* text : formulas) {
    SCOPED_TRACE(text);
    const auto evaluation = engine().evaluate(text);
    ASSERT_TRUE(evaluation.failure);
    EXPECT_NE(evaluation.failure->message.find("64 MB of text"), std::string::npos) << evaluation.failure->message;
  }
  // Under the limit the same functions build their arrays.
  EXPECT_EQ(engine().evaluate("ROWS(REPT(\"x\",SEQUENCE(2000)*0+30000))").value, kx::Value(2000.0));
}

}  // namespace
}  // namespace host::testing
