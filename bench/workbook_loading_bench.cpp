// Loading a workbook must cost time in proportion to the file: the time per row of a CSV file
// of formula rows stays the same from 25,000 to 200,000 rows, both for reading the file and
// for parsing and binding its formulas. .xlsx and .fods files of such rows measure the
// spreadsheet readers.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/document/spreadsheet.hpp"
#include "host/files/workbook_files.hpp"
#include "host/formula/formula_engine.hpp"

namespace {

// Rows "1,2,=A1:B1*1": each formula multiplies the two numbers beside it (a spilling array).
std::string formula_rows(std::int64_t rows) {
  std::string csv;
  for (std::int64_t row = 1; row <= rows; ++row)
    csv += "1,2,=A" + std::to_string(row) + ":B" + std::to_string(row) + "*1\n";
  return csv;
}

void BM_ReadCsvRows(benchmark::State& state) {
  const std::string csv = formula_rows(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(host::read_workbook(csv, host::WorkbookFormat::Csv, "rows.csv"));
  state.counters["per_row"] = benchmark::Counter(
      static_cast<double>(state.range(0)), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReadCsvRows)->Arg(25'000)->Arg(50'000)->Arg(100'000)->Arg(200'000)->Unit(benchmark::kMillisecond);

void BM_LoadCsvFormulas(benchmark::State& state) {
  const std::string csv = formula_rows(state.range(0));
  for (auto _ : state) {
    const auto application = host::Spreadsheet::create();
    application->add_book(host::read_workbook(csv, host::WorkbookFormat::Csv, "rows.csv"));
    host::FormulaEngine engine(application);
    engine.load();
    benchmark::DoNotOptimize(engine);
  }
  state.counters["per_row"] = benchmark::Counter(
      static_cast<double>(state.range(0)), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LoadCsvFormulas)->Arg(25'000)->Arg(50'000)->Arg(100'000)->Arg(200'000)->Unit(benchmark::kMillisecond);

// The same rows as a spreadsheet program writes them: two numbers, a shared text, a formula.
std::string xlsx_rows(std::int64_t rows) {
  const auto path = std::filesystem::temp_directory_path() / ("kx_bench_rows_" + std::to_string(::getpid()) + ".xlsx");
  lxw_workbook* workbook = workbook_new(path.c_str());
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Rows");
  for (std::int64_t row = 0; row < rows; ++row) {
    const auto at = static_cast<lxw_row_t>(row);
    worksheet_write_number(sheet, at, 0, 1.0 + static_cast<double>(row) / 7.0, nullptr);
    worksheet_write_number(sheet, at, 1, 2.0, nullptr);
    worksheet_write_string(sheet, at, 2, row % 2 == 0 ? "even" : "odd", nullptr);
    const std::string formula = "=A" + std::to_string(row + 1) + "*B" + std::to_string(row + 1);
    worksheet_write_formula_num(sheet, at, 3, formula.c_str(), nullptr, 2.0 + 2.0 * static_cast<double>(row) / 7.0);
  }
  workbook_close(workbook);
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  std::filesystem::remove(path);
  return bytes.str();
}

std::string fods_rows(std::int64_t rows) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
      "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
      "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:mimetype=\"application/"
      "vnd.oasis.opendocument.spreadsheet\"><office:body><office:spreadsheet><table:table table:name=\"Rows\">";
  for (std::int64_t row = 1; row <= rows; ++row) {
    const std::string r = std::to_string(row);
    xml += "<table:table-row><table:table-cell office:value-type=\"float\" office:value=\"" +
           std::to_string(1.0 + static_cast<double>(row) / 7.0) +
           "\"/><table:table-cell office:value-type=\"float\" office:value=\"2\"/>"
           "<table:table-cell office:value-type=\"string\"><text:p>" +
           (row % 2 == 0 ? "even" : "odd") +
           "</text:p></table:table-cell><table:table-cell table:formula=\"of:=[.A" + r + "]*[.B" + r +
           "]\" office:value-type=\"float\" office:value=\"2\"/></table:table-row>";
  }
  xml += "</table:table></office:spreadsheet></office:body></office:document>";
  return xml;
}

template <std::string (*Make)(std::int64_t), host::WorkbookFormat kFormat>
void BM_ReadSpreadsheetRows(benchmark::State& state) {
  const std::string content = Make(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(host::read_workbook(content, kFormat, "rows"));
  state.counters["per_row"] = benchmark::Counter(
      static_cast<double>(state.range(0)), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReadSpreadsheetRows<xlsx_rows, host::WorkbookFormat::Xlsx>)
    ->Name("BM_ReadXlsxRows")
    ->Arg(25'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSpreadsheetRows<fods_rows, host::WorkbookFormat::FlatOds>)
    ->Name("BM_ReadFodsRows")
    ->Arg(25'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
