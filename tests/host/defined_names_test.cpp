// Defined names: read from the workbooks made by tests/data/make_defined_names.py and checked
// against LibreOffice's values, and bound by the engine with their scopes, their dependency
// order and their failures.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "formula_test_support.hpp"
#include "host/files/workbook_files.hpp"

namespace host::testing {
namespace {

using kx::Value;
namespace error = kx::error;

struct FileCase {
  std::string sheet;
  std::string cell;
  std::string expected;  // a number or ERR:n
};

std::vector<FileCase> load_file_cases() {
  std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/defined_names.tsv");
  std::vector<FileCase> cases;
  std::string line;
  std::getline(file, line);  // header
  while (std::getline(file, line)) {
    std::istringstream fields(line);
    FileCase entry;
    std::string formula;
    std::getline(fields, entry.sheet, '\t');
    std::getline(fields, entry.cell, '\t');
    std::getline(fields, formula, '\t');
    std::getline(fields, entry.expected, '\t');
    cases.push_back(entry);
  }
  return cases;
}

void expect_value(const Value& actual, const std::string& expected) {
  if (expected.starts_with("ERR:")) {
    EXPECT_EQ(actual, Value(kx::ErrorValue{std::stoi(expected.substr(4))}));
    return;
  }
  ASSERT_TRUE(actual.is_number());
  const double number = std::stod(expected);
  EXPECT_NEAR(actual.number(), number, 1e-12 * std::max(1.0, std::fabs(number)));
}

const Value& value_at(const Book& book, const std::string& sheet, const std::string& cell) {
  const auto area = parse_address(cell);
  return book.sheet(sheet)->value(area->top, area->left);
}

TEST(DefinedNamesFiles, EvaluateAsLibreOfficeDoes) {
  const auto cases = load_file_cases();
  ASSERT_GE(cases.size(), 10u);
  for (const std::string file : {"defined_names.xlsx", "defined_names.ods"}) {
    SCOPED_TRACE(file);
    const auto application = Spreadsheet::create();
    const auto book = load_workbook(std::string(KX_TEST_DATA_DIR) + "/" + file);
    application->add_book(book);
    ASSERT_NE(book->find_name("Scale", nullptr), nullptr);
    ASSERT_NE(book->find_name("Here", book->sheet("Model").get()), nullptr);
    EXPECT_EQ(book->find_name("Here", book->sheet("Inputs").get()), nullptr);
    FormulaEngine engine(application);
    engine.load();
    engine.recalculate_all();
    for (const FileCase& entry : cases) {
      SCOPED_TRACE(entry.sheet + "!" + entry.cell);
      expect_value(value_at(*book, entry.sheet, entry.cell), entry.expected);
    }
    // Inputs!B3 reads Model!B1 through a name, so it is computed after it.
    book->sheet("Model")->set_formula(1, 2, "3+5");
    engine.load();
    engine.recalculate();
    expect_value(value_at(*book, "Inputs", "B3"), "24");
  }
}

TEST(DefinedNames, ValidNames) {
  const struct {
    std::string_view name;
    bool valid;
  } cases[] = {
      {"Rate", true},      {"_growth.2024", true}, {"\\x", true},   {"Ünit", true}, {"A1", false},
      {"LOG10", false},    {"TRUE", false},        {"1abc", false}, {"a b", false}, {"", false},
      {"Sheet1!A", false}, {"ABC", true},          {"x$", false},
  };
  for (const auto& entry : cases) {
    SCOPED_TRACE(entry.name);
    EXPECT_EQ(is_valid_defined_name(entry.name), entry.valid);
  }
  const auto book = Book::create("book.xlsx");
  EXPECT_THROW(book->define_name("B2", "1"), kx::Failure);
}

class DefinedNamesTest : public FormulaTest {
 protected:
  DefinedNamesTest() {
    set("A1", 10.0);
    set("A2", 20.0);
    set("A3", 30.0);
    data->set_value(1, 1, 5.0);
    book->define_name("Column", "Sheet1!$A$1:$A$3");
    book->define_name("First", "=Sheet1!$A$1");
    book->define_name("Rate", "0.5");
    book->define_name("Total", "SUM(Column)*Rate");
    book->define_name("Local", "'My data'!$A$1", data.get());
    book->define_name("Rate", "2", data.get());
    book->define_name("Ring", "Ring+1");
    book->define_name("Ping", "Pong*2");
    book->define_name("Pong", "Ping");
    book->define_name("Lost", "Gone!$A$1");
    book->define_name("Deleted", "Sheet1!#REF!");
    book->define_name("Words", "\"a text\"");
  }
};

TEST_F(DefinedNamesTest, Evaluate) {
  const struct {
    std::string formula;
    Value expected;
  } cases[] = {
      {"=SUM(Column)", 60.0},
      {"=First+1", 11.0},
      {"=Total", 30.0},
      {"=ROWS(Column)", 3.0},
      {"=INDEX(Column,3)", 30.0},
      {"=MATCH(20,Column,0)", 2.0},
      {"=column", 10.0},  // spills down from C1
      {"=Words", "a text"},
      {"=LET(Rate,3,Rate*2)", 6.0},  // LET's name wins inside it
      {"='My data'!Rate", 2.0},      // the sheet's own name
      {"='My data'!Local*2", 10.0},
      {"=NoSuchName", error_value(error::kXlName)},
      {"=Ring", error_value(error::kXlName)},
      {"=Ping", error_value(error::kXlName)},
      {"=Lost", error_value(error::kXlRef)},
      {"=Deleted", error_value(error::kXlRef)},
      {"=#REF!+1", error_value(error::kXlRef)},
      {"=SUM(#REF!)", error_value(error::kXlRef)},
      {"=Sheet1!#REF!", error_value(error::kXlRef)},
      {"='My data'!#REF!*2", error_value(error::kXlRef)},
      {"=IFERROR(Sheet1!#REF!,7)", 7.0},
  };
  for (const auto& entry : cases) {
    SCOPED_TRACE(entry.formula);
    formula("C1", entry.formula);
    engine().load();
    engine().recalculate();
    EXPECT_EQ(at("C1"), entry.expected);
  }
  // Outside any cell, as `kx eval NAME` asks: names of the active workbook's first sheet.
  engine().load();
  EXPECT_EQ(engine().evaluate("Total").value, Value(30.0));
  EXPECT_EQ(engine().evaluate("Rate").value, Value(0.5));
}

TEST_F(DefinedNamesTest, ProblemsNameTheDefinition) {
  engine().load();
  std::vector<std::string> labels;
  for (const auto& problem : engine().problems()) labels.push_back(problem.cell);
  EXPECT_EQ(labels, (std::vector<std::string>{"Lost", "Pong", "Ring"}));
}

TEST_F(DefinedNamesTest, CellsAreComputedAfterTheCellsTheirNamesRead) {
  // B1 comes first in reading order but reads C5 through a name.
  book->define_name("Late", "Sheet1!$C$5");
  formula("B1", "=Late*2");
  formula("C5", "=A1+1");
  engine().load();
  engine().recalculate();
  EXPECT_EQ(at("B1"), Value(22.0));
  set("A1", 100.0);
  engine().load();
  engine().recalculate();
  EXPECT_EQ(at("B1"), Value(202.0));
}

}  // namespace
}  // namespace host::testing
