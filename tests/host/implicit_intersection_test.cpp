// Legacy formulas, saved before dynamic arrays, take one cell of a range where one value is
// expected; formulas typed today spill.
#include <gtest/gtest.h>

#include <cmath>

#include "common/conversions.hpp"
#include "tests/host/formula_test_support.hpp"

namespace host::testing {
namespace {

using kx::Value;

class ImplicitIntersection : public FormulaTest {
 protected:
  void legacy(std::string_view address, std::string text) {
    formula(address, std::move(text));
    const auto area = parse_address(address);
    sheet->cell(area->top, area->left).intersects = true;
  }
};

TEST_F(ImplicitIntersection, ARangeWhereOneValueIsExpectedGivesTheCellInTheFormulasRowOrColumn) {
  for (int row = 1; row <= 10; ++row) set("A" + std::to_string(row), Value(static_cast<double>(row)));
  for (const char* column : {"B", "C", "D", "E"}) set(std::string(column) + "20", Value((column[0] - 'A') * 10.0));
  set("A11", Value(std::string()));
  struct Case {
    const char* cell;
    const char* formula;
    Value expected;
  };
  const Case cases[] = {
      {"C4", "A1:A10*2", Value(8.0)},
      {"C12", "A1:A10*2", error_value(kx::error::kXlValue)},  // no cell of the range in row 12
      {"C3", "A:A+0", Value(3.0)},                             // a whole column
      {"C15", "A:A+0", Value(0.0)},                            // its blank cell below the used rows
      {"C22", "B20:E20+1", Value(21.0)},                       // a row of cells: the formula's column
      {"F22", "B20:E20+1", error_value(kx::error::kXlValue)},
      {"C5", "-A1:A10", Value(-5.0)},
      {"C6", "SQRT(A1:A10)", Value(std::sqrt(6.0))},  // a parameter of one number
      {"C9", "kxTWICE(A1:A10)", Value(18.0)},         // a component's parameter of a scalar type
      {"C7", "IF(A1:A10>5,\"big\",\"small\")", Value("big")},
      {"C2", "{7,8,9}*2", Value(14.0)},                // an array shows its first value
      // Functions that read ranges and arrays read them whole.
      {"C10", "SUM(A1:A10)", Value(55.0)},
      {"C13", "SUMPRODUCT((A1:A10>5)*A1:A10)", Value(40.0)},
      {"C14", "kxKIND(A1:A10)", Value("range 10 1")},
      {"C16", "ROWS(A1:A10)", Value(10.0)},
      // An empty text is a text, not a blank.
      {"C17", "ISBLANK(A11)", Value(false)},
      {"C18", "COUNTA(A1:A11)", Value(11.0)},
  };
  for (const Case& c : cases) legacy(c.cell, c.formula);
  // Typed today, the same formula spills.
  formula("H4", "A1:A10*2");
  engine().load();
  engine().recalculate();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.cell) + " =" + c.formula);
    EXPECT_EQ(at(c.cell), c.expected) << kx::display_text(at(c.cell));
  }
  EXPECT_EQ(at("H4"), Value(2.0));
  EXPECT_EQ(at("H13"), Value(20.0));
}

}  // namespace
}  // namespace host::testing
