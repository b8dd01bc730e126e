// `kx simulate [MODEL] [--iterations N] [--seed S] [--threads T] [--sampling plain|lhs]
// [--json] [--csv FILE] [--plot FILE] [--target X] [--percentiles LIST] [--lock CELL]
// [--set CELL=VALUE] [--delimiter C] [--decimal C]`: runs a model workbook as a Monte Carlo simulation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/simulate_arguments.hpp"
#include "cli/simulation_report.hpp"
#include "host/simulation/simulation.hpp"

namespace cli {

// The model `kx simulate` runs when none is named, found beside the tool or in the source tree.
std::string default_model_path();

struct SimulateOptions {
  std::string model;  // empty: the bundled default model
  std::optional<char> delimiter;  // of a CSV model's fields; none: ','
  std::optional<char> decimal;    // its decimal mark; none: '.'
  std::int64_t iterations = 10'000;
  std::optional<std::uint64_t> seed;
  std::optional<int> threads;  // none: one per core
  host::Sampling sampling = host::Sampling::Plain;
  bool json = false;
  std::string csv_path;
  std::string plot_path;
  std::string xlsx_path;
  bool server = false;  // mktfn through its server program
  std::optional<host::Precision> precision;
  bool fix_correlations = false;
  ReportSettings report;
  host::ModelOverrides overrides;
  // With a part, only that share of the iterations runs, into a partial result file for kx merge.
  std::optional<Part> part;
  std::string partial_path;
  // The most the values of the exact report may take; none: the memory free.
  std::optional<std::uint64_t> max_memory;
  // Keep summaries instead of every value: percentiles from a quantile sketch, no sensitivities.
  bool streaming = false;
};

// Prints the report; returns the exit status. Raises kx::Failure for a model or options
// that cannot run, with a one-line message.
int run_simulate(const SimulateOptions& options);

// Raises kx::Failure when a --target or --scenario names no output of the model.
void check_report_outputs(const ReportSettings& settings, const host::SimulationModel& model);

// Says the failed calls, prints the report of a run of `model` and writes the files asked for.
void report_simulation(const SimulateOptions& options, const std::string& model, const host::SimulationResult& result,
                       const host::SimulationOptions& run);

}  // namespace cli
