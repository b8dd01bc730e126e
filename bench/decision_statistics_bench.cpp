// What the figures an analyst decides on cost: the five-input model of the simulation benchmark
// at 1,000,000 iterations on two workers, summarised as the report does (sorting, summaries,
// rank correlations), without and with ten targets, seven chosen percentiles and the 95%
// intervals of the mean and of every percentile. The second should cost at most a tenth more.
// Times are wall-clock: on a shared machine, run it when the machine is otherwise idle.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "host/files/workbook_files.hpp"
#include "host/simulation/confidence_intervals.hpp"
#include "host/simulation/simulation.hpp"
#include "host/simulation/statistics.hpp"
#include "riskfn/frame/classes.hpp"

namespace {

constexpr std::int64_t kIterations = 1'000'000;
constexpr int kThreads = 2;

// Two normals, two uniforms and a Poisson count feeding three outputs.
const host::ModelSource& five_input_model() {
  static const host::ModelSource source{
      [] {
        return host::read_workbook(
            "\"=kxNORMAL(10,2,,\"\"\"\")\",\"=A1+A2+kxOUTPUT()\"\n"
            "\"=kxNORMAL(-3,1.5,,\"\"\"\")\",\"=A3*A4+kxOUTPUT()\"\n"
            "\"=kxUNIFORM(0,1,,\"\"\"\")\",\"=A5+kxOUTPUT()\"\n"
            "\"=kxUNIFORM(0,1,,\"\"\"\")\"\n"
            "\"=kxPOISSON(4,,\"\"\"\")\"\n",
            host::WorkbookFormat::Csv, "model.csv");
      },
      [] { return std::vector<kx::ObjectRef>{riskfn::create_object("Main")}; }};
  return source;
}

void BM_FiveInputModelDecisionStatistics(benchmark::State& state) {
  const bool with_figures = state.range(0) != 0;
  const std::vector<double> percentiles =
      with_figures ? std::vector<double>{1, 5, 10, 50, 90, 95, 99}
                   : std::vector<double>(host::kReportedPercentiles.begin(), host::kReportedPercentiles.end());
  host::SimulationOptions options;
  options.iterations = kIterations;
  options.seed = 1;
  options.threads = kThreads;
  for (auto _ : state) {
    const host::SimulationResult result = host::simulate(five_input_model(), options);
    std::vector<const host::Series*> series;
    for (const auto& one : result.collection.inputs) series.push_back(&one);
    for (const auto& one : result.collection.outputs) series.push_back(&one);
    const std::vector<host::AnalysedSeries> analysed = host::analyse(series, kThreads, percentiles);
    std::vector<const host::AnalysedSeries*> pointers;
    for (const auto& one : analysed) pointers.push_back(&one);
    benchmark::DoNotOptimize(host::rank_correlations(pointers));
    if (!with_figures) continue;
    for (std::size_t o = result.collection.inputs.size(); o < analysed.size(); ++o) {
      const host::AnalysedSeries& output = analysed[o];
      benchmark::DoNotOptimize(host::mean_interval95(output.summary()));
      for (const double k : percentiles) benchmark::DoNotOptimize(host::percentile_interval95(output.sorted(), k));
      for (int target = 0; target < 10; ++target)
        benchmark::DoNotOptimize(host::share_at_or_below(output.sorted(), target));
    }
  }
  state.counters["iterations_per_s"] =
      benchmark::Counter(static_cast<double>(kIterations), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_FiveInputModelDecisionStatistics)
    ->ArgName("figures")
    ->Arg(0)
    ->Arg(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The added figures alone, on one output of a million sorted values: what the run above adds
// per output, without the machine's noise around it.
void BM_DecisionFiguresOfOneOutput(benchmark::State& state) {
  std::vector<double> sorted(kIterations);
  for (std::size_t i = 0; i < sorted.size(); ++i) sorted[i] = static_cast<double>(i) * 0.001 - 300;
  const double percentiles[] = {1, 5, 10, 50, 90, 95, 99};
  host::Summary summary;
  summary.count = kIterations;
  summary.mean = 200;
  summary.std_dev = 288;
  for (auto _ : state) {
    benchmark::DoNotOptimize(host::mean_interval95(summary));
    for (const double k : percentiles) benchmark::DoNotOptimize(host::percentile_interval95(sorted, k));
    for (int target = 0; target < 10; ++target) benchmark::DoNotOptimize(host::share_at_or_below(sorted, target));
  }
}
BENCHMARK(BM_DecisionFiguresOfOneOutput)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
