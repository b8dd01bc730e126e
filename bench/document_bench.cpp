// Reading ranges of the document model: one cell, a dense block, a sparse column.
#include <benchmark/benchmark.h>

#include "host/document/spreadsheet.hpp"

namespace {

struct Model {
  Model() {
    book = application->add_book("model.csv");
    sheet = book->add_sheet("Data");
    for (int r = 1; r <= 1000; ++r) {
      for (int c = 1; c <= 10; ++c) sheet->set_value(r, c, kx::Value(r * 0.5 + c));
    }
  }
  std::shared_ptr<host::Spreadsheet> application = host::Spreadsheet::create();
  std::shared_ptr<host::Book> book;
  std::shared_ptr<host::Sheet> sheet;
};

void BM_ReadOneCell(benchmark::State& state) {
  Model model;
  for (auto _ : state) benchmark::DoNotOptimize(model.sheet->cells(500, 5)->value());
}
BENCHMARK(BM_ReadOneCell);

// A 1,000 x 10 block read as one array: the cost per cell is the figure to watch.
void BM_ReadDenseBlock(benchmark::State& state) {
  Model model;
  const kx::RangeRef block = model.sheet->range("A1:J1000");
  for (auto _ : state) benchmark::DoNotOptimize(block->value());
  state.SetItemsProcessed(state.iterations() * block->count());
}
BENCHMARK(BM_ReadDenseBlock);

// A mostly empty column of 100,000 cells: read by walking the written cells.
void BM_ReadSparseColumn(benchmark::State& state) {
  Model model;
  const kx::RangeRef column = model.sheet->range("K1:K100000");
  for (auto _ : state) benchmark::DoNotOptimize(column->value());
  state.SetItemsProcessed(state.iterations() * column->count());
}
BENCHMARK(BM_ReadSparseColumn);

}  // namespace

BENCHMARK_MAIN();
