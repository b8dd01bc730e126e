// Exact lookups over a static table of 10,000 rows, as a simulation repeats them at every
// recalculation: after the first, each call finds its row through the range's index. The
// per_call counter is one recalculation's time divided by the lookups in it.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "host/document/spreadsheet.hpp"
#include "host/formula/formula_engine.hpp"

namespace {

constexpr int kTableRows = 10'000;
constexpr int kLookups = 100;

// Column A holds numeric keys, B their values, C text keys; D the keys to find; E the lookups.
void lookups(benchmark::State& state, const std::string& pattern) {
  auto application = host::Spreadsheet::create();
  auto sheet = application->add_book("model.xlsx")->add_sheet("Sheet1");
  for (int row = 1; row <= kTableRows; ++row) {
    sheet->set_value(row, 1, static_cast<double>(row * 7));
    sheet->set_value(row, 2, static_cast<double>(row));
    sheet->set_value(row, 3, "item " + std::to_string(row));
  }
  for (int row = 1; row <= kLookups; ++row) {
    const int wanted = (row * 97) % kTableRows + 1;  // spread over the table, late rows included
    sheet->set_value(row, 4, static_cast<double>(wanted * 7));
    sheet->set_value(row, 6, "item " + std::to_string(wanted));
    std::string text = pattern;
    for (std::size_t at = text.find('#'); at != std::string::npos; at = text.find('#')) {
      text.replace(at, 1, std::to_string(row));
    }
    sheet->set_formula(row, 5, text);
  }
  host::FormulaEngine engine(application);
  engine.load();
  engine.recalculate();  // the first calls build the indexes
  for (auto _ : state) engine.recalculate_all();
  state.counters["per_call"] = benchmark::Counter(
      static_cast<double>(kLookups), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_VlookupExact(benchmark::State& state) { lookups(state, "=VLOOKUP(D#,$A$1:$B$10000,2,FALSE)"); }
void BM_XlookupExact(benchmark::State& state) { lookups(state, "=XLOOKUP(D#,$A$1:$A$10000,$B$1:$B$10000)"); }
void BM_MatchExact(benchmark::State& state) { lookups(state, "=MATCH(D#,$A$1:$A$10000,0)"); }
void BM_MatchText(benchmark::State& state) { lookups(state, "=MATCH(F#,$C$1:$C$10000,0)"); }
void BM_VlookupApproximate(benchmark::State& state) { lookups(state, "=VLOOKUP(D#+3,$A$1:$B$10000,2,TRUE)"); }
// INDEX gives a reference to the cell it picks, which the formula then reads.
void BM_IndexMatch(benchmark::State& state) { lookups(state, "=INDEX($B$1:$B$10000,MATCH(D#,$A$1:$A$10000,0))"); }

BENCHMARK(BM_VlookupExact);
BENCHMARK(BM_XlookupExact);
BENCHMARK(BM_MatchExact);
BENCHMARK(BM_MatchText);
BENCHMARK(BM_VlookupApproximate);
BENCHMARK(BM_IndexMatch);

}  // namespace

BENCHMARK_MAIN();
