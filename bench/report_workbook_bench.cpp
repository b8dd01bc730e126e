// Writing the report workbook of `kx simulate --xlsx` for the bundled model's 100,000 iterations
// (thirteen inputs, three outputs): the summary, sensitivity and histogram sheets, every
// iteration's values and the charts. It should take under 2 s. Times are wall-clock: on a
// shared machine, run it when the machine is otherwise idle.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "cli/report_workbook.hpp"
#include "cli/simulation_report.hpp"
#include "host/files/workbook_files.hpp"
#include "host/session/session.hpp"
#include "host/simulation/simulation.hpp"
#include "riskfn/frame/classes.hpp"

namespace {

struct Run {
  host::SimulationResult result;
  cli::SimulationReport report;
};

const Run& bundled_model_run() {
  static const Run run = [] {
    const std::string path = std::string(KX_SOURCE_DIR) + "/examples/product_launch.xlsx";
    const host::ModelSource source{[path] { return host::load_workbook(path); },
                                   [] { return std::vector<kx::ObjectRef>{riskfn::create_object("Main")}; }};
    host::SimulationOptions options;
    options.iterations = 100'000;
    options.seed = 1;
    options.threads = 2;
    Run made{host::simulate(source, options), {}};
    host::Session session({riskfn::create_object("Main")});
    made.report = cli::build_report(path, made.result, options, {}, session.application());
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
