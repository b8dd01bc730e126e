// The worksheet functions formulas reach by name, against values LibreOffice computed for the
// same formulas over the same cells (tests/data/make_sheet_functions.py), and the properties
// of those that have no fixed value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "common/conversions.hpp"
#include "tests/host/formula_test_support.hpp"

namespace host::testing {
namespace {

using kx::Value;

struct SheetFunctionCase {
  std::string formula;
  std::string expected;
};

// "text" in quotes, TRUE/FALSE, ERR:n or a number.
Value value_of(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
  if (text == "TRUE") return true;
  if (text == "FALSE") return false;
  if (text.rfind("ERR:", 0) == 0) return error_value(std::stoi(text.substr(4)));
  return std::stod(text);
}

class SheetFunctionReferences : public FormulaTest {
 protected:
  std::vector<SheetFunctionCase> load(const std::string& name) {
    std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/" + name);
    std::vector<SheetFunctionCase> cases;
    std::string line;
    std::getline(file, line);  // header
    while (std::getline(file, line)) {
      const std::size_t tab = line.find('\t');
      if (tab == std::string::npos) continue;
      if (line[0] == '@') {
        set(line.substr(1, tab - 1), value_of(line.substr(tab + 1)));
        continue;
      }
      cases.push_back({line.substr(0, tab), line.substr(tab + 1)});
    }
    return cases;
  }

  void check(const std::vector<SheetFunctionCase>& cases) {
    // LibreOffice prints 15 significant digits; iterative rates settle within a few more ulp.
    constexpr double kRelativeTolerance = 2e-13;
    for (const SheetFunctionCase& reference : cases) {
      SCOPED_TRACE(reference.formula);
      const Value result = eval(reference.formula);
      const Value expected = value_of(reference.expected);
      if (!expected.is_number()) {
        EXPECT_EQ(result, expected) << kx::display_text(result) << " where " << reference.expected << " was expected";
        continue;
      }
      ASSERT_TRUE(result.is_number()) << kx::display_text(result) << " where " << reference.expected << " was expected";
      EXPECT_NEAR(result.number(), expected.number(), kRelativeTolerance * std::max(1.0, std::fabs(expected.number())));
    }
  }
};

TEST_F(SheetFunctionReferences, AgreeWithTheReferenceSpreadsheet) {
  const auto cases = load("sheet_functions.tsv");
  ASSERT_GE(cases.size(), 150u);
  check(cases);
}

// The families added beside the first tables, each against LibreOffice and Gnumeric
// (tests/data/make_function_families.py), their disagreements settled by the documented behaviour.
TEST_F(SheetFunctionReferences, FamiliesAgreeWithTheReferenceSpreadsheets) {
  const char* const families[] = {"trigonometry",
                                  "number_theory",
                                  "rounding",
                                  "special",
                                  "engineering",
                                  "complex_numbers",
                                  "descriptive_statistics",
                                  "distribution_forms",
                                  "information",
                                  "database",
                                  "financial_schedules",
                                  "text_conversions",
                                  "text_splitting",
                                  "array_shaping",
                                  "securities",
                                  "dates",
                                  "argument_rules",
                                  "solvers",
                                  "matrices_and_subtotals",
                                  "text_formats",
                                  "unit_conversion",
                                  "lambdas"};
  for (const char* family : families) {
    SCOPED_TRACE(family);
    const auto cases = load(std::string("function_families/") + family + ".tsv");
    ASSERT_GE(cases.size(), 15u);
    check(cases);
  }
}

TEST_F(FormulaTest, RandomNumbersStayInTheirRangeAndMarkTheirCellVolatile) {
  formula("A1", "RAND()");
  formula("A2", "RANDBETWEEN(-2,3.5)");
  engine().load();
  for (int i = 0; i < 200; ++i) {
    engine().recalculate();
    ASSERT_TRUE(at("A1").is_number());
    EXPECT_GT(at("A1").number(), 0.0);
    EXPECT_LT(at("A1").number(), 1.0);
    const double whole = at("A2").number();
    EXPECT_EQ(whole, std::floor(whole));
    EXPECT_GE(whole, -2.0);
    EXPECT_LE(whole, 3.0);
  }
  EXPECT_TRUE(application->is_volatile({sheet.get(), 1, 1}));
  EXPECT_EQ(eval("RANDBETWEEN(3,2)"), error_value(kx::error::kXlNum));
}

TEST_F(FormulaTest, RandomArraysHaveTheirShapeAndBounds) {
  for (int i = 0; i < 50; ++i) {
    const Value drawn = eval("RANDARRAY(3,4,-2,5,TRUE)");
    ASSERT_TRUE(drawn.is_array());
    ASSERT_EQ(drawn.array().rows(), 3u);
    ASSERT_EQ(drawn.array().columns(), 4u);
    for (const Value& cell : drawn.array().values()) {
      ASSERT_TRUE(cell.is_number());
      EXPECT_EQ(cell.number(), std::floor(cell.number()));
      EXPECT_GE(cell.number(), -2.0);
      EXPECT_LE(cell.number(), 5.0);
    }
    const Value fraction = eval("RANDARRAY()");
    ASSERT_TRUE(fraction.is_array());
    EXPECT_GE(fraction.array().at(0).number(), 0.0);
    EXPECT_LT(fraction.array().at(0).number(), 1.0);
  }
  EXPECT_EQ(eval("RANDARRAY(2,2,5,1)"), error_value(kx::error::kXlValue));
  EXPECT_EQ(eval("RANDARRAY(0)"), error_value(kx::error::kXlValue));
}

TEST_F(FormulaTest, ExactLookupsSeeCellsWrittenAfterTheirIndexWasBuilt) {
  for (int row = 1; row <= 100; ++row) sheet->set_value(row, 1, static_cast<double>(row * 10));
  EXPECT_EQ(eval("MATCH(500,A1:A100,0)"), Value(50.0));
  set("A7", 500.0);  // now the first 500
  EXPECT_EQ(eval("MATCH(500,A1:A100,0)"), Value(7.0));
  set("A7", Value());
  EXPECT_EQ(eval("MATCH(70,A1:A100,0)"), error_value(kx::error::kXlNA));
  EXPECT_EQ(eval("XLOOKUP(990,A1:A100,A1:A100)"), Value(990.0));
}

TEST_F(FormulaTest, BadCallsGiveTheSpreadsheetsErrorValues) {
  struct Case {
    const char* formula;
    std::int32_t error;
  };
  const Case cases[] = {
      {"INDIRECT(\"Nowhere!A1\")", kx::error::kXlRef},
      {"INDIRECT(123)", kx::error::kXlRef},
      {"OFFSET(5,1,1)", kx::error::kXlValue},
      {"VLOOKUP(1,A1:B2,0)", kx::error::kXlValue},
      {"IFS(TRUE)", kx::error::kXlValue},
      {"XLOOKUP(1,A1:A3,B1:B4)", kx::error::kXlValue},
      {"RATE(10,-100,800,0,0,-5)", kx::error::kXlNum},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formula);
    formula("H1", c.formula);  // in a cell, where a wrong argument count is a value too
    engine().load();
    engine().recalculate();
    EXPECT_EQ(at("H1"), error_value(c.error));
  }
}

TEST_F(FormulaTest, DynamicArraysSpillTheirShape) {
  set("A1", 3.0);
  set("A2", 1.0);
  set("A3", 3.0);
  set("A4", 2.0);
  set("B1", "c");
  set("B2", "a");
  set("B3", "c");
  set("B4", "b");
  struct Case {
    const char* formula;
    Value expected;
  };
  const Case cases[] = {
      {"SEQUENCE(2,3,0,2)", array_of({{0.0, 2.0, 4.0}, {6.0, 8.0, 10.0}})},
      {"SORT(A1:B4)", array_of({{1.0, "a"}, {2.0, "b"}, {3.0, "c"}, {3.0, "c"}})},
      {"SORT(A1:B4,2,-1)", array_of({{3.0, "c"}, {3.0, "c"}, {2.0, "b"}, {1.0, "a"}})},
      {"UNIQUE(A1:B4)", array_of({{3.0, "c"}, {1.0, "a"}, {2.0, "b"}})},
      {"UNIQUE(A1:A4,,TRUE)", array_of({{1.0}, {2.0}})},
      {"FILTER(B1:B4,A1:A4>1)", array_of({{"c"}, {"c"}, {"b"}})},
      {"FILTER(A1:A4,A1:A4>5,\"none\")", Value("none")},
      {"FILTER(A1:A4,A1:A4>5)", error_value(kx::error::kXlValue)},
      {"SEQUENCE(0)", error_value(kx::error::kXlValue)},
      {"LET(n,A1:A4,total,SUM(n),total/COUNT(n))", Value(2.25)},
      {"LET(x,2,x,x+1,x*10)", Value(30.0)},
      {"ROW(A2:A3)", array_of({{2.0}, {3.0}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formula);
    EXPECT_EQ(eval(c.formula), c.expected) << kx::display_text(eval(c.formula));
  }
}

TEST_F(FormulaTest, ArraysAFunctionBuildsStayWithinTheFormulasBudget) {
  engine().load();
  const auto evaluation = engine().evaluate("SUM(SEQUENCE(2000,2000))");
  EXPECT_EQ(evaluation.value, error_value(kx::error::kXlNum));
  ASSERT_TRUE(evaluation.failure.has_value());
  EXPECT_EQ(evaluation.failure->number, kx::error::kOutOfMemory);
}

TEST_F(FormulaTest, TodayAndNowAreVolatileDatesOfThisCentury) {
  formula("A1", "TODAY()");
  formula("A2", "NOW()-TODAY()");
  engine().load();
  engine().recalculate();
  EXPECT_GT(at("A1").number(), 45000.0);  // after 2023
  EXPECT_EQ(at("A1").number(), std::floor(at("A1").number()));
  EXPECT_GE(at("A2").number(), 0.0);
  EXPECT_LT(at("A2").number(), 1.0);
  EXPECT_TRUE(application->is_volatile({sheet.get(), 1, 1}));
}

TEST_F(FormulaTest, TheFunctionTableListsEveryWorksheetFunctionWithItsParameters) {
  const auto listed = engine().functions().spreadsheet_functions();
  ASSERT_GT(listed.size(), 200u);
  for (const char* name : {"VLOOKUP", "XLOOKUP", "NORM.DIST", "NORMDIST", "SUMIFS", "TEXT", "LET", "IF", "ROW"}) {
    SCOPED_TRACE(name);
    const auto found = std::find_if(listed.begin(), listed.end(), [&](const Function* f) { return f->name == name; });
    ASSERT_NE(found, listed.end());
    EXPECT_FALSE((*found)->parameters.empty());
  }
  EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end(),
                             [](const Function* a, const Function* b) { return a->name < b->name; }));
}

}  // namespace
}  // namespace host::testing
