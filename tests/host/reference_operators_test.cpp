// The reference operators: intersection (a blank between references) and union (a comma
// inside parentheses), checked against LibreOffice's values (tests/data/reference_operators.tsv,
// made by make_reference_operators.py), and where blanks stay mere blanks.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/host/formula_test_support.hpp"

namespace host::testing {
namespace {

using kx::Value;

class ReferenceOperators : public FormulaTest {
 protected:
  ReferenceOperators() {
    for (int row = 1; row <= 4; ++row) {
      for (int column = 1; column <= 4; ++column) sheet->set_value(row, column, (row - 1) * 4.0 + column);
    }
  }

  Value in_cell(const std::string& text) {
    formula("F1", text);
    engine().load();
    engine().recalculate();
    return at("F1");
  }
};

TEST_F(ReferenceOperators, AgreeWithLibreOffice) {
  std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/reference_operators.tsv");
  std::string line;
  std::getline(file, line);  // header
  int count = 0;
  while (std::getline(file, line)) {
    const std::size_t tab = line.find('\t');
    const std::string text = line.substr(0, tab);
    const std::string expected = line.substr(tab + 1);
    SCOPED_TRACE(text);
    const Value value = in_cell(text);
    if (expected.starts_with("ERR:")) {
      EXPECT_EQ(value, Value(kx::ErrorValue{std::stoi(expected.substr(4))}));
    } else {
      EXPECT_EQ(value, Value(std::stod(expected)));
    }
    ++count;
  }
  EXPECT_GE(count, 20);
}

TEST_F(ReferenceOperators, BlanksElsewhereAreNoOperator) {
  book->define_name("Second", "Sheet1!$B$1:$B$4");
  const struct {
    const char* formula;
    Value expected;
  } cases[] = {
      {"= A1 + B1 ", 3.0},
      {"=SUM( A1:A2 , B1 )", 8.0},
      {"=( A1 )*2", 2.0},
      {"=IF(A1 = 1, B1, C1)", 2.0},
      {"=Second A3:D3", 10.0},
      {"=SUM(Second A1:D2)", 8.0},
      {"=SUM((Second,A1))", 33.0},
      {"=A1 \n B1:B2", kx::ErrorValue{kx::error::kXlNull}},
      {"=A1 (A1:B2)", 1.0},
      {"=Second (A1:B2)", kx::ErrorValue{kx::error::kXlName}},  // read as a call with a stray blank
      {"=1 A1", kx::ErrorValue{kx::error::kXlName}},  // no reference before the blank: no formula
      {"=(A1,B1)", kx::ErrorValue{kx::error::kXlValue}},
      {"=kxTWICE((A1,B1))", kx::ErrorValue{kx::error::kXlValue}},
  };
  for (const auto& entry : cases) {
    SCOPED_TRACE(entry.formula);
    EXPECT_EQ(in_cell(entry.formula), entry.expected);
  }
}

// A1:IF(...,C3,...) covers B2 and B3, which the formula never names: a formula there is
// computed first, though it comes later in reading order.
TEST_F(ReferenceOperators, ARangeOperatorReadsTheCellsBetweenItsReferencesAfterTheirFormulas) {
  const struct {
    const char* between;
    const char* formula;
    Value expected;
  } cases[] = {
      {"=A1*100", "=SUM(A1:IF(A1>0,C3,D4))", 1.0 + 2 + 3 + 5 + 6 + 7 + 9 + 100 + 11},
      {"=A1*100", "=SUM(CHOOSE(2,A1,A2):CHOOSE(1,C3,D4))", 5.0 + 6 + 7 + 9 + 100 + 11},
      {"=A1*100", "=SUM(C3:INDEX(A1:A4,1))", 1.0 + 2 + 3 + 5 + 6 + 7 + 9 + 100 + 11},
      {"=\"x\"", "=COUNTA(A1:IF(TRUE,C3))", 9.0},
  };
  for (const auto& entry : cases) {
    SCOPED_TRACE(entry.formula);
    formula("B3", entry.between);
    EXPECT_EQ(in_cell(entry.formula), entry.expected);
  }
}

TEST_F(ReferenceOperators, ARangeOperatorNeedsAReferenceOnBothSides) {
  const struct {
    const char* formula;
    Value expected;
  } cases[] = {
      {"=SUM(A1:IF(FALSE,B2))", kx::ErrorValue{kx::error::kXlValue}},
      {"=SUM(A1:INDEX({1,2},1))", kx::ErrorValue{kx::error::kXlValue}},
      {"=SUM(A1:'My data'!B2)", kx::ErrorValue{kx::error::kXlValue}},
      {"=SUM(A1:INDEX(A1:B2,3,1))", kx::ErrorValue{kx::error::kXlRef}},
      {"=SUM(A1:LOG10(100))", kx::ErrorValue{kx::error::kXlValue}},
      {"=SUM(A1:B1:A2)", 1.0 + 2 + 5 + 6},
  };
  for (const auto& entry : cases) {
    SCOPED_TRACE(entry.formula);
    EXPECT_EQ(in_cell(entry.formula), entry.expected);
  }
}

}  // namespace
}  // namespace host::testing
