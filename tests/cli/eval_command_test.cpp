// `kx eval` as users run it: the built kx program, its output, error messages and exit status.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/cli/kx_program.hpp"

namespace cli {
namespace {

namespace fs = std::filesystem;

using testing::kx_program;
using testing::Outcome;
using testing::run_kx;

TEST(EvalCommand, TheProgramIsBuilt) { ASSERT_TRUE(fs::exists(kx_program())) << kx_program(); }

TEST(EvalCommand, PrintsEachValueOnItsOwnLine) {
  struct Case {
    const char* label;
    std::vector<std::string> arguments;
    const char* out;
  };
  const Case cases[] = {
      {"the example", {"eval", "NORMINV(0.975,0,1)"}, "1.95996398454005\n"},
      {"general form",
       {"eval", "1/3", "1E20", "=2^53", "-0.000123"},
       "0.333333333333333\n1E+20\n9.00719925474099E+15\n-0.000123\n"},
      {"round trip",
       {"eval", "--digits", "17", "0.1", "1/3", "2^53"},
       "0.10000000000000001\n0.33333333333333331\n9.007199254740992E+15\n"},
      {"few digits", {"eval", "--digits", "3", "2/3", "12345"}, "0.667\n12300\n"},
      {"kinds", {"eval", "\"text\"", "TRUE", "A1", "#N/A", "1/0"}, "text\nTRUE\n0\n#N/A\n#DIV/0!\n"},
      {"arrays", {"eval", "{1,2;3,4}", "{\"a\",TRUE}"}, "1\t2\n3\t4\na\tTRUE\n"},
      {"components", {"eval", "kxNORMAL(100,15,0.5,\"\")", "_xll.kxNORMAL(100,15,,\"ShowMode\")"}, "100\n100\n"},
      {"language", {"eval", "--lang", "ita", "1+1"}, "2\n"},
      {"language before the command", {"--lang", "GER", "eval", "1+1"}, "2\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Outcome run = run_kx(c.arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, "");
  }
}

TEST(EvalCommand, WorksheetFunctionsAndTheirErrorsReadAsInASpreadsheet) {
  const Outcome run = run_kx({"eval", "VLOOKUP(\"b\",{\"a\",1;\"b\",2},2,FALSE)", "MATCH(9,{1,2},0)",
                              "TEXT(DATE(2024,1,31),\"yyyy-mm-dd\")", "SQRT(-1)", "XYZ(1)"});
  EXPECT_EQ(run.out, "2\n#N/A\n2024-01-31\n#NUM!\n");
  EXPECT_NE(run.err.find("unknown function XYZ"), std::string::npos) << run.err;
}

TEST(EvalCommand, SaysWhichCellsOfAFileItCannotHold) {
  const std::string file = std::string(KX_TEST_DATA_DIR) + "/cells.xlsx";
  const Outcome run = run_kx({"eval", "--sheet", file, "SUMIF(Cells!A1:A4,\"North\",Cells!B1:B4)", "Cells!B7"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "15\n#NAME?\n");
  EXPECT_NE(run.err.find("kx: warning: " + file + ": Cells!B7: holds the error \"#BOGUS!\""), std::string::npos)
      << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 3) << run.err;
}

TEST(EvalCommand, FunctionsListsTheWorksheetFunctionsWithTheirParameters) {
  const Outcome run = run_kx({"functions", "worksheet"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("worksheet functions\n", 0), 0u);
  for (const char* line : {"  VLOOKUP(lookup_value, table_array, col_index_num, [range_lookup])\n",
                           "  NORM.DIST(x, mean, standard_dev, cumulative)\n", "  PI()\n"}) {
    EXPECT_NE(run.out.find(line), std::string::npos) << line;
  }
}

TEST(EvalCommand, FailuresGoToStandardErrorWithStatusOne) {
  struct Case {
    const char* label;
    std::vector<std::string> arguments;
    const char* out;
    const char* err_begin;
    const char* err_end;
  };
  const Case cases[] = {
      {"failed call",
       {"eval", "1+1", "kxNORMAL(\"abc\",15,,\"\")", "3"},
       "2\n",
       "kx: kxNORMAL failed: argument 1 (Mean): text \"abc\" is not a number",
       "(error 13)\n"},
      {"parse error", {"eval", "1+"}, "", "kx: cannot read the formula 1+ at column 3: ", "\n"},
      {"unknown function",
       {"eval", "NOSUCH(1)"},
       "",
       "kx: cannot read the formula NOSUCH(1) at column 1: unknown function NOSUCH",
       "\n"},
      {"too large a range",
       {"eval", "A1:B1048575"},
       "",
       "kx: the range Sheet1!$A$1:$B$1048575 has 2097150 cells",
       "(error 7)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Outcome run = run_kx(c.arguments);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err.rfind(c.err_begin, 0), 0u) << run.err;
    EXPECT_TRUE(run.err.size() >= std::string(c.err_end).size() &&
                run.err.compare(run.err.size() - std::string(c.err_end).size(), std::string::npos, c.err_end) == 0)
        << run.err;
  }
  EXPECT_NE(run_kx({"eval", "--lang", "XX", "1"}).status, 0);
  EXPECT_NE(run_kx({"eval", "--digits", "18", "1"}).status, 0);
}

TEST(EvalCommand, UsageErrorsAreOneLineWithStatusTwo) {
  struct Case {
    const char* label;
    std::vector<std::string> arguments;
  };
  const Case cases[] = {
      {"a negative seed", {"eval", "--seed", "-1", "1"}},
      {"a seed past 2^64 - 1", {"eval", "--seed", "18446744073709551616", "1"}},
      {"a seed that is no whole number", {"eval", "--seed", "1.5", "1"}},
      {"a seed with a sign", {"eval", "--seed", "+3", "1"}},
      {"a formula taken for an option", {"eval", "-A1*2"}},
      {"no formula", {"eval"}},
      {"an unknown language", {"eval", "--lang", "XX", "1"}},
      {"digits out of range", {"eval", "--digits", "18", "1"}},
      {"no command", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Outcome run = run_kx(c.arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("kx: ", 0), 0u) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
  const Outcome largest = run_kx({"eval", "--seed", "18446744073709551615", "1"});
  EXPECT_EQ(largest.status, 0) << largest.err;
  const Outcome after_dashes = run_kx({"eval", "--", "-2*3"});
  EXPECT_EQ(after_dashes.status, 0) << after_dashes.err;
  EXPECT_EQ(after_dashes.out, "-6\n");
}

TEST(EvalCommand, ControlCharactersAreWrittenOut) {
  // A text or a name from a workbook must not colour the terminal or forge a line of its own.
  const Outcome text = run_kx({"eval", "\"a\"&\"\t\x1b[31m\\\"",
                               "\"\xc2\x9b"
                               "2J\""});
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out, "a\\t\\x1b[31m\\\\\n\\u009b2J\n");
  const Outcome error = run_kx({"eval", "1+\nkx: forged"});
  EXPECT_EQ(error.status, 1);
  EXPECT_EQ(std::count(error.err.begin(), error.err.end(), '\n'), 1) << error.err;
  EXPECT_NE(error.err.find("1+\\nkx: forged"), std::string::npos) << error.err;
}

TEST(EvalCommand, ASeedRepeatsTheSampling) {
  const std::vector<std::string> arguments = {"eval", "--seed", "7", "kxNORMAL(0,1,,\"\")", "kxUNIFORM(0,1,,\"\")"};
  const Outcome first = run_kx(arguments);
  const Outcome second = run_kx(arguments);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out, second.out);
  EXPECT_NE(first.out, run_kx({"eval", "--seed", "8", "kxNORMAL(0,1,,\"\")", "kxUNIFORM(0,1,,\"\")"}).out);
}

TEST(EvalCommand, EvaluatesAgainstAWorkbookFile) {
  const fs::path directory = fs::temp_directory_path() / ("kx_eval_test_" + std::to_string(getpid()));
  fs::create_directories(directory);
  const fs::path model = directory / "model.csv";
  std::ofstream(model) << "1,2\n=A1+B1,=A2*10\n=A2+97,=A3+A2\n";
  const Outcome run = run_kx({"eval", "--sheet", model.string(), "A2", "B2", "SUM(A1:B2)", "model!B3", "{1,2}+A1:B1"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "3\n30\n36\n103\n2\t4\n");
  EXPECT_EQ(run.err, "");

  const fs::path cyclic = directory / "cyclic.csv";
  std::ofstream(cyclic) << "=B1,=A1\n";
  const Outcome warned = run_kx({"eval", "--sheet", cyclic.string(), "A1"});
  EXPECT_EQ(warned.status, 0);
  EXPECT_EQ(warned.out, "#ERR(522)\n");
  EXPECT_EQ(warned.err, "kx: warning: circular reference through cyclic!A1, cyclic!B1\n");
  fs::remove_all(directory);
}

TEST(EvalCommand, TheServerGivesTheSameOutputAsInProcess) {
  const std::vector<std::string> formulas = {"kxMMS(9,4,3,1,TRUE,0.05,TRUE)", "kxDHMS(49.75)", "kxMMSQ(2,3,1,250)",
                                             "kxMD1(1,0)"};
  for (const std::string& formula : formulas) {
    SCOPED_TRACE(formula);
    const Outcome in_process = run_kx({"eval", formula});
    const Outcome through_server = run_kx({"--server", "eval", formula});
    EXPECT_EQ(through_server.status, in_process.status);
    EXPECT_EQ(through_server.out, in_process.out);
    EXPECT_EQ(through_server.err, in_process.err);
  }
  // The message box of the queue limit goes to standard error.
  EXPECT_EQ(run_kx({"eval", "kxMMSQ(2,3,1,250)"}).err,
            "Excel can handle a maximum queue length of 242 units.\nReduce the maximum queue length and try again.\n");
}

}  // namespace
}  // namespace cli

namespace cli {
namespace {

const std::string kWriters = std::string(KX_TEST_DATA_DIR) + "/writers/";

// Without a formula, each workbook's sheets as they were read, for the user to check.
TEST(EvalCommand, WithoutAFormulaListsTheSheetsRead) {
  const Outcome run =
      testing::run_kx({"eval", "--sheet", kWriters + "xlsxwriter.xlsx", "--sheet", kWriters + "gnumeric.ods"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "xlsxwriter.xlsx: 3 sheets\n"
            "  Calc   A1:B6   4 formulas\n"
            "  Data   A1:G11  18 formulas\n"
            "  Notes  A1:B1   1 formula, hidden\n"
            "gnumeric.ods: 3 sheets\n"
            "  Calc   A1:B6   4 formulas\n"
            "  Data   A1:G11  18 formulas\n"
            "  Notes  A1:B1   1 formula, hidden\n");
  // A sheet part that no sheet reads is named; a part that cannot be read fails naming the sheet.
  const std::string mapping = std::string(KX_TEST_DATA_DIR) + "/sheet_mapping/";
  const Outcome unused = testing::run_kx({"eval", "--sheet", mapping + "unused_part.xlsx"});
  EXPECT_EQ(unused.status, 0);
  EXPECT_EQ(unused.err, "kx: warning: " + mapping +
                            "unused_part.xlsx: its part xl/worksheets/sheet3.xml holds a sheet that no sheet of the "
                            "workbook reads\n");
  const Outcome outside = testing::run_kx({"eval", "--sheet", mapping + "outside_target.xlsx"});
  EXPECT_EQ(outside.status, 1);
  EXPECT_EQ(outside.out, "");
  EXPECT_EQ(outside.err, "kx: Cannot read \"" + mapping +
                             "outside_target.xlsx\": sheet \"Second\" is to be read from \"../../etc/passwd\", which "
                             "lies outside the file\n");
}

// Formulas land on the sheet the workbook names: before, First!B1 read Second's formula.
TEST(EvalCommand, ReadsEachWritersWorkbook) {
  for (const char* file : {"openpyxl.xlsx", "pandas.xlsx", "xlsxwriter.xlsx", "libreoffice.xlsx", "libreoffice.ods",
                           "gnumeric.xlsx", "gnumeric.ods"}) {
    SCOPED_TRACE(file);
    const Outcome run = testing::run_kx({"eval", "--digits", "17", "--sheet", kWriters + file, "Data!C3", "Data!C5",
                                         "Data!B5", "Calc!B3", "Notes!B1", "Data!E4"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "5\n#VALUE!\n9.9999999999999991E-308\n6\n16\n40\n");
  }
  const Outcome reordered = testing::run_kx(
      {"eval", "--sheet", std::string(KX_TEST_DATA_DIR) + "/sheet_mapping/reordered_ids.xlsx", "First!B1"});
  EXPECT_EQ(reordered.out, "10\n");
}

}  // namespace
}  // namespace cli
