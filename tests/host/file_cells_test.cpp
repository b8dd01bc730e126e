// Every kind of cell of .xlsx, .ods and .fods files, read as LibreOffice reads them
// (tests/data/file_cells.json, made by make_file_cells.py), and the cells the host cannot
// hold as written, said as warnings.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "common/conversions.hpp"
#include "host/document/address.hpp"
#include "host/document/spreadsheet.hpp"
#include "host/files/workbook_files.hpp"
#include "host/formula/formula_engine.hpp"

namespace host {
namespace {

using kx::Value;

const std::string kDataDir = KX_TEST_DATA_DIR;

Value reference_value(const nlohmann::json& cell) {
  const std::string kind = cell["kind"];
  if (kind == "number") return cell["value"].get<double>();
  if (kind == "boolean") return cell["value"].get<bool>();
  if (kind == "error") {
    const auto error = kx::error_named(cell["value"].get<std::string>());
    return error ? Value(*error) : Value("unknown error " + cell["value"].get<std::string>());
  }
  return cell["value"].get<std::string>();
}

// Where the host keeps more than LibreOffice: a cell it drops or reads as 0 keeps its text,
// TRUE stays a boolean (LibreOffice keeps 1), and a time alone in an .xlsx date cell, which
// the file format allows, is a time (LibreOffice 7.4 keeps the text).
struct Difference {
  const char* file;
  const char* cell;
  Value value;
};

const Difference kDifferences[] = {
    {"cells.xlsx", "B9", true},
    {"cells.xlsx", "C9", "7"},
    {"cells.xlsx", "E8", (13 * 3600 + 45 * 60 + 30) / 86400.0},
    {"cells.ods", "C9", true},
    {"cells.fods", "C9", true},
    {"cells.ods", "D8", "02/30/24"},
    {"cells.ods", "E9", "3+4i"},
    {"cells.fods", "D8", "02/30/24"},
    {"cells.fods", "E9", "3+4i"},
};

TEST(FileCells, ReadAsLibreOfficeReadsThem) {
  std::ifstream in(kDataDir + "/file_cells.json");
  ASSERT_TRUE(in);
  const auto files = nlohmann::json::parse(in);
  ASSERT_EQ(files.size(), 3u);
  for (const auto& [file, cells] : files.items()) {
    SCOPED_TRACE(file);
    // Formulas show what they compute, as in the spreadsheet.
    const auto application = Spreadsheet::create();
    const auto book = load_workbook(kDataDir + "/" + file);
    application->add_book(book);
    FormulaEngine engine(application);
    engine.load();
    engine.recalculate();
    // By sheet, then by cell.
    std::map<std::string, std::map<std::string, Value>> expected;
    for (const auto& cell : cells) expected[cell["sheet"]][cell["cell"]] = reference_value(cell);
    for (const auto& difference : kDifferences) {
      if (difference.file == file) expected["Cells"][difference.cell] = difference.value;
    }
    ASSERT_EQ(book->sheets().size(), expected.size());
    for (const auto& [sheet_name, sheet_cells] : expected) {
      const Sheet& sheet = *book->sheet(sheet_name);
      for (const auto& [address, value] : sheet_cells) {
        SCOPED_TRACE(sheet_name + "!" + address);
        const auto area = parse_address(address);
        ASSERT_TRUE(area);
        const Value& actual = sheet.value(area->top, area->left);
        // Dates with a time are sums of fractions of a day.
        if (value.is_number() && actual.is_number()) {
          EXPECT_NEAR(actual.number(), value.number(), 1e-12 * std::max(1.0, std::fabs(value.number())));
        } else {
          EXPECT_EQ(actual, value);
        }
      }
      EXPECT_EQ(sheet.cell_count(), sheet_cells.size()) << sheet_name;
    }
  }
}

TEST(FileCells, WarnOfWhatTheHostCannotHold) {
  struct Case {
    const char* file;
    std::vector<std::string> warnings;
  };
  const std::vector<std::string> ods_warnings = {
      "Cells!D8: holds the date \"2024-02-30\", which the host cannot read; its text is kept",
      "Cells!E9: holds a value of type \"complex\", which the host cannot read; its text is kept",
  };
  const Case cases[] = {
      {"cells.xlsx",
       {"Cells!B7: holds the error \"#BOGUS!\", which the host does not know; it is read as #NAME?",
        "Cells!D8: holds the date \"2024-02-30\", which is no date from 1900 to 9999; it is read as text",
        "Cells!C9: has the cell type \"x\", which no spreadsheet defines; its \"7\" is read as text"}},
      {"cells.ods", ods_warnings},
      {"cells.fods", ods_warnings},
      {"model.xlsx", {}},
      {"layout.ods", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(load_workbook(kDataDir + "/" + c.file)->read_warnings(), c.warnings);
  }
}

// A SUMIF over inline-string regions once found none of them.
TEST(FileCells, FormulasSeeTheTexts) {
  for (const char* file : {"cells.xlsx", "cells.ods", "cells.fods"}) {
    SCOPED_TRACE(file);
    const auto application = Spreadsheet::create();
    application->add_book(load_workbook(kDataDir + "/" + file));
    FormulaEngine engine(application);
    engine.load();
    engine.recalculate();
    EXPECT_EQ(engine.evaluate("SUMIF(Cells!A1:A4,\"North\",Cells!B1:B4)").value, Value(15.0));
    EXPECT_EQ(engine.evaluate("COUNTIF(Cells!A1:D5,\"*s*\")").value, Value(4.0));
    EXPECT_EQ(engine.evaluate("ISNA(Cells!A6)").value, Value(file == std::string("cells.xlsx")));
  }
}

// Warnings stop at a bound, however many cells a file has that the host cannot hold.
TEST(FileCells, WarningsAreBounded) {
  std::string rows;
  for (int row = 1; row <= 100; ++row) {
    rows +=
        "<table:table-row><table:table-cell office:value-type=\"complex\"><text:p>?</text:p>"
        "</table:table-cell></table:table-row>";
  }
  const std::string document =
      "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
      "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
      "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:spreadsheet>"
      "<table:table table:name=\"S\">" +
      rows + "</table:table></office:spreadsheet></office:body></office:document>";
  const auto warnings = read_workbook(document, WorkbookFormat::FlatOds, "many.fods")->read_warnings();
  ASSERT_EQ(warnings.size(), 21u);
  EXPECT_EQ(warnings.front(), "S!A1: holds a value of type \"complex\", which the host cannot read; its text is kept");
  EXPECT_EQ(warnings.back(), "and 80 more such cells");
}

}  // namespace
}  // namespace host
