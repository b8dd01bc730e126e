// Comparing texts as the spreadsheet does: most pairs differ at an ASCII character and need no
// Unicode keys; accented texts need them, and a text compared over and over keeps its own.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "common/text_order.hpp"
#include "host/document/spreadsheet.hpp"
#include "host/formula/formula_engine.hpp"

namespace {

void compare_pairs(benchmark::State& state, const std::string& prefix) {
  std::vector<std::string> texts;
  for (int i = 0; i < 1000; ++i) texts.push_back(prefix + "Item " + std::to_string(i * 7919 % 1000));
  for (auto _ : state) {
    int less = 0;
    for (std::size_t i = 1; i < texts.size(); ++i) less += kx::compare_texts(texts[i - 1], texts[i]) < 0;
    benchmark::DoNotOptimize(less);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(texts.size() - 1));
}

void BM_CompareAsciiTexts(benchmark::State& state) { compare_pairs(state, ""); }
void BM_CompareAccentedTexts(benchmark::State& state) { compare_pairs(state, "\xC3\xA9t\xC3\xA9 "); }

// 100,000 cells against one long accented text, as =A1:A100000>"é…" reads them.
void BM_CompareAColumnWithOneText(benchmark::State& state) {
  auto application = host::Spreadsheet::create();
  auto sheet = application->add_book("model.xlsx")->add_sheet("Sheet1");
  for (int row = 1; row <= 100'000; ++row) sheet->set_value(row, 1, "\xC3\xA9" + std::to_string(row));
  host::FormulaEngine engine(application);
  engine.load();
  const std::string formula = "=SUM(--(A1:A100000>\"\xC3\xA9t\xC3\xA9 " + std::string(100, 'x') + "\"))";
  for (auto _ : state) benchmark::DoNotOptimize(engine.evaluate(formula));
  state.SetItemsProcessed(state.iterations() * 100'000);
}

BENCHMARK(BM_CompareAsciiTexts);
BENCHMARK(BM_CompareAccentedTexts);
BENCHMARK(BM_CompareAColumnWithOneText)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
