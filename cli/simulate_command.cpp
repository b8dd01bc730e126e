#include "cli/simulate_command.hpp"

#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "cli/atomic_file.hpp"
#include "cli/call_failure_text.hpp"
#include "cli/components.hpp"
#include "cli/csv_separator_check.hpp"
#include "cli/iterations_csv.hpp"
#include "cli/memory_budget.hpp"
#include "cli/mpi_simulation.hpp"
#include "cli/progress_bar.hpp"
#include "cli/report_json.hpp"
#include "cli/report_plot.hpp"
#include "cli/report_text.hpp"
#include "cli/report_workbook.hpp"
#include "cli/simulation_report.hpp"
#include "cli/streaming_run.hpp"
#include "cli/terminal_text.hpp"
#include "cli/workbook_loading.hpp"
#include "common/failure.hpp"
#include "host/files/workbook_files.hpp"
#include "host/session/session.hpp"
#include "host/simulation/partial_result.hpp"
#include "host/simulation/run_limits.hpp"
#include "riskfn/frame/classes.hpp"

namespace cli {

namespace {

// The model's bytes and how a CSV model is read, from the first call on: a file that cannot be read
// or would be read wrongly fails that call, and every later one.
class ModelFile {
 public:
  ModelFile(std::string path, const SimulateOptions& options) : path_(std::move(path)), options_(options) {}

  const host::WorkbookFile& bytes() { return read().file; }
  const host::CsvFormat& csv() { return read().csv; }

 private:
  struct Read {
    host::WorkbookFile file;
    host::CsvFormat csv;
  };
  const Read& read() {
    std::call_once(once_, [this] {
      host::WorkbookFile file = host::read_workbook_file(path_);
      const host::CsvFormat csv = csv_format_for(file, options_.delimiter, options_.decimal);
      read_.emplace(Read{std::move(file), csv});
    });
    return *read_;
  }

  std::string path_;
  const SimulateOptions& options_;
  std::once_flag once_;
  std::optional<Read> read_;
};

// Runs one share of the iterations and writes it as a partial result; kx merge makes the report.
int run_part(const SimulateOptions& options, ModelFile& model, const host::ModelSource& source,
             host::SimulationOptions run) {
  if (launched_ranks().size > 1)
    throw kx::Failure(kx::error::kHostFailure, "--part is for jobs started apart; under mpirun the ranks share the run");
  if (!run.seed) throw kx::Failure(kx::error::kHostFailure, "--part needs --seed: every part must draw from the same run");
  if (options.partial_path.empty())
    throw kx::Failure(kx::error::kHostFailure, "--part needs --partial FILE, the file the share is written to");
  if (options.json || !options.csv_path.empty() || !options.plot_path.empty() || !options.xlsx_path.empty())
    throw kx::Failure(kx::error::kHostFailure, "--part writes a partial result: ask kx merge for the report and its files");
  check_writable(options.partial_path);
  host::PartialResult partial;
  partial.part = options.part->part;
  partial.parts = options.part->parts;
  run.share = host::share_of(run.iterations, partial.part - 1, partial.parts);
  {
    ProgressBar bar;
    partial.result = host::simulate(source, run, [&bar](const host::SimulationProgress& progress) { bar.show(progress); });
  }
  const host::CsvFormat& csv = model.csv();
  partial.model = model.bytes().path;
  partial.model_hash = host::content_hash(model.bytes().content);
  partial.reading = fmt::format("delimiter {} decimal {}", csv.delimiter == '\t' ? "tab" : std::string(1, csv.delimiter),
                                csv.decimal);
  partial.options = run;
  AtomicFile file(options.partial_path);
  file.write(host::partial_result_bytes(partial));
  file.commit();
  const host::IterationRange& share = *run.share;
  fmt::print("part {} of {}: iterations {} to {} of {} written to {}\n", partial.part, partial.parts, share.first + 1,
             share.first + share.count, run.iterations, options.partial_path);
  return 0;
}

// Without its server, every iteration after the loss fails: that is no result to report.
kx::Failure lost_server(const host::FormulaEngine::CellFailure& failed) {
  return kx::Failure(kx::error::kServerUnavailable,
                     fmt::format("the run lost its mktfn server: {}: {}", failed.cell, failed.failure.message));
}

}  // namespace

std::string default_model_path() {
  constexpr const char* kName = "examples/product_launch.xlsx";
  const std::filesystem::path in_sources = std::filesystem::path(KX_SOURCE_DIR) / kName;
  return std::filesystem::exists(in_sources) ? in_sources.string() : kName;
}

void check_report_outputs(const ReportSettings& settings, const host::SimulationModel& model) {
  for (const Target& target : settings.targets) {
    const bool known = std::any_of(model.outputs.begin(), model.outputs.end(),
                                   [&](const host::ModelCell& output) { return targets_output(target, output); });
    if (!known) throw kx::Failure(kx::error::kHostFailure, "--target: the model has no output " + target.output);
  }
  for (const Scenario& scenario : settings.scenarios) {
    const bool known = std::any_of(model.outputs.begin(), model.outputs.end(),
                                   [&](const host::ModelCell& output) { return names_output(scenario.output, output); });
    if (!known) throw kx::Failure(kx::error::kHostFailure, "--scenario: the model has no output " + scenario.output);
  }
}

int run_simulate(const SimulateOptions& options) try {
  const std::string model = options.model.empty() ? default_model_path() : options.model;
  // An output that cannot be written is found before the run, not after it.
  if (!options.plot_path.empty()) check_plot_path(options.plot_path);
  for (const std::string* path : {&options.csv_path, &options.xlsx_path}) {
    if (!path->empty()) check_writable(*path);
  }
  // Read once, by the first worker: every other builds its workbook from the same bytes, so a file
  // saved while the run starts cannot give the workers different models. Read within the run, so
  // that a rank of an MPI run that cannot read it stops every rank.
  ModelFile model_file(model, options);
  // What the model's file held that could not be read is said once.
  std::once_flag warned;
  const host::ModelSource source{[&model, &model_file, &warned] {
                                   auto book = host::load_workbook(model_file.bytes(), {}, model_file.csv());
                                   // Under MPI, rank 0 says it for all.
                                   if (launched_ranks().rank == 0)
                                     std::call_once(warned, [&] { print_read_warnings(model, *book); });
                                   return book;
                                 },
                                 // Each worker has its own components; with --server, its own mktfn server too.
                                 [&options] { return component_objects(options.server); }};
  host::SimulationOptions run;
  run.iterations = options.iterations;
  run.seed = options.seed;
  // More workers than cores only take turns on them, each with a workbook (and, with --server,
  // a server) of its own; more than iterations would have none to run.
  const int cores = host::machine_cores();
  run.threads = options.threads.value_or(cores);
  if (run.threads > cores) {
    print_error_line(
        fmt::format("warning: --threads {}: running {} worker{}, one per core this process may run on", run.threads,
                    cores, cores == 1 ? "" : "s"));
    run.threads = cores;
  }
  if (options.iterations > 0) run.threads = static_cast<int>(std::min<std::int64_t>(run.threads, options.iterations));
  run.sampling = options.sampling;
  run.overrides = options.overrides;
  run.precision = options.precision;
  run.fix_correlations = options.fix_correlations;
  // KX_EVALUATION_BLOCK=1 recalculates each iteration alone, to compare against block evaluation.
  if (const char* block = std::getenv("KX_EVALUATION_BLOCK")) run.evaluation_block = std::max(1LL, std::atoll(block));
  // A target or scenario for an output the model does not have is said before the run, not after it.
  run.check_model = [&options, &run](const host::SimulationModel& found) {
    check_report_outputs(options.report, found);
    // This process holds the values of its share; rank 0 of an MPI run gathers them all.
    const Ranks ranks = launched_ranks();
    std::int64_t held = run.iterations;
    if (options.part) held = host::share_of(run.iterations, options.part->part - 1, options.part->parts).count;
    if (!options.part && ranks.rank > 0) held = host::share_of(run.iterations, ranks.rank, ranks.size).count;
    check_memory(held, found.inputs.size() + found.outputs.size(), options.max_memory);
  };
  if (options.streaming) return run_streaming(options, model, source, run);
  if (options.part) return run_part(options, model_file, source, run);
  if (!options.partial_path.empty())
    throw kx::Failure(kx::error::kHostFailure, "--partial writes a share of the iterations: name it with --part K/N");

  if (launched_ranks().size > 1) {
    const std::optional<host::SimulationResult> gathered = simulate_across_ranks(source, run);
    if (!gathered) return 0;  // rank 0 reports
    run.threads *= launched_ranks().size;
    report_simulation(options, model, *gathered, run);
    return 0;
  }

  host::SimulationResult result;
  {
    ProgressBar bar;
    result = host::simulate(source, run, [&bar](const host::SimulationProgress& progress) { bar.show(progress); });
  }

  report_simulation(options, model, result, run);
  return 0;
} catch (const host::ServerLost& lost) {
  // The workers stopped as soon as one found its server gone.
  throw lost_server(lost.failed());
}

void report_simulation(const SimulateOptions& options, const std::string& model, const host::SimulationResult& result,
                       const host::SimulationOptions& run) {
  for (const auto& failed : result.call_failures) {
    if (failed.failure.number == kx::error::kServerUnavailable) throw lost_server(failed);
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
  if (!options.plot_path.empty()) {
    const std::vector<std::string> pictures = draw_report(options.plot_path, report);
    if (pictures.size() > 1) print_error_line(fmt::format("charts, a file per output: {}", fmt::join(pictures, ", ")));
  }
  if (!options.xlsx_path.empty()) write_report_workbook(options.xlsx_path, report, result);
}

}  // namespace cli
