// The rank correlations a simulation report asks for when a model has many outputs: three inputs
// against themselves and 500 to 5,000 outputs over 10,000 iterations, as the report takes them
// (inputs against every series) and, for comparison, every pair of series; each without failed
// iterations and with every output failing in 1% of them.
#include <benchmark/benchmark.h>

#include <cmath>
#include <span>
#include <vector>

#include "common/value.hpp"
#include "host/simulation/statistics.hpp"

namespace {

constexpr int kIterations = 10'000;
constexpr int kInputs = 3;

struct Run {
  std::vector<host::Series> series;  // the inputs, then the outputs
  std::vector<host::AnalysedSeries> analysed;
  std::vector<const host::AnalysedSeries*> pointers;
};

const Run& run_of(int outputs, bool failures) {
  static Run run;
  run = Run{};
  for (int s = 0; s < kInputs + outputs; ++s) {
    host::Series one;
    for (int i = 0; i < kIterations; ++i) {
      if (failures && s >= kInputs && (i + s) % 100 == 0) {
        one.record(kx::ErrorValue{kx::error::kXlNum});
      } else {
        one.record(std::sin(i * 0.001 * (s + 1)) + std::cos(i * 0.7));
      }
    }
    run.series.push_back(std::move(one));
  }
  for (const host::Series& one : run.series) run.analysed.emplace_back(one);
  for (const host::AnalysedSeries& one : run.analysed) run.pointers.push_back(&one);
  return run;
}

void BM_ReportedCorrelations(benchmark::State& state) {
  const Run& run = run_of(static_cast<int>(state.range(0)), state.range(1) != 0);
  const std::span<const host::AnalysedSeries* const> inputs(run.pointers.data(), kInputs);
  for (auto _ : state) benchmark::DoNotOptimize(host::rank_correlations(inputs, run.pointers));
}
BENCHMARK(BM_ReportedCorrelations)
    ->ArgNames({"outputs", "failures"})
    ->ArgsProduct({{500, 5000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// What the report computed before it asked only for what it shows.
void BM_EveryPairCorrelations(benchmark::State& state) {
  const Run& run = run_of(static_cast<int>(state.range(0)), state.range(1) != 0);
  for (auto _ : state) benchmark::DoNotOptimize(host::rank_correlations(run.pointers));
}
BENCHMARK(BM_EveryPairCorrelations)
    ->ArgNames({"outputs", "failures"})
    ->Args({500, 0})
    ->Args({500, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
