// An .xlsx file's sheets are the workbook part's, each read from the part its relationship names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/document/spreadsheet.hpp"
#include "host/files/workbook_files.hpp"
#include "host/files/xlsx_package.hpp"
#include "host/formula/formula_engine.hpp"

namespace host {
namespace {

using kx::Value;

const std::string kCases = std::string(KX_TEST_DATA_DIR) + "/sheet_mapping/";

std::string failure_message(const std::string& file) {
  try {
    load_workbook(kCases + file);
  } catch (const kx::Failure& failure) {
    return failure.what();
  }
  return "";
}

// Before, formulas were placed by sheetId and absolute targets found no part: First!B1 read
// Second's formula (100), a lone sheet with sheetId 3 lost its formula (0).
TEST(XlsxSheetMapping, FormulasLandOnTheSheetTheWorkbookNames) {
  struct Case {
    const char* file;
    std::vector<std::string> sheets;
    std::vector<std::pair<std::string, double>> values;
  };
  const Case cases[] = {
      {"reordered_ids.xlsx", {"First", "Second"}, {{"First!B1", 10}, {"Second!B1", 30}}},
      {"relative_targets.xlsx", {"First", "Second"}, {{"First!B1", 10}, {"Second!B1", 30}}},
      {"lone_sheet_id3.xlsx", {"Only"}, {{"Only!B1", 20}}},
      {"unused_part.xlsx", {"First", "Second"}, {{"First!B1", 10}, {"Second!B1", 30}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const auto book = load_workbook(kCases + c.file);
    std::vector<std::string> names;
    for (const auto& sheet : book->sheets()) names.push_back(sheet->name());
    EXPECT_EQ(names, c.sheets);
    const auto application = Spreadsheet::create();
    application->add_book(book);
    FormulaEngine engine(application);
    engine.load();
    engine.recalculate();
    for (const auto& [formula, expected] : c.values) {
      SCOPED_TRACE(formula);
      EXPECT_EQ(engine.evaluate(formula).value, Value(expected));
    }
  }
}

TEST(XlsxSheetMapping, ASheetPartNoSheetReadsIsNamed) {
  const auto book = load_workbook(kCases + "unused_part.xlsx");
  ASSERT_EQ(book->read_warnings().size(), 1u);
  EXPECT_EQ(book->read_warnings().front(),
            "its part xl/worksheets/sheet3.xml holds a sheet that no sheet of the workbook reads");
}

TEST(XlsxSheetMapping, ABadRelationshipFailsNamingTheSheet) {
  struct Case {
    const char* file;
    const char* reason;
  };
  const Case cases[] = {
      {"missing_part.xlsx",
       "sheet \"Second\" is to be read from \"/xl/worksheets/sheet9.xml\", which the file does not hold"},
      {"shared_part.xlsx", "sheets \"First\" and \"Second\" are both to be read from xl/worksheets/sheet1.xml"},
      {"outside_target.xlsx", "sheet \"Second\" is to be read from \"../../etc/passwd\", which lies outside the file"},
      {"absolute_outside.xlsx", "sheet \"Second\" is to be read from \"/etc/passwd\", which the file does not hold"},
      {"missing_relationship.xlsx",
       "sheet \"Second\" names the relationship \"rId9\", which the workbook does not have"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(failure_message(c.file), "Cannot read \"" + kCases + c.file + "\": " + c.reason);
  }
}

TEST(XlsxSheetMapping, TargetsResolveInsideThePackageOnly) {
  struct Case {
    const char* source;
    const char* target;
    std::optional<std::string> part;
  };
  const Case cases[] = {
      {"xl/workbook.xml", "worksheets/sheet1.xml", "xl/worksheets/sheet1.xml"},
      {"xl/workbook.xml", "/xl/worksheets/sheet1.xml", "xl/worksheets/sheet1.xml"},
      {"xl/workbook.xml", "./worksheets/../worksheets/sheet2.xml", "xl/worksheets/sheet2.xml"},
      {"xl/workbook.xml", "../docProps/app.xml", "docProps/app.xml"},
      {"", "xl/workbook.xml", "xl/workbook.xml"},
      {"xl/workbook.xml", "../../etc/passwd", std::nullopt},
      {"xl/workbook.xml", "/../etc/passwd", std::nullopt},
      {"xl/workbook.xml", "file:///etc/passwd", std::nullopt},
      {"xl/workbook.xml", "C:\\sheet.xml", std::nullopt},
      {"xl/workbook.xml", "..", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.source) + " -> " + c.target);
    EXPECT_EQ(target_part(c.source, c.target), c.part);
  }
}

}  // namespace
}  // namespace host
