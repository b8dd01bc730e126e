// kx: the command-line tool through which people use the components.
#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "cli/describe_command.hpp"
#include "cli/eval_command.hpp"
#include "cli/fit_command.hpp"
#include "cli/functions_command.hpp"
#include "cli/memory_budget.hpp"
#include "cli/merge_command.hpp"
#include "cli/mpi_simulation.hpp"
#include "cli/simulate_arguments.hpp"
#include "cli/simulate_command.hpp"
#include "cli/terminal_text.hpp"
#include "host/addin/addin_workbook.hpp"

namespace {

// The options that shape a simulation's report, as written; shared by simulate and merge.
struct ReportArguments {
  std::vector<std::string> targets;
  std::string percentiles;
  std::vector<std::string> scenarios;
  std::string max_memory;
};

void add_report_options(CLI::App* command, cli::SimulateOptions& options, ReportArguments& arguments) {
  command
      ->add_option("--target", arguments.targets,
                   "Report the share of iterations at or below X, of every output (X) or of one (\"NAME<=X\"); "
                   "may be repeated")
      ->allow_extra_args(false);
  command->add_option("--percentiles", arguments.percentiles,
                      "The percentiles to report, as 1,10,50,90,99 (default 5,25,50,75,95)");
  command
      ->add_option("--scenario", arguments.scenarios,
                   "The inputs that stand out when an output is in its bottom or top share (\"NAME<10%\", "
                   "\"NAME>90%\") or beyond a value (\"NAME<0\"); may be repeated")
      ->allow_extra_args(false);
  command->add_option("--xlsx", options.xlsx_path,
                      "Write the report as a workbook: summary, sensitivity, every iteration and charts");
  command->add_flag("--log-x", options.report.log_x,
                    "Draw the histogram of an output whose values are all positive on a log scale");
  command->add_flag("--json", options.json, "Print the report as JSON");
  command->add_option("--csv", options.csv_path, "Write every iteration's inputs and outputs to this CSV file");
  command->add_option("--plot", options.plot_path,
                      "Draw each output's charts into this .pdf (a page each), .png or .svg (several outputs: a file "
                      "each, FILE-OUTPUT.png)");
  command->add_option("--max-memory", arguments.max_memory,
                      "Refuse before the run a report whose values need more than this (as 8G; default: the memory "
                      "free)");
}

// Raises kx::Failure with a line for a value that is not one of the option's.
void read_report_arguments(const ReportArguments& arguments, cli::SimulateOptions& into) {
  if (!arguments.percentiles.empty()) cli::parse_percentiles(arguments.percentiles, into.report);
  for (const std::string& target : arguments.targets) into.report.targets.push_back(cli::parse_target(target));
  for (const std::string& scenario : arguments.scenarios)
    into.report.scenarios.push_back(cli::parse_scenario(scenario));
  if (!arguments.max_memory.empty()) into.max_memory = cli::parse_memory(arguments.max_memory);
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"kx - risk analysis and marketing functions from the command line"};
  app.require_subcommand(1);
  // Options of the tool as a whole may also be given after the command's name.
  app.fallthrough();

  std::string language = "GBR";
  app.add_option("--lang", language, "The add-in's language for texts: GBR, ITA, ESP, FRA or GER")
      ->transform(
          CLI::IsMember(std::vector<std::string>(std::begin(host::kLanguageCodes), std::end(host::kLanguageCodes)),
                        CLI::ignore_case));

  bool server = false;
  app.add_flag("--server", server, "Reach mktfn through its server program instead of in-process");

  std::string class_name;
  auto* functions =
      app.add_subcommand("functions", "List each class's interface and the worksheet functions formulas can call");
  functions->add_option(
      "CLASS", class_name,
      "Only this class (Main, PDF, Tools, CheckParam, ChangeStats; mktfn.Main, mktfn.Tools) or 'worksheet'");

  cli::EvalOptions eval_options;
  auto* eval = app.add_subcommand("eval", "Evaluate formulas against workbooks, with the components' functions");
  eval->add_option("--sheet", eval_options.sheets, "A workbook to load (.csv, .xlsx, .ods, .fods); may be repeated")
      ->check(CLI::ExistingFile)
      ->allow_extra_args(false);
  // Seeds are read as text: CLI11 would wrap "-1" and clamp a seed past 2^64 - 1.
  const CLI::Validator seed_check(
      [](const std::string& text) {
        return cli::parse_seed(text) ? std::string() : "not a whole number from 0 to 2^64 - 1: " + text;
      },
      "SEED");
  std::string seed_text;
  eval->add_option("--seed", seed_text, "Seed the uniform generator so that sampling repeats exactly (0 to 2^64 - 1)")
      ->check(seed_check);
  eval->add_option("--digits", eval_options.digits, "Significant digits of printed numbers (17 reads back exactly)")
      ->check(CLI::Range(1, 17));
  eval->add_option("FORMULA", eval_options.formulas,
                   "Formulas to evaluate, with or without a leading '='; after -- a formula may start with '-'; "
                   "without any, the sheets of each workbook are listed");

  // CLI11 would clamp a count past its type's range to the largest it holds, and run that.
  const auto within_range = [](auto largest) {
    return CLI::Validator(
        [largest](const std::string& text) {
          decltype(largest) value = 0;
          const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
          return error == std::errc::result_out_of_range ? fmt::format("{} is out of range (at most {})", text, largest)
                                                         : std::string();
        },
        "INT");
  };

  cli::SimulateOptions simulate_options;
  std::string sampling = "plain";
  auto* simulate = app.add_subcommand("simulate", "Run a model workbook as a Monte Carlo simulation and report on it");
  simulate->add_option("MODEL", simulate_options.model,
                       "The model workbook (.csv, .xlsx, .ods, .fods); without one, the bundled product launch model");
  std::string delimiter;
  simulate->add_option("--delimiter", delimiter,
                       "A CSV model's field separator: ';' where the decimal mark is a comma, or '|', tab (default ',')");
  std::string decimal;
  simulate
      ->add_option("--decimal", decimal, "A CSV model's decimal mark, '.' (default) or ',', in numbers and formulas")
      ->check(CLI::IsMember({".", ","}));
  simulate->add_option("--iterations,-n", simulate_options.iterations, "Recalculations of the model (default 10000)")
      ->check(within_range(std::numeric_limits<std::int64_t>::max()));
  std::string simulate_seed_text;
  simulate->add_option("--seed", simulate_seed_text, "Seed, so that the run repeats exactly for any thread count")
      ->check(seed_check);
  simulate->add_option("--threads", simulate_options.threads, "Workers (default: one per core)")
      ->check(within_range(std::numeric_limits<int>::max()));
  // Transformed, not only checked: "LHS" must run Latin hypercube sampling as "lhs" does.
  simulate->add_option("--sampling", sampling, "plain, or lhs for Latin hypercube sampling")
      ->transform(CLI::IsMember({"plain", "lhs"}, CLI::ignore_case));
  simulate
      ->add_option("--lock", simulate_options.overrides.locked,
                   "Hold this cell (A1 or Sheet!A1) at its deterministic value, as kxLOCK() does; may be repeated")
      ->allow_extra_args(false);
  simulate->add_flag("--fix-correlations", simulate_options.fix_correlations,
                     "Run an invalid correlation matrix as the nearest valid one instead of stopping");
  std::string precision;
  simulate->add_option("--precision", precision,
                       "Run in blocks until the 95% interval of every output's mean is within this: 1% of the mean, "
                       "or an amount; --iterations is the cap");
  std::vector<std::string> settings;
  simulate
      ->add_option("--set", settings,
                   "Run with this cell replaced: CELL=VALUE, a number, TRUE, FALSE, a text or =FORMULA; may be repeated")
      ->allow_extra_args(false);
  ReportArguments simulate_report;
  add_report_options(simulate, simulate_options, simulate_report);
  std::string part;
  simulate->add_option("--part", part,
                       "Run only the K-th of N equal shares of the iterations (K/N, as 2/8) into a partial result "
                       "that kx merge joins; needs --seed and --partial");
  simulate->add_option("--partial", simulate_options.partial_path, "The partial result file --part writes");
  std::string summary = "exact";
  simulate
      ->add_option("--summary", summary,
                   "exact (every value kept: percentiles, sensitivities, scenarios) or streaming (for runs beyond "
                   "memory: mean, standard deviation, minimum, maximum, targets and approximate percentiles)")
      ->transform(CLI::IsMember({"exact", "streaming"}, CLI::ignore_case));

  cli::SimulateOptions merge_options;
  std::vector<std::string> merge_parts;
  auto* merge = app.add_subcommand(
      "merge", "Join the partial results of kx simulate --part K/N into the report of one run of all the iterations");
  merge->add_option("PART", merge_parts, "The partial result files, one of every part")->required();
  ReportArguments merge_report;
  add_report_options(merge, merge_options, merge_report);

  cli::FitOptions fit_options;
  auto* fit = app.add_subcommand("fit", "Fit the candidate distributions to a column of observations and rank them");
  fit->add_option("FILE", fit_options.file, "The observations: a CSV file (or .xlsx, .ods: its first sheet)")
      ->required();
  fit->add_option("--column", fit_options.column,
                  "The column: its number from 1 or its header's name (default: the first column of numbers)");
  fit->add_option("--dist", fit_options.distribution, "Fit only this distribution (its name, any case)");
  fit->add_option("--kind", fit_options.kind, "continuous, discrete or both (default)")
      ->transform(CLI::IsMember({"continuous", "discrete", "both"}, CLI::ignore_case));
  fit->add_option("--method", fit_options.method,
                  "moments (the fitting dialog's estimates, default) or mle (maximum likelihood)")
      ->transform(CLI::IsMember({"moments", "mle"}, CLI::ignore_case));
  fit->add_option("--rank", fit_options.rank, "Order by distance (default), ks, ad, aic or bic")
      ->transform(CLI::IsMember({"distance", "ks", "ad", "aic", "bic"}, CLI::ignore_case));
  fit->add_flag("--json", fit_options.json, "Print the whole table as JSON");
  fit->add_option("--bootstrap", fit_options.bootstrap,
                  "p-values of the best three by a parametric bootstrap of this many replicates (fixed seed)")
      ->check(CLI::Range(0, 100000));
  fit->add_option("--plot", fit_options.plot_path,
                  "Draw the data's distribution function with the best three candidates into this .png, .svg or .pdf");

  cli::DescribeOptions describe_options;
  auto* describe = app.add_subcommand(
      "describe", "Describe a distribution as the distribution dialog does: statistics, chart range, interval");
  describe->add_option("DIST", describe_options.distribution, "The distribution's name (\"Normal\") or code (25)")
      ->required();
  describe->add_option("PARAMETERS", describe_options.parameters, "Its parameters, in the dialog's order");
  describe->add_option("--left", describe_options.left, "The interval's left marker");
  describe->add_option("--right", describe_options.right, "The interval's right marker");
  describe->add_option("--plot", describe_options.plot_path,
                       "Draw the density and the interval into this .png, .svg or .pdf");
  describe->add_option("--p", describe_options.probabilities, "Print the quantile: the x with P(X <= x) = P")
      ->check(CLI::Range(0.0, 1.0));
  describe->add_flag("--cdf", describe_options.cumulative_plot, "Plot the cumulative probability P(X <= x)");
  describe
      ->add_option("--decimal-separator", describe_options.decimal_separator,
                   "The host's decimal separator, '.' (default) or ',', for the parameters and the texts shown")
      ->check(CLI::IsMember({".", ","}));

  // A usage error is one line and exit status 2, a failure exit status 1.
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& done) {
    return app.exit(done);
  } catch (const CLI::ParseError& error) {
    cli::print_error_line(std::string(error.what()) + "; try 'kx --help'");
    return 2;
  }
  if (!seed_text.empty()) eval_options.seed = cli::parse_seed(seed_text);
  if (eval->parsed() && eval_options.formulas.empty() && eval_options.sheets.empty()) {
    cli::print_error_line("eval needs a formula, or a workbook (--sheet FILE) to list; try 'kx --help'");
    return 2;
  }
  if (!simulate_seed_text.empty()) simulate_options.seed = cli::parse_seed(simulate_seed_text);

  try {
    if (functions->parsed()) return cli::run_functions(class_name);
    if (fit->parsed()) {
      fit_options.language = language;
      return cli::run_fit(fit_options);
    }
    if (simulate->parsed()) {
      if (!delimiter.empty()) simulate_options.delimiter = cli::parse_delimiter(delimiter);
      if (!decimal.empty()) simulate_options.decimal = decimal.front();
      simulate_options.sampling = sampling == "lhs" ? host::Sampling::LatinHypercube : host::Sampling::Plain;
      read_report_arguments(simulate_report, simulate_options);
      if (!part.empty()) simulate_options.part = cli::parse_part(part);
      simulate_options.streaming = summary == "streaming";
      if (!precision.empty()) simulate_options.precision = cli::parse_precision(precision);
      for (const std::string& setting : settings)
        simulate_options.overrides.set.push_back(cli::parse_setting(setting));
      simulate_options.server = server;
      return cli::run_simulate(simulate_options);
    }
    if (merge->parsed()) {
      read_report_arguments(merge_report, merge_options);
      return cli::run_merge(merge_parts, merge_options);
    }
    if (describe->parsed()) {
      describe_options.language = language;
      return cli::run_describe(describe_options);
    }
    if (eval->parsed()) {
      eval_options.language = language;
      eval_options.server = server;
      return cli::run_eval(eval_options);
    }
  } catch (const cli::FailureSaid&) {
    return 1;
  } catch (const std::exception& failure) {
    // The ranks of an MPI run fail together; rank 0 says why, once.
    if (cli::launched_ranks().rank == 0) cli::print_error_line(failure.what());
    return 1;
  }
  return 0;
}
