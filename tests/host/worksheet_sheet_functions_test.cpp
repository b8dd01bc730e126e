// The worksheet functions formulas reach by name, against values LibreOffice computed for the
// same formulas over the same cells (tests/data/make_sheet_functions.py), and the properties
// of those that have no fixed value.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "common/conversions.hpp"
#include "tests/host/formula_test_support.hpp"

namespace host::testing {
namespace {

using kx::Value;

struct ReferenceCase {
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
  std::vector<ReferenceCase> load(const std::string& name) {
    std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/" + name);
    std::vector<ReferenceCase> cases;
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
};

TEST_F(SheetFunctionReferences, AgreeWithTheReferenceSpreadsheet) {
  // LibreOffice prints 15 significant digits; iterative rates settle within a few more ulp.
  constexpr double kRelativeTolerance = 2e-13;
  const auto cases = load("sheet_functions.tsv");
  ASSERT_GE(cases.size(), 150u);
  for (const ReferenceCase& reference : cases) {
    SCOPED_TRACE(reference.formula);
    const Value result = eval(reference.formula);
    const Value expected = value_of(reference.expected);
    if (!expected.is_number()) {
      EXPECT_EQ(result, expected) << kx::display_text(result);
      continue;
    }
    ASSERT_TRUE(result.is_number()) << kx::display_text(result);
    EXPECT_NEAR(result.number(), expected.number(), kRelativeTolerance * std::max(1.0, std::fabs(expected.number())));
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

}  // namespace
}  // namespace host::testing
