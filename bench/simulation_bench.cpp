// Iterations per second of whole simulations: the five-input model of the speed goal, models
// of 10, 100 and 1,000 formula cells (so that the cost per cell shows), and the bundled product
// launch model at 100,000 iterations with the share of its time spent in the inverse beta and
// gamma quantiles. Each on one and on two workers, and with each iteration recalculated alone
// (block 1) or a block of iterations a formula at a time (block 256). Times are wall-clock: on a
// shared machine, run it when the machine is otherwise idle, or count instructions instead
// (valgrind --tool=callgrind build/bench/simulation_bench --benchmark_filter=FormulaCells/...).
// five_input_model_numpy.py is the same model in numpy, the yardstick for whole processes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "common/uniform_generator.hpp"
#include "host/document/spreadsheet.hpp"
#include "host/files/workbook_files.hpp"
#include "host/simulation/simulation.hpp"
#include "host/simulation/statistics.hpp"
#include "riskfn/frame/classes.hpp"

namespace {

using Clock = std::chrono::steady_clock;

host::ModelSource from_csv(std::string csv) {
  return {[csv] { return host::read_workbook(csv, host::WorkbookFormat::Csv, "model.csv"); },
          [] { return std::vector<kx::ObjectRef>{riskfn::create_object("Main")}; }};
}

// The run and the statistics of every series, as the report computes them: summaries and
// every rank correlation.
void simulate_and_summarise(const host::ModelSource& source, std::int64_t iterations, int threads,
                            std::int64_t block = 256) {
  host::SimulationOptions options;
  options.evaluation_block = block;
  options.iterations = iterations;
  options.seed = 1;
  options.threads = threads;
  const host::SimulationResult result = host::simulate(source, options);
  std::vector<const host::Series*> series;
  for (const auto& one : result.collection.inputs) series.push_back(&one);
  for (const auto& one : result.collection.outputs) series.push_back(&one);
  const std::vector<host::AnalysedSeries> analysed = host::analyse(series, threads);
  std::vector<const host::AnalysedSeries*> pointers;
  for (const auto& one : analysed) pointers.push_back(&one);
  benchmark::DoNotOptimize(host::rank_correlations(pointers));
}

void run(benchmark::State& state, const host::ModelSource& source, std::int64_t iterations, std::int64_t block) {
  const int threads = static_cast<int>(state.range(0));
  for (auto _ : state) simulate_and_summarise(source, iterations, threads, block);
  state.counters["iterations_per_s"] =
      benchmark::Counter(static_cast<double>(iterations), benchmark::Counter::kIsIterationInvariantRate);
}

// Two normals, two uniforms and a Poisson count feeding three outputs.
void BM_FiveInputModel(benchmark::State& state) {
  static const host::ModelSource source = from_csv(
      "\"=kxNORMAL(10,2,,\"\"\"\")\",\"=A1+A2+kxOUTPUT()\"\n"
      "\"=kxNORMAL(-3,1.5,,\"\"\"\")\",\"=A3*A4+kxOUTPUT()\"\n"
      "\"=kxUNIFORM(0,1,,\"\"\"\")\",\"=A5+kxOUTPUT()\"\n"
      "\"=kxUNIFORM(0,1,,\"\"\"\")\"\n"
      "\"=kxPOISSON(4,,\"\"\"\")\"\n");
  run(state, source, 200'000, state.range(1));
}
BENCHMARK(BM_FiveInputModel)
    ->ArgNames({"threads", "block"})
    ->ArgsProduct({{1, 2}, {1, 256}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// One normal input and a chain of formula cells, each growing the one above: the cost of a cell.
void BM_FormulaCells(benchmark::State& state) {
  const auto cells = static_cast<int>(state.range(1));
  std::string csv = "\"=kxNORMAL(100,15,,\"\"\"\")\"\n";
  for (int row = 2; row < cells; ++row) csv += "\"=A" + std::to_string(row - 1) + "*1.01+1\"\n";
  csv += "\"=A" + std::to_string(cells - 1) + "+kxOUTPUT()\"\n";
  const host::ModelSource source = from_csv(csv);
  const std::int64_t iterations = 2'000'000 / cells;
  run(state, source, iterations, state.range(2));
  // The time of one iteration divided by the formula cells.
  state.counters["per_cell"] =
      benchmark::Counter(static_cast<double>(iterations) * cells,
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FormulaCells)
    ->ArgNames({"threads", "cells", "block"})
    ->ArgsProduct({{1, 2}, {10, 100, 1000}, {1, 256}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The bundled model from its file, as `kx simulate -n 100000` runs it (process start aside), with
// each iteration recalculated alone (block 1) or a block at a time (block 256).
void BM_DefaultModel(benchmark::State& state) {
  const std::string path = std::string(KX_SOURCE_DIR) + "/examples/product_launch.xlsx";
  const host::ModelSource source{[path] { return host::load_workbook(path); },
                                 [] { return std::vector<kx::ObjectRef>{riskfn::create_object("Main")}; }};
  constexpr std::int64_t kIterations = 100'000;
  const int threads = static_cast<int>(state.range(0));
  double seconds = 0;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    simulate_and_summarise(source, kIterations, threads, state.range(1));
    seconds += std::chrono::duration<double>(Clock::now() - start).count();
  }
  // The same iterations' inverse beta (market share, price erosion) and gamma (launch
  // marketing) quantiles alone, through the host's number path as the sampling functions take it.
  const auto spreadsheet = host::Spreadsheet::create();
  kx::Application& application = *spreadsheet;
  kx::UniformGenerator& generator = kx::uniform_generator();
  const auto quantile = [&](kx::WorksheetFn fn, std::initializer_list<double> arguments) {
    benchmark::DoNotOptimize(application.call_number(fn, std::span<const double>(arguments.begin(), arguments.size())));
  };
  const Clock::time_point start = Clock::now();
  for (std::int64_t i = 0; i < kIterations; ++i) {
    quantile(kx::WorksheetFn::BetaInv, {generator.next(), 2.6, 3.4, 0.06, 0.16});
    quantile(kx::WorksheetFn::BetaInv, {generator.next(), 2.0, 5.0, 0.0, 0.15});
    quantile(kx::WorksheetFn::GammaInv, {generator.next(), 16.0, 50000.0});
  }
  const double quantile_seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const double run_seconds = seconds / static_cast<double>(state.iterations());
  state.counters["iterations_per_s"] = static_cast<double>(kIterations) / run_seconds;
  // Of the CPU time of all workers together.
  state.counters["beta_gamma_share"] = quantile_seconds / (run_seconds * threads);
}
BENCHMARK(BM_DefaultModel)
    ->ArgNames({"threads", "block"})
    ->ArgsProduct({{1, 2}, {1, 256}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
