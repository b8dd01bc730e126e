// Recalculation: dependency order, what a recalculation computes, volatile cells, circular
// references, and array results spilling into the cells around them.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/formula/formula_errors.hpp"
#include "tests/host/formula_test_support.hpp"

namespace host::testing {
namespace {

using kx::Value;

TEST_F(FormulaTest, CellsAreComputedAfterWhatTheyReadWhateverOrderTheyWereWritten) {
  // B1 reads B2 reads B3; column A counts up; C1 reads both columns.
  formula("B1", "=B2*2");
  formula("B2", "=B3*2");
  formula("B3", "=1");
  for (int row = 10; row >= 2; --row) formula(fmt::format("A{}", row), fmt::format("=A{}+1", row - 1));
  set("A1", 1.0);
  formula("C1", "=SUM(A1:A10)+B1");
  engine().load();
  engine().recalculate();
  EXPECT_EQ(at("B1"), Value(4.0));
  EXPECT_EQ(at("A10"), Value(10.0));
  EXPECT_EQ(at("C1"), Value(59.0));
  EXPECT_TRUE(engine().cycles().empty());
}

TEST_F(FormulaTest, ARecalculationComputesVolatileCellsAndWhatReadsThem) {
  formula("A1", "=kxTICK()");     // volatile
  formula("A2", "=A1*10");        // reads a volatile cell
  formula("A3", "=kxCOUNT(A2)");  // counts its computations
  formula("B1", "=kxCOUNT(7)");   // reads nothing volatile
  engine().load();
  engine().recalculate();
  EXPECT_EQ(at("A2"), Value(10.0));
  EXPECT_EQ(probe->counted, 2);
  EXPECT_TRUE(application->is_volatile({sheet.get(), 1, 1}));
  EXPECT_FALSE(application->is_volatile({sheet.get(), 2, 1}));
  EXPECT_FALSE(application->calling_cell());

  for (int pass = 2; pass <= 4; ++pass) {
    SCOPED_TRACE(pass);
    engine().recalculate();
    EXPECT_EQ(at("A1"), Value(static_cast<double>(pass)));
    EXPECT_EQ(at("A2"), Value(10.0 * pass));
  }
  EXPECT_EQ(probe->counted, 2 + 3);  // A3 each time, B1 never again

  engine().recalculate_all();
  EXPECT_EQ(probe->counted, 2 + 3 + 2);
}

TEST_F(FormulaTest, AFormulaEvaluatedOutsideACellMarksNoCellVolatile) {
  engine().load();
  EXPECT_EQ(engine().evaluate("kxTICK()").value, Value(1.0));
  EXPECT_TRUE(application->volatile_cells().empty());
}

TEST_F(FormulaTest, CircularReferencesAreReportedWithTheirCells) {
  formula("A1", "=B1+1");
  formula("B1", "=A1+1");
  formula("C1", "=A1*2");  // reads a cycle without being on it
  formula("D1", "=D1");    // reads itself
  formula("E1", "=SUM(E1:E3)");
  formula("F1", "=1");
  engine().load();
  engine().recalculate();
  const std::vector<std::vector<std::string>> expected = {{"Sheet1!A1", "Sheet1!B1"}, {"Sheet1!D1"}, {"Sheet1!E1"}};
  EXPECT_EQ(engine().cycles(), expected);
  const Value circular = error_value(kErrCircularReference);
  for (const char* cell : {"A1", "B1", "C1", "D1", "E1"}) {
    SCOPED_TRACE(cell);
    EXPECT_EQ(at(cell), circular);
  }
  EXPECT_EQ(at("F1"), Value(1.0));
}

TEST_F(FormulaTest, CellsThatOnlySeemCircularAreComputedInTheOrderTheirValuesAllow) {
  // A schedule: each task starts the day after the task it names ends, looked up in the column
  // of ends that its own row's end is in. Task a follows c, c follows b.
  const char* const ids[] = {"a", "b", "c"};
  const char* const after[] = {"c", "", "b"};
  for (int row = 1; row <= 3; ++row) {
    set(fmt::format("A{}", row), ids[row - 1]);
    set(fmt::format("E{}", row), after[row - 1]);
    formula(fmt::format("C{}", row), fmt::format("=IF(E{0}=\"\",1,INDEX($D$1:$D$3,MATCH(E{0},$A$1:$A$3,0))+1)", row));
    formula(fmt::format("D{}", row), fmt::format("=C{0}+B{0}", row));
  }
  set("B1", 2.0);
  formula("B2", "=kxTICK()");  // 1, 2, ... days: a volatile duration
  set("B3", 3.0);
  formula("F1", "=MAX(D1:D3)");
  engine().load();
  for (double tick = 1; tick <= 2; ++tick) {
    SCOPED_TRACE(tick);
    engine().recalculate();
    EXPECT_TRUE(engine().cycles().empty());
    EXPECT_EQ(at("D2"), Value(1 + tick));
    EXPECT_EQ(at("C3"), Value(2 + tick));
    EXPECT_EQ(at("C1"), Value(6 + tick));
    EXPECT_EQ(at("F1"), Value(8 + tick));
  }

  set("E2", "a");  // now a true circle: a follows c follows b follows a
  engine().load();
  engine().recalculate();
  const std::vector<std::vector<std::string>> expected = {
      {"Sheet1!C1", "Sheet1!D1", "Sheet1!C2", "Sheet1!D2", "Sheet1!C3", "Sheet1!D3"}};
  EXPECT_EQ(engine().cycles(), expected);
  for (const char* cell : {"C1", "D2", "C3", "F1"}) {
    SCOPED_TRACE(cell);
    EXPECT_EQ(at(cell), error_value(kErrCircularReference));
  }
  engine().recalculate();  // B2 ticks on: the circle is settled again, and stays one
  EXPECT_EQ(engine().cycles(), expected);
  EXPECT_EQ(at("D2"), error_value(kErrCircularReference));
}

TEST_F(FormulaTest, ARangeReadsNoFormulaAboveItInALaterColumn) {
  // C1 reads A3:D5 and B1 reads C1: B1 lies above the range, in a column after its first, and
  // was once taken as inside it, which made the two a circle that block runs then refused.
  formula("C1", "=SUM(A3:D5)");
  formula("B1", "=C1*2");
  formula("D4", "=A3+1");
  formula("A3", "=kxTICK()");
  engine().load();
  engine().recalculate();
  EXPECT_EQ(at("B1"), Value(6.0));  // 2 × (1 + 2)
  const auto cells = engine().computed_cells();
  ASSERT_TRUE(cells.has_value());
  std::vector<std::int32_t> columns;
  for (const auto& cell : *cells) columns.push_back(cell.column);
  EXPECT_EQ(columns, (std::vector<std::int32_t>{1, 4, 3, 2}));  // A3, D4, C1, then B1
}

TEST_F(FormulaTest, LongChainsAndLongCyclesNeedNoDeepRecursion) {
  constexpr int kLength = 100000;
  sheet->set_value(1, 1, 1.0);
  for (int row = 2; row <= kLength; ++row) sheet->set_formula(row, 1, "=A" + std::to_string(row - 1) + "+1");
  // Column B is one long circle.
  for (int row = 1; row <= kLength; ++row) sheet->set_formula(row, 2, "=B" + std::to_string(row % kLength + 1));
  engine().load();
  engine().recalculate();
  EXPECT_EQ(sheet->value(kLength, 1), Value(static_cast<double>(kLength)));
  ASSERT_EQ(engine().cycles().size(), 1u);
  EXPECT_EQ(engine().cycles()[0].size(), static_cast<std::size_t>(kLength));
}

TEST_F(FormulaTest, ArrayResultsSpillAndTheirReadersFollow) {
  formula("A1", "=SUM(C1:C2)");  // reads spilled cells only, and comes first in reading order
  formula("B1", "={1,2;3,4}");
  formula("E5", "=kxSEQUENCE(3,1)");
  formula("A9", "=E7*100");
  engine().load();
  engine().recalculate();
  const struct {
    const char* cell;
    Value value;
  } cases[] = {{"B1", 1.0}, {"C1", 2.0}, {"B2", 3.0}, {"C2", 4.0},  {"A1", 6.0},
               {"E5", 1.0}, {"E6", 2.0}, {"E7", 3.0}, {"A9", 300.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cell);
    EXPECT_EQ(at(c.cell), c.value);
  }
}

TEST_F(FormulaTest, SpillsStopAtOccupiedCellsAndShrinkCleanly) {
  formula("F1", "={1;2}");
  set("F2", "in the way");
  formula("H1", "={1,2}");
  formula("G10", "=kxSEQUENCE(A20,1)");
  set("A20", 3.0);
  sheet->set_formula(kMaxRows, 3, "={1;2}");  // would reach past the last row
  engine().load();
  engine().recalculate();
  EXPECT_EQ(at("F1"), error_value(kErrSpill));
  EXPECT_EQ(at("F2"), Value("in the way"));
  EXPECT_EQ(at("I1"), Value(2.0));
  EXPECT_EQ(at("G12"), Value(3.0));
  EXPECT_EQ(sheet->value(kMaxRows, 3), error_value(kErrSpill));

  set("A20", 1.0);
  engine().recalculate_all();
  EXPECT_EQ(at("G10"), Value(1.0));
  EXPECT_EQ(sheet->find(11, 7), nullptr);
  EXPECT_EQ(sheet->find(12, 7), nullptr);

  set("F2", Value());  // the way is free now
  engine().recalculate_all();
  EXPECT_EQ(at("F1"), Value(1.0));
  EXPECT_EQ(at("F2"), Value(2.0));
}

TEST_F(FormulaTest, AFormulaOutsideACellKeepsItsArrayAndStoresNothing) {
  engine().load();
  const std::size_t cells = sheet->cell_count();
  EXPECT_EQ(engine().evaluate("{1,2;3,4}").value, array_of({{1.0, 2.0}, {3.0, 4.0}}));
  EXPECT_EQ(sheet->cell_count(), cells);
}

TEST_F(FormulaTest, ArithmeticSeesCellsWrittenAfterItFirstRan) {
  // Arithmetic keeps where each cell it reads lives: a cell written later, near others or far
  // from any, and a cell cleared, are read as they are now.
  set("A1", 1.0);
  formula("B1", "=A2*10+A1000+A1");
  engine().load();
  engine().recalculate_all();
  EXPECT_EQ(at("B1"), Value(1.0));
  set("A2", 5.0);
  set("A1000", 100.0);
  engine().recalculate_all();
  EXPECT_EQ(at("B1"), Value(151.0));
  sheet->clear(2, 1);
  set("A1", "text");
  engine().recalculate_all();
  EXPECT_EQ(at("B1"), Value(kx::ErrorValue{kx::error::kXlValue}));
}

TEST_F(FormulaTest, AReferenceGivenAsARangeCoversWhatItCoversNow) {
  // A reference's range object is kept from one recalculation to the next: a whole column's
  // must still grow with the sheet, and a formula loaded again gets its own reference's.
  set("A1", 1.0);
  formula("C1", "=kxKIND(A:A)");
  engine().load();
  engine().recalculate_all();
  EXPECT_EQ(at("C1"), Value("range 1 1"));
  set("A4", 4.0);
  engine().recalculate_all();
  EXPECT_EQ(at("C1"), Value("range 4 1"));
  formula("C1", "=kxKIND(A1:B2)");
  engine().load();
  engine().recalculate_all();
  EXPECT_EQ(at("C1"), Value("range 2 2"));
}

}  // namespace
}  // namespace host::testing
