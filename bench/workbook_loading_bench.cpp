// Loading a workbook must cost time in proportion to the file: the time per row of a CSV file
// of formula rows stays the same from 25,000 to 200,000 rows, both for reading the file and
// for parsing and binding its formulas.
#include <benchmark/benchmark.h>

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

}  // namespace
BENCHMARK_MAIN();
