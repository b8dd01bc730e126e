// Reading workbook files: CSV text, the workbooks made by tests/data/make_workbooks.py,
// the formula texts of both file formats, and the failures a user meets.
#include "host/files/workbook_files.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <nlohmann/json.hpp>
#include <sstream>

#include "host/document/address.hpp"
#include "host/document/spreadsheet.hpp"
#include "host/files/date_values.hpp"
#include "host/files/formula_text.hpp"
#include "host/files/number_text.hpp"
#include "host/formula/formula_engine.hpp"

namespace host {
namespace {

using kx::Value;

const std::string kFilesDataDir = KX_TEST_DATA_DIR;

std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// What a cell must hold: a value, or a formula text with the result the file stored.
struct ExpectedCell {
  ExpectedCell(std::string at, Value shown, std::string text = "")
      : address(std::move(at)), value(std::move(shown)), formula(std::move(text)) {}
  std::string address;
  Value value;
  std::string formula;
};

ExpectedCell formula(std::string address, std::string text, Value cached = Value()) {
  return {std::move(address), std::move(cached), std::move(text)};
}

void expect_cells(const Sheet& sheet, const std::vector<ExpectedCell>& expected) {
  for (const auto& cell : expected) {
    SCOPED_TRACE(cell.address);
    const auto area = parse_address(cell.address);
    ASSERT_TRUE(area);
    const Cell* found = sheet.find(area->top, area->left);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->formula_text, cell.formula);
    EXPECT_EQ(found->value, cell.value);
  }
  EXPECT_EQ(sheet.cell_count(), expected.size());
}

std::string failure_message(const std::function<void()>& action, std::int32_t* number = nullptr) {
  try {
    action();
  } catch (const kx::Failure& failure) {
    if (number != nullptr) *number = failure.number();
    return failure.what();
  }
  return "(no failure)";
}

TEST(CsvReader, ReadsFieldsAsTheSpreadsheetDoes) {
  struct Case {
    const char* label;
    std::string content;
    std::vector<ExpectedCell> cells;
  };
  const Case cases[] = {
      {"numbers", "1,2.5,-3e2, 12 \n", {{"A1", 1.0}, {"B1", 2.5}, {"C1", -300.0}, {"D1", 12.0}}},
      {"texts and booleans",
       "abc,TRUE,false,True,yes\n",
       {{"A1", "abc"}, {"B1", true}, {"C1", false}, {"D1", true}, {"E1", "yes"}}},
      {"empty fields stay empty", "a,,c\n,,\n,\"\",x", {{"A1", "a"}, {"C1", "c"}, {"C3", "x"}}},
      {"quoted comma", "\"a,b\",c", {{"A1", "a,b"}, {"B1", "c"}}},
      {"doubled quotes", "\"say \"\"hi\"\"\",\"\"\"\"", {{"A1", "say \"hi\""}, {"B1", "\""}}},
      {"line break inside quotes",
       "\"two\nlines\",x\r\n\"cr\r\nlf\",y",
       {{"A1", "two\nlines"}, {"B1", "x"}, {"A2", "cr\r\nlf"}, {"B2", "y"}}},
      {"CRLF records", "1,2\r\n3,4\r\n", {{"A1", 1.0}, {"B1", 2.0}, {"A2", 3.0}, {"B2", 4.0}}},
      {"LF records without a last break", "1\n2", {{"A1", 1.0}, {"A2", 2.0}}},
      {"CR records", "1\r2\r", {{"A1", 1.0}, {"A2", 2.0}}},
      {"empty lines keep their rows", "a\n\n\nb\n", {{"A1", "a"}, {"A4", "b"}}},
      {"byte order mark",
       "\xEF\xBB\xBF"
       "id,1",
       {{"A1", "id"}, {"B1", 1.0}}},
      {"formulas lose their equals sign",
       "=SUM(A2:A3),\"=1+2\"\n1\n2",
       {formula("A1", "SUM(A2:A3)"), formula("B1", "1+2"), {"A2", 1.0}, {"A3", 2.0}}},
      {"a lone equals sign is text", "=,==", {{"A1", "="}, formula("B1", "=")}},
      {"quoted numbers are numbers", "\"42\",\" 7 \"", {{"A1", 42.0}, {"B1", 7.0}}},
      {"no number the sheet cannot hold",
       "1e999,inf,nan,-infinity,0x10",
       {{"A1", "1e999"}, {"B1", "inf"}, {"C1", "nan"}, {"D1", "-infinity"}, {"E1", "0x10"}}},
      {"text after a closing quote", "\"ab\"cd,e", {{"A1", "abcd"}, {"B1", "e"}}},
      {"a quote inside an unquoted field", "a\"b,c", {{"A1", "a\"b"}, {"B1", "c"}}},
      {"UTF-8 text", "caf\xC3\xA9,\xE2\x82\xAC", {{"A1", "caf\xC3\xA9"}, {"B1", "\xE2\x82\xAC"}}},
      // LibreOffice 7.4 reads these fields alike (with special numbers detected), but for
      // 1900-01-01 (2 there; the host counts the fictitious 1900-02-29, as DATE does) and
      // 1899-12-31 and 24-01-31, which it takes for dates.
      {"percentages",
       "12%,-5%,12.5 %,%,12%%,abc%",
       {{"A1", 0.12}, {"B1", -0.05}, {"C1", 0.125}, {"D1", "%"}, {"E1", "12%%"}, {"F1", "abc%"}}},
      {"grouped numbers in quotes",
       "\"1,234.5\",\"1,234,567\",\"-1,000\",\"1,23\",\",123\",\"1,2345\",\"12,345%\"",
       {{"A1", 1234.5},
        {"B1", 1234567.0},
        {"C1", -1000.0},
        {"D1", "1,23"},
        {"E1", ",123"},
        {"F1", "1,2345"},
        {"G1", 123.45}}},
      {"ISO dates",
       "2024-01-31,1900-03-01,1900-01-01,2024-02-30,2024-1-31,1899-12-31,24-01-31",
       {{"A1", 45322.0},
        {"B1", 61.0},
        {"C1", 1.0},
        {"D1", "2024-02-30"},
        {"E1", 45322.0},
        {"F1", "1899-12-31"},
        {"G1", "24-01-31"}}},
      {"an empty file", "", {}},
      {"empty fields past the sheet's edge", std::string(20000, ',') + "\n" + std::string(2'000'000, '\n'), {}},
      {"the last row and column", std::string(16383, ',') + "x", {{"XFD1", "x"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const auto book = read_workbook(c.content, WorkbookFormat::Csv, "data.csv");
    EXPECT_EQ(book->name(), "data.csv");
    ASSERT_EQ(book->sheets().size(), 1u);
    EXPECT_EQ(book->sheets()[0]->name(), "data");
    expect_cells(*book->sheets()[0], c.cells);
  }
}

TEST(CsvReader, ReadsFilesWrittenWhereTheDecimalMarkIsAComma) {
  struct Case {
    const char* label;
    CsvFormat format;
    std::string content;
    std::vector<ExpectedCell> cells;
  };
  const CsvFormat semicolons_and_commas{';', ','};
  const Case cases[] = {
      {"numbers with decimal commas",
       semicolons_and_commas,
       "1,5;\"1.234,5\";-2,5e1;12,5%;1.234.567;1,234\n",
       {{"A1", 1.5}, {"B1", 1234.5}, {"C1", -25.0}, {"D1", 0.125}, {"E1", 1234567.0}, {"F1", 1.234}}},
      // A spreadsheet of that locale takes these for texts or dates, never for the numbers they are elsewhere.
      {"points are no decimal mark there",
       semicolons_and_commas,
       "1.5;1.23;1,5.5;a,b\n",
       {{"A1", "1.5"}, {"B1", "1.23"}, {"C1", "1,5.5"}, {"D1", "a,b"}}},
      {"formulas separate their arguments by semicolons",
       semicolons_and_commas,
       "\"=kxNORMAL(1,5;0,5;;\"\"\"\")\";\"=SUM({1,5;2})\";\"=\"\"a;b,c\"\"&'x;y,z'!A1\";=A1*2,5\n",
       {formula("A1", "kxNORMAL(1.5,0.5,,\"\")"), formula("B1", "SUM({1.5;2})"),
        formula("C1", "\"a;b,c\"&'x;y,z'!A1"), formula("D1", "A1*2.5")}},
      {"semicolons with decimal points",
       {';', '.'},
       "1.5;\"=SUM(A1,2)\";a,b\r\n2;3\n",
       {{"A1", 1.5}, formula("B1", "SUM(A1,2)"), {"C1", "a,b"}, {"A2", 2.0}, {"B2", 3.0}}},
      {"tabs", {'\t', '.'}, "1.5\tx,y\t\"a\tb\"\n", {{"A1", 1.5}, {"B1", "x,y"}, {"C1", "a\tb"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const auto book = read_workbook(c.content, WorkbookFormat::Csv, "data.csv", {}, c.format);
    ASSERT_EQ(book->sheets().size(), 1u);
    expect_cells(*book->sheets()[0], c.cells);
    EXPECT_EQ(book->sheets()[0]->cell_count(), c.cells.size());
  }
}

TEST(CsvReader, RefusesWhatItCannotHold) {
  struct Case {
    const char* label;
    std::string content;
    ReadLimits limits;
    const char* message;
  };
  ReadLimits few_cells;
  few_cells.max_cells = 3;
  ReadLimits little_text;
  little_text.max_text_bytes = 10;
  ReadLimits small_file;
  small_file.max_file_bytes = 4;
  const Case cases[] = {
      {"unclosed quote", "a\n\"b,c\nd", {}, "line 2: a quoted field is not closed"},
      {"too many columns", std::string(16384, ',') + "x", {}, "line 1: more columns than a sheet holds (16384)"},
      {"too many rows", std::string(1048576, '\n') + "x", {}, "line 1048577: more rows than a sheet holds (1048576)"},
      {"too many cells", "1,2,3,4", few_cells, "it holds more than 3 cells"},
      {"too much text", "abcdefghijklmnop", little_text, "its texts and formulas take more than 10 bytes"},
      {"too large a file", "12345", small_file, "the file is larger than 4 bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    std::int32_t number = 0;
    const auto message =
        failure_message([&] { read_workbook(c.content, WorkbookFormat::Csv, "data.csv", c.limits); }, &number);
    EXPECT_EQ(message, std::string("Cannot read \"data.csv\": ") + c.message);
    EXPECT_EQ(number, kx::error::kHostFailure);
  }
}

// The cells make_workbooks.py wrote, as it lists them in workbooks_expected.json.
Value expected_cell_value(const nlohmann::json& typed) {
  if (typed.is_null()) return Value();
  const std::string kind = typed["kind"];
  if (kind == "number") return typed["value"].get<double>();
  if (kind == "boolean") return typed["value"].get<bool>();
  if (kind == "error") return kx::ErrorValue{typed["value"].get<std::int32_t>()};
  return typed["value"].get<std::string>();
}

void expect_same(const Value& actual, const Value& expected) {
  // Day numbers of dates and times are sums of fractions of a day.
  constexpr double kTolerance = 1e-12;
  if (expected.is_number() && actual.is_number()) {
    EXPECT_NEAR(actual.number(), expected.number(), kTolerance * std::max(1.0, std::fabs(expected.number())));
  } else {
    EXPECT_EQ(actual, expected);
  }
}

TEST(WorkbookFiles, HoldWhatTheScriptWrote) {
  std::ifstream in(kFilesDataDir + "/workbooks_expected.json");
  ASSERT_TRUE(in);
  const auto workbooks = nlohmann::json::parse(in);
  for (const auto& [file, cells] : workbooks.items()) {
    SCOPED_TRACE(file);
    const auto book = load_workbook(kFilesDataDir + "/" + file);
    EXPECT_EQ(book->name(), file);
    std::vector<std::string> sheet_order;
    std::map<std::string, std::size_t> cells_per_sheet;
    for (const auto& cell : cells) {
      const std::string sheet_name = cell["sheet"];
      const std::string address = cell["cell"];
      SCOPED_TRACE(sheet_name + "!" + address);
      if (cells_per_sheet[sheet_name]++ == 0) sheet_order.push_back(sheet_name);
      const auto sheet = book->find_sheet(sheet_name);
      ASSERT_NE(sheet, nullptr);
      const auto area = parse_address(address);
      ASSERT_TRUE(area);
      const Cell* found = sheet->find(area->top, area->left);
      ASSERT_NE(found, nullptr);
      if (!cell.contains("formula")) {
        EXPECT_FALSE(found->has_formula());
        expect_same(found->value, expected_cell_value(cell["value"]));
        continue;
      }
      EXPECT_EQ(found->formula_text, cell["formula"].get<std::string>());
      const Value cached = expected_cell_value(cell["cached"]);
      expect_same(found->value, cached);
    }
    std::vector<std::string> names;
    for (const auto& sheet : book->sheets()) {
      names.push_back(sheet->name());
      EXPECT_EQ(sheet->cell_count(), cells_per_sheet[sheet->name()]) << sheet->name();
    }
    EXPECT_EQ(names, sheet_order);
  }
}

TEST(WorkbookFiles, FailuresNameTheFileAndTheReason) {
  const auto scratch = std::filesystem::temp_directory_path() / ("kx_workbook_files_" + std::to_string(::getpid()));
  std::filesystem::create_directories(scratch / "folder.csv");
  const auto write = [&](const std::string& name, const std::string& content) {
    std::ofstream(scratch / name, std::ios::binary) << content;
    return (scratch / name).string();
  };
  const std::string xlsx = file_bytes(kFilesDataDir + "/model.xlsx");
  const std::string ods = file_bytes(kFilesDataDir + "/model.ods");
  struct Case {
    const char* label;
    std::string path;
    const char* reason;
  };
  const Case cases[] = {
      {"missing file", (scratch / "missing.csv").string(), "there is no such file"},
      {"directory", (scratch / "folder.csv").string(), "it is a directory"},
      {"other type", write("model.txt", "1,2"), "\".txt\" files are not supported (use .csv, .xlsx, .ods or .fods)"},
      {"no extension", write("model", "1,2"),
       "files without an extension are not supported (use .csv, .xlsx, .ods or .fods)"},
      {"no zip archive", write("text.xlsx", "1,2\n3,4\n"), "it is no zip archive"},
      {"cut-off archive", write("cut.ods", ods.substr(0, ods.size() - 10)), "its zip directory is damaged"},
      {"an .xlsx named .ods", write("model.ods", xlsx), "it holds no content.xml, so it is no .ods workbook"},
      {"an .ods named .xlsx", write("model.xlsx", ods), "it holds no [Content_Types].xml, so it is no .xlsx workbook"},
      {"a cut-off flat document", write("cut.fods", "<office:document><office:body><office:spr"),
       "the document breaks off inside markup"},
      {"a flat document without sheets", write("text.fods", "<office:document/>"), "it holds no sheet"},
      {"an .ods named .fods", write("zip.fods", ods), "it is no XML document, so it is no .fods workbook"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    std::int32_t number = 0;
    EXPECT_EQ(failure_message([&] { load_workbook(c.path); }, &number), "Cannot read \"" + c.path + "\": " + c.reason);
    EXPECT_EQ(number, kx::error::kHostFailure);
  }
  // A device without a size meets the limit as it is read, not after it is read whole.
  const auto endless = (scratch / "endless.csv").string();
  std::filesystem::create_symlink("/dev/zero", endless);
  ReadLimits one_megabyte;
  one_megabyte.max_file_bytes = 1 << 20;
  EXPECT_EQ(failure_message([&] { load_workbook(endless, one_megabyte); }),
            "Cannot read \"" + endless + "\": the file is larger than 1048576 bytes");
  // A part cut short is named, never read as the data before the cut.
  const auto broken = kFilesDataDir + "/broken.xlsx";
  EXPECT_EQ(failure_message([&] { load_workbook(broken); }),
            "Cannot read \"" + broken + "\": its part xl/worksheets/sheet1.xml breaks off before its elements close");
  std::filesystem::remove_all(scratch);
}

TEST(WorkbookFiles, DamagedArchivesFailNamingThePart) {
  // Each change is made to the directory entry of the first part of a sound file: the unpacker
  // itself checks neither, and read on, such a file gave partial data or "no sheet".
  struct Case {
    const char* file;
    WorkbookFormat format;
    std::size_t field;  // offset in the directory entry
    std::string bytes;
    std::string reason_part;
  };
  const Case cases[] = {
      {"model.xlsx", WorkbookFormat::Xlsx, 16, std::string("\x01\x02\x03\x04", 4), "(its CRC does not match)"},
      {"model.ods", WorkbookFormat::Ods, 16, std::string("\x01\x02\x03\x04", 4), "(its CRC does not match)"},
      {"model.xlsx", WorkbookFormat::Xlsx, 10, std::string("\x0c\x00", 2), "is packed by method 12"},
      {"model.ods", WorkbookFormat::Ods, 10, std::string("\x0e\x00", 2), "is packed by method 14"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.reason_part);
    std::ifstream in(kFilesDataDir + "/" + c.file, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_NO_THROW(read_workbook(content, c.format, c.file));
    // The CRC test needs a part that is read: for .ods the content part, for .xlsx any part.
    const std::string target = c.format == WorkbookFormat::Ods ? "content.xml" : "";
    std::size_t entry = content.find("PK\x01\x02");
    while (!target.empty() && content.compare(entry + 46, target.size(), target) != 0) {
      entry = content.find("PK\x01\x02", entry + 4);
    }
    ASSERT_NE(entry, std::string::npos);
    content.replace(entry + c.field, c.bytes.size(), c.bytes);
    const std::string message = failure_message([&] { read_workbook(content, c.format, c.file); });
    EXPECT_TRUE(message.starts_with("Cannot read \"" + std::string(c.file) + "\": its part ")) << message;
    EXPECT_NE(message.find(c.reason_part), std::string::npos) << message;
  }
}

TEST(WorkbookFiles, KeepWithinTheLimits) {
  struct Case {
    const char* label;
    std::string file;
    WorkbookFormat format;
    ReadLimits limits;
    const char* reason;
  };
  ReadLimits few_cells;
  few_cells.max_cells = 5;
  // Both files are smaller than their limit, and unpack to more.
  ReadLimits xlsx_parts;
  xlsx_parts.max_file_bytes = 3000;
  ReadLimits ods_parts;
  ods_parts.max_file_bytes = 2000;
  ReadLimits little_text;
  little_text.max_text_bytes = 40;
  const Case cases[] = {
      {"xlsx cells", "model.xlsx", WorkbookFormat::Xlsx, few_cells, "it holds more than 5 cells"},
      {"ods cells", "model.ods", WorkbookFormat::Ods, few_cells, "it holds more than 5 cells"},
      // 17 billion cells from a few hundred bytes are refused before any is written.
      {"rows and cells repeated over the sheet",
       "repeats.ods",
       WorkbookFormat::Ods,
       {},
       "it holds more than 10000000 cells"},
      {"an array formula over the sheet",
       "big_array.ods",
       WorkbookFormat::Ods,
       {},
       "it holds more than 10000000 cells"},
      // The reader would keep a result for each of its cells before the engine saw any.
      {"an xlsx array formula over a hundred million cells",
       "big_array.xlsx",
       WorkbookFormat::Xlsx,
       {},
       "an array formula covers A1:CV1048576, more than 10000000 cells"},
      {"a formula repeated across 600 rows",
       "repeated_formula_rows.ods",
       WorkbookFormat::Ods,
       {},
       "it holds more than 1000000 formulas"},
      {"xlsx unpacked size", "model.xlsx", WorkbookFormat::Xlsx, xlsx_parts, "it unpacks to more than 3000 bytes"},
      {"ods unpacked size", "model.ods", WorkbookFormat::Ods, ods_parts, "it unpacks to more than 2000 bytes"},
      {"xlsx text", "model.xlsx", WorkbookFormat::Xlsx, little_text, "its texts and formulas take more than 40 bytes"},
      {"ods text", "model.ods", WorkbookFormat::Ods, little_text, "its texts and formulas take more than 40 bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string content = file_bytes(kFilesDataDir + "/" + c.file);
    EXPECT_EQ(failure_message([&] { read_workbook(content, c.format, c.file, c.limits); }),
              "Cannot read \"" + c.file + "\": " + c.reason);
  }
}

TEST(WorkbookFiles, AFormulaRepeatedAcrossTheWholeWidthLoads) {
  const auto book = load_workbook(kFilesDataDir + "/repeated_formula.ods");
  Sheet& sheet = *book->sheets().front();
  EXPECT_EQ(sheet.cell_count(), std::size_t{kMaxColumns});
  // A repeated cell repeats its formula as written: every copy reads A2.
  ASSERT_NE(sheet.find(1, kMaxColumns), nullptr);
  EXPECT_EQ(sheet.find(1, kMaxColumns)->formula_text, "A2+1");
  // The copies share one parsed formula, and each computes.
  const auto application = Spreadsheet::create();
  application->add_book(book);
  FormulaEngine engine(application);
  engine.load();
  engine.recalculate();
  EXPECT_EQ(sheet.find(1, 1)->formula, sheet.find(1, kMaxColumns)->formula);
  EXPECT_EQ(sheet.value(1, kMaxColumns), kx::Value(1.0));
}

// Inputs the fuzz targets found crashing orcus's XML parser, kept as made by make_workbooks.py.
TEST(WorkbookFiles, FuzzFindingsFailCleanly) {
  constexpr std::string_view kSheetPart = "its part xl/worksheets/sheet1.xml ";
  constexpr std::string_view kContentPart = "its part content.xml ";
  struct Case {
    const char* file;
    std::string reason;  // empty: the file loads
  };
  const Case cases[] = {
      {"attribute_entity.xlsx", std::string(kSheetPart) + "breaks off inside markup"},
      {"attribute_entity.ods", std::string(kContentPart) + "breaks off inside markup"},
      {"quote_in_reference.xlsx", std::string(kSheetPart) + "holds an \"&\" that starts no reference"},
      {"quote_in_reference.ods", std::string(kContentPart) + "holds an \"&\" that starts no reference"},
      {"large_character.xlsx", std::string(kSheetPart) + "holds an \"&\" that starts no reference"},
      {"large_character.ods", std::string(kContentPart) + "holds an \"&\" that starts no reference"},
      {"trailing_entities.xlsx", std::string(kSheetPart) + "breaks off after its last markup"},
      {"trailing_entities.ods", std::string(kContentPart) + "breaks off after its last markup"},
      {"empty_comment.ods", std::string(kContentPart) + "breaks off inside markup"},
      // The part is read with the zero byte that ends its buffer, which gives the comment room.
      {"empty_comment.xlsx", ""},
      // Its outer elements never close: read, it gave one sheet of what came before the cut.
      {"nested_spreadsheet.ods", std::string(kContentPart) + "breaks off before its elements close"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const auto path = kFilesDataDir + "/fuzz/" + c.file;
    if (c.reason.empty()) {
      EXPECT_EQ(load_workbook(path)->sheets().size(), 1u);
      continue;
    }
    EXPECT_EQ(failure_message([&] { load_workbook(path); }), "Cannot read \"" + path + "\": " + c.reason);
  }
}

TEST(FormulaText, SharedFormulasMoveTheirRelativeReferences) {
  struct Case {
    const char* formula;
    std::int32_t rows;
    std::int32_t columns;
    const char* expected;
  };
  const Case cases[] = {
      {"A1+$A$1", 1, 1, "B2+$A$1"},
      {"A$1+$A1", 2, 3, "D$1+$A3"},
      {"A1:B2", 1, 1, "B2:C3"},
      {"SUM(A:A)+SUM($A:B)", 0, 2, "SUM(C:C)+SUM($A:D)"},
      {"SUM(1:2)+SUM($1:$2)", 3, 0, "SUM(4:5)+SUM($1:$2)"},
      {"\"A1\"&A1", 1, 0, "\"A1\"&A2"},
      {"'My A1'!A1+Sheet1!B2", 1, 1, "'My A1'!B2+Sheet1!C3"},
      {"LOG10(A1)+_xlfn.NORM.S.INV(B1)", 1, 0, "LOG10(A2)+_xlfn.NORM.S.INV(B2)"},
      {"1.5E+3*A1+.5", 1, 0, "1.5E+3*A2+.5"},
      {"#DIV/0!+#N/A+A1", 1, 0, "#DIV/0!+#N/A+A2"},
      {"[1]Sheet1!A1+Table1[Col]", 1, 0, "[1]Sheet1!A2+Table1[Col]"},
      {"TRUE+rate_2+A1", 1, 0, "TRUE+rate_2+A2"},
      {"A1", -1, 0, "#REF!"},
      {"XFD1+A:A", 0, 1, "#REF!+B:B"},
      {"A1048576", 1, 0, "#REF!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.formula);
    EXPECT_EQ(shift_references(c.formula, c.rows, c.columns), c.expected);
  }
}

TEST(FormulaText, OpenFormulasBecomeA1Formulas) {
  struct Case {
    const char* formula;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"of:=[.A1]+[.B2]", "A1+B2"},
      {"of:=SUM([.A1:.B3];[$Sheet2.C1])", "SUM(A1:B3,Sheet2!C1)"},
      {"of:=[$'My Sheet'.$A$1:.$B$2]", "'My Sheet'!$A$1:$B$2"},
      {"of:=[$'It''s'.A1]", "'It''s'!A1"},
      {"of:=[$Sheet1.A1:$Sheet1.B2]", "Sheet1!A1:B2"},
      {"of:=[Sheet1.A1]", "Sheet1!A1"},
      {"of:=[.A:.B]", "A:B"},
      {"of:={1;2|3;4}", "{1,2;3,4}"},
      {"of:=IF([.A1]>0;\"a;b\";\"c|d\")", "IF(A1>0,\"a;b\",\"c|d\")"},
      {"of:=kxNORMAL(100;15;;\"\")", "kxNORMAL(100,15,,\"\")"},
      {"of:=[.A1:.B2]![.B1:.C3]", "A1:B2 B1:C3"},
      {"of:=SUM(([.A1]~[.B1]);MAX(([.C1]~[.D1])))", "SUM((A1,B1),MAX((C1,D1)))"},
      {"of:=COM.MICROSOFT.NORM.S.INV(0.5)+LEGACY.NORMSINV(0.5)", "NORM.S.INV(0.5)+NORMSINV(0.5)"},
      {"of:=#N/A", "#N/A"},
      {"of:=[.#REF!]+1", "#REF!+1"},
      {"of:=1.5E-3*[.A1]", "1.5E-3*A1"},
      {"msoxl:=SUM(A1:A3)", "SUM(A1:A3)"},
      {"=[.A1]", "A1"},
      {"of:SUM([.A1])", std::nullopt},
      {"of:=", std::nullopt},
      {"of:=['file:///x.ods'#$Sheet1.A1]", std::nullopt},
      {"of:=[$Sheet1.A1:$Sheet2.B2]", std::nullopt},
      {"of:=[.A1]~[.B1]", std::nullopt},
      {"of:=SUM([.A1]~[.B1])", std::nullopt},
      {"of:=[.A1", std::nullopt},
      {"of:=[.XFE1]", std::nullopt},
      {"of:=[.A1:.B]", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.formula);
    EXPECT_EQ(open_formula_to_a1(c.formula), c.expected);
  }
}

TEST(FormulaText, SheetNamesAreQuotedWhenTheyMustBe) {
  const std::pair<const char*, const char*> cases[] = {
      {"Inputs", "Inputs"},
      {"_x2", "_x2"},
      {"Model Sheet", "'Model Sheet'"},
      {"It's", "'It''s'"},
      {"A1", "'A1'"},
      {"R1C1", "'R1C1'"},
      {"R", "'R'"},
      {"2024", "'2024'"},
      {"TRUE", "'TRUE'"},
      {"caf\xC3\xA9", "'caf\xC3\xA9'"},
      {"a.b", "'a.b'"},
  };
  for (const auto& [name, expected] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(sheet_prefix_name(name), expected);
  }
}

// Every reader parses cell numbers to the nearest double; orcus's own parser read
// 9.9999999999999991E-308 as 0 and 1.7976931348623157E+308 as #NUM!.
TEST(FileNumbers, ReadExactlyAcrossTheDoubleRange) {
  constexpr double kLargest = std::numeric_limits<double>::max();
  struct Case {
    const char* text;
    std::optional<double> expected;
  };
  const Case cases[] = {
      {"9.9999999999999991E-308", 9.9999999999999991E-308},
      {"2.2250738585072014E-308", std::numeric_limits<double>::min()},
      {"2.2250738585072009E-308", 2.2250738585072009E-308},  // the largest subnormal
      {"4.9406564584124654E-324", std::numeric_limits<double>::denorm_min()},
      {"2.4703282292062328E-324", std::numeric_limits<double>::denorm_min()},  // rounds up to it
      {"2.4703282292062327E-324", 0.0},                                        // and down to 0
      {"1E-400", 0.0},
      {"-1E-400", 0.0},  // spreadsheets know no negative zero
      {"1.7976931348623157E+308", kLargest},
      {"-1.7976931348623157E+308", -kLargest},
      {"1.797693134862316E+308", kLargest},  // as XlsxWriter and openpyxl print it
      {"1.79769313486231599992e+308", kLargest},
      {"1.7976931348623161E+308", std::nullopt},
      {"1E+309", std::nullopt},
      {"0.1", 0.1},
      {"0.30000000000000004", 0.30000000000000004},
      {"123456789012345678", 123456789012345678.0},
      {" +2.5 ", 2.5},
      {"INF", std::nullopt},
      {"nan", std::nullopt},
      {"1,5", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto number = file_number(c.text);
    ASSERT_EQ(number.has_value(), c.expected.has_value());
    if (number) {
      EXPECT_EQ(*number, *c.expected);
      EXPECT_EQ(std::signbit(*number), std::signbit(*c.expected));
    }
    // The same through a CSV file.
    if (!c.expected) continue;
    const auto book = read_workbook(std::string(c.text) + "\n", WorkbookFormat::Csv, "numbers.csv");
    const Value& cell = book->sheets().front()->value(1, 1);
    if (*c.expected == 0.0) continue;  // a CSV zero is the same zero either way
    ASSERT_TRUE(cell.is_number()) << c.text;
    EXPECT_EQ(cell.number(), *c.expected);
  }
}

TEST(DateValues, ReadOnlyRealDatesAndDurations) {
  // Leap days are checked against the calendar; the durations are whole fractions of a day.
  EXPECT_TRUE(parse_iso_date_time("2024-02-29"));
  EXPECT_EQ(parse_iso_duration("P1DT6H"), 1.25);
  EXPECT_EQ(parse_iso_duration("-PT12H"), -0.5);
  EXPECT_EQ(parse_iso_duration("PT90M"), 0.0625);
  EXPECT_EQ(parse_iso_duration("PT43200.0S"), 0.5);
  for (const char* bad : {"", "2023-02-29", "1900-02-29", "2024-13-01", "2024-00-10", "2024-1-1x", "2024-03-01T25:00",
                          "2024-03-01T12:60", "2024-03-01 12:00", "-2024-03-01", "99999999999-01-01"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(parse_iso_date_time(bad));
  }
  for (const char* bad : {"", "P", "PT", "T12H", "PT12", "P1Y", "PT1H2", "PT-1H", "PT1.5H"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(parse_iso_duration(bad));
  }
}

}  // namespace
}  // namespace host
