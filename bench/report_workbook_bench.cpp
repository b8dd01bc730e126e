// Writing the report workbook of `kx simulate --xlsx` for the bundled model's 100,000 iterations
// (thirteen inputs, three outputs): the summary, sensitivity and histogram sheets, every
// iteration's values and the charts. It should take under 2 s. Times are wall-clock: on a
// shared machine, run it when the machine is otherwise idle.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "bench/bundled_model.hpp"
#include "cli/report_workbook.hpp"
#include "cli/simulation_report.hpp"
#include "host/session/session.hpp"
#include "riskfn/frame/classes.hpp"

namespace {

struct Run {
  host::SimulationResult result;
  cli::SimulationReport report;
};

const Run& bundled_model_run() {
  static const Run run = [] {
    Run made{bench::run_bundled_model(100'000), {}};
    host::Session session({riskfn::create_object("Main")});
    made.report = cli::build_report(bench::kBundledModel, made.result, bench::bundled_model_options(100'000), {},
                                    session.application());
    return made;
  }();
  return run;
}

void BM_ReportWorkbook(benchmark::State& state) {
  const Run& run = bundled_model_run();
  const std::string path =
      (std::filesystem::temp_directory_path() / ("kx_report_workbook_bench_" + std::to_string(getpid()) + ".xlsx"))
          .string();
  for (auto _ : state) cli::write_report_workbook(path, run.report, run.result);
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
  std::filesystem::remove(path);
}
BENCHMARK(BM_ReportWorkbook)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
