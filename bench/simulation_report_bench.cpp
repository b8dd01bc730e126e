// Building the report of `kx simulate` over the five-input model's 1,000,000 iterations (two
// normals, two uniforms and a Poisson count feeding three outputs): every series sorted and
// ranked, the summaries, class tables, settling run counts, rank correlations and swings, on one
// and on two threads; and the sort and ranking of one series alone. Times are wall-clock: on a
// shared machine, run it when the machine is otherwise idle. The bundled model's report at 100,000
// iterations is built too, as `kx simulate` builds it.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bundled_model.hpp"
#include "cli/simulation_report.hpp"
#include "host/files/workbook_files.hpp"
#include "host/session/session.hpp"
#include "host/simulation/simulation.hpp"
#include "host/simulation/statistics.hpp"
#include "riskfn/frame/classes.hpp"

namespace {

constexpr std::int64_t kIterations = 1'000'000;

const host::SimulationResult& five_input_run() {
  static const host::SimulationResult result = [] {
    const std::string csv =
        "\"=kxNORMAL(10,2,,\"\"\"\")\",\"=A1+A2+kxOUTPUT()\"\n"
        "\"=kxNORMAL(-3,1.5,,\"\"\"\")\",\"=A3*A4+kxOUTPUT()\"\n"
        "\"=kxUNIFORM(0,1,,\"\"\"\")\",\"=A5+kxOUTPUT()\"\n"
        "\"=kxUNIFORM(0,1,,\"\"\"\")\"\n"
        "\"=kxPOISSON(4,,\"\"\"\")\"\n";
    const host::ModelSource source{[csv] { return host::read_workbook(csv, host::WorkbookFormat::Csv, "model.csv"); },
                                   [] { return std::vector<kx::ObjectRef>{riskfn::create_object("Main")}; }};
    host::SimulationOptions options;
    options.iterations = kIterations;
    options.seed = 1;
    options.threads = 2;
    return host::simulate(source, options);
  }();
  return result;
}

void BM_BuildReport(benchmark::State& state) {
  const host::SimulationResult& result = five_input_run();
  host::SimulationOptions options;
  options.iterations = kIterations;
  options.seed = 1;
  options.threads = static_cast<int>(state.range(0));
  host::Session session({riskfn::create_object("Main")});
  for (auto _ : state)
    benchmark::DoNotOptimize(cli::build_report("model.csv", result, options, {}, session.application()));
  state.counters["iterations_per_s"] =
      benchmark::Counter(static_cast<double>(kIterations), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BuildReport)->ArgName("threads")->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

// The report of the bundled model's 100,000 iterations (twelve inputs, three outputs), as
// `kx simulate` builds it after its run.
void BM_BuildDefaultModelReport(benchmark::State& state) {
  static const host::SimulationResult result = bench::run_bundled_model(100'000);
  host::SimulationOptions options = bench::bundled_model_options(100'000);
  options.threads = static_cast<int>(state.range(0));
  host::Session session({riskfn::create_object("Main")});
  for (auto _ : state)
    benchmark::DoNotOptimize(cli::build_report("product_launch.xlsx", result, options, {}, session.application()));
}
BENCHMARK(BM_BuildDefaultModelReport)->ArgName("threads")->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

// One normal input's million values sorted, ranked and summarised.
void BM_AnalyseSeries(benchmark::State& state) {
  const host::Series& input = five_input_run().collection.inputs.front();
  for (auto _ : state) benchmark::DoNotOptimize(host::AnalysedSeries(input));
}
BENCHMARK(BM_AnalyseSeries)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
