#include "cli/simulate_command.hpp"

#include <fmt/format.h>

#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

#include "cli/call_failure_text.hpp"
#include "cli/components.hpp"
#include "cli/csv_separator_check.hpp"
#include "cli/iterations_csv.hpp"
#include "cli/progress_bar.hpp"
#include "cli/report_json.hpp"
#include "cli/report_plot.hpp"
#include "cli/report_text.hpp"
#include "cli/report_workbook.hpp"
#include "cli/simulation_report.hpp"
#include "cli/terminal_text.hpp"
#include "cli/workbook_loading.hpp"
#include "common/failure.hpp"
#include "host/files/workbook_files.hpp"
#include "host/session/session.hpp"
#include "riskfn/frame/classes.hpp"

namespace cli {

std::string default_model_path() {
  constexpr const char* kName = "examples/product_launch.xlsx";
  const std::filesystem::path in_sources = std::filesystem::path(KX_SOURCE_DIR) / kName;
  return std::filesystem::exists(in_sources) ? in_sources.string() : kName;
}

int run_simulate(const SimulateOptions& options) {
  const std::string model = options.model.empty() ? default_model_path() : options.model;
  if (!options.plot_path.empty()) check_plot_path(options.plot_path);
  refuse_semicolon_csv(model);
  // Every worker loads the model; what it could not read is said once.
  std::once_flag warned;
  const host::ModelSource source{[&model, &warned] {
                                   auto book = host::load_workbook(model);
                                   std::call_once(warned, [&] { print_read_warnings(model, *book); });
                                   return book;
                                 },
                                 // Each worker has its own components; with --server, its own mktfn server too.
                                 [&options] { return component_objects(options.server); }};
  host::SimulationOptions run;
  run.iterations = options.iterations;
  run.seed = options.seed;
  run.threads = options.threads.value_or(static_cast<int>(std::max(1U, std::thread::hardware_concurrency())));
  run.sampling = options.sampling;
  run.overrides = options.overrides;
  run.precision = options.precision;
  run.fix_correlations = options.fix_correlations;
  // KX_EVALUATION_BLOCK=1 recalculates each iteration alone, to compare against block evaluation.
  if (const char* block = std::getenv("KX_EVALUATION_BLOCK")) run.evaluation_block = std::max(1LL, std::atoll(block));
  // A target or scenario for an output the model does not have is said before the run, not after it.
  run.check_model = [&options](const host::SimulationModel& found) {
    for (const Target& target : options.report.targets) {
      const bool known = std::any_of(found.outputs.begin(), found.outputs.end(),
                                     [&](const host::ModelCell& output) { return targets_output(target, output); });
      if (!known) throw kx::Failure(kx::error::kHostFailure, "--target: the model has no output " + target.output);
    }
    for (const Scenario& scenario : options.report.scenarios) {
      const bool known = std::any_of(found.outputs.begin(), found.outputs.end(),
                                     [&](const host::ModelCell& output) { return names_output(scenario.output, output); });
      if (!known) throw kx::Failure(kx::error::kHostFailure, "--scenario: the model has no output " + scenario.output);
    }
  };

  host::SimulationResult result;
  {
    ProgressBar bar;
    result = host::simulate(source, run, [&bar](const host::SimulationProgress& progress) { bar.show(progress); });
  }

  // A cell shows only its error value; the cause goes to standard error.
  for (const auto& failed : result.call_failures) {
    print_error_line(fmt::format("warning: {}: {}", failed.cell, call_failure_text(failed.failure)));
  }

  // kxHISTO and kxOPTNUM reach the host's worksheet functions, so the report has a session of its own.
  host::Session session({riskfn::create_object("Main")});
  ReportSettings settings = options.report;
  settings.convergence = !options.plot_path.empty();
  const SimulationReport report = build_report(model, result, run, settings, session.application());
  if (options.json) {
    fmt::print("{}", report_json(report));
  } else {
    fmt::print("{}", report_text(report, run.threads, result.seconds, terminal_columns(STDOUT_FILENO)));
  }
  if (!options.csv_path.empty()) write_iterations_csv(options.csv_path, result);
  if (!options.plot_path.empty()) draw_report(options.plot_path, report);
  if (!options.xlsx_path.empty()) write_report_workbook(options.xlsx_path, report, result);
  return 0;
}

}  // namespace cli
