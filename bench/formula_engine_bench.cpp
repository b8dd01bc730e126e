// Engine overhead per formula cell per recalculation, for models of 10, 100 and 1,000 cells
// with cheap formulas, so that nearly all the time measured is the engine's own. The
// per_cell counter is the time of one full recalculation divided by the formula cells.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "host/document/spreadsheet.hpp"
#include "host/formula/formula_engine.hpp"

namespace {

using Fill = void (*)(host::Sheet& sheet, int cells);

// =A1+1, =B1+1, ...: each cell reads the one above it.
void chain(host::Sheet& sheet, int cells) {
  sheet.set_value(1, 1, 1.0);
  sheet.set_formula(1, 2, "=A1+1");
  for (int row = 2; row <= cells; ++row) sheet.set_formula(row, 2, "=B" + std::to_string(row - 1) + "+1");
}

// =SUM(A1:A10), =SUM(A2:A11), ...: a sliding window of ten constants.
void window_sums(host::Sheet& sheet, int cells) {
  for (int row = 1; row <= cells + 9; ++row) sheet.set_value(row, 1, static_cast<double>(row));
  for (int row = 1; row <= cells; ++row) {
    sheet.set_formula(row, 2, "=SUM(A" + std::to_string(row) + ":A" + std::to_string(row + 9) + ")");
  }
}

// A growth model: each period's value from the last one, a rate and an input.
void growth(host::Sheet& sheet, int cells) {
  sheet.set_value(1, 1, 0.05);
  sheet.set_value(1, 2, 100.0);
  for (int row = 2; row <= cells + 1; ++row) {
    sheet.set_value(row, 3, static_cast<double>(row));
    sheet.set_formula(row, 2,
                      "=IF(C" + std::to_string(row) + ">0,B" + std::to_string(row - 1) + "*(1+$A$1)+C" +
                          std::to_string(row) + "/2,0)");
  }
}

void recalculate(benchmark::State& state, Fill fill) {
  const int cells = static_cast<int>(state.range(0));
  auto application = host::Spreadsheet::create();
  auto sheet = application->add_book("model.xlsx")->add_sheet("Sheet1");
  fill(*sheet, cells);
  host::FormulaEngine engine(application);
  engine.load();
  engine.recalculate();  // computes the order once
  for (auto _ : state) engine.recalculate_all();
  state.counters["per_cell"] = benchmark::Counter(
      static_cast<double>(cells), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Chain(benchmark::State& state) { recalculate(state, chain); }
void BM_WindowSums(benchmark::State& state) { recalculate(state, window_sums); }
void BM_Growth(benchmark::State& state) { recalculate(state, growth); }

BENCHMARK(BM_Chain)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_WindowSums)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_Growth)->Arg(10)->Arg(100)->Arg(1000);

}  // namespace

BENCHMARK_MAIN();
