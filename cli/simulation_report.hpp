// The report of a simulation: for every output its summary, class table, settling run count
// and sensitivity ranking; for every input its summary; the inputs' rank correlations. Built
// once, then shown as a table, written as JSON or drawn.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/host_services.hpp"
#include "host/simulation/confidence_intervals.hpp"
#include "host/simulation/drivers.hpp"
#include "host/simulation/simulation.hpp"
#include "host/simulation/statistics.hpp"

namespace cli {

struct HistogramClass {
  double upper_limit = 0;
  std::int64_t count = 0;
  double cumulative = 0;  // share of all values up to and including this class
};

struct Sensitivity {
  std::size_t input = 0;  // index into the report's inputs
  std::optional<double> rank_correlation;
  double contribution = 0;  // the squared rank correlation's share of all inputs' (0..1)
  host::Swing swing;        // the output's mean over the input's lowest and highest tenth
};

// An input in a scenario's iterations.
struct ScenarioInput {
  std::size_t input = 0;
  host::ScenarioShift shift;
};

// A scenario asked for: the iterations of an output below or above a value or percentile.
struct Scenario {
  std::string output;
  host::ScenarioCondition condition;
  std::string text;  // as the user wrote it
};

struct ScenarioReport {
  std::string text;
  std::int64_t iterations = 0;
  std::vector<ScenarioInput> inputs;  // furthest from their median first
};

struct CellReport {
  std::string name;
  std::string cell;
  host::Summary summary;
};

// The share of an output's iterations at or below a target value.
struct TargetShare {
  double value = 0;
  double at_or_below = 0;
};

// The estimates after the first `iterations` of the run, for a convergence chart.
struct ConvergencePoint {
  std::int64_t iterations = 0;
  double mean = 0;
  double half_width = 0;  // of the mean's 95% interval
  double p5 = 0;
  double p95 = 0;
};

struct OutputReport : CellReport {
  std::optional<host::Interval> mean_ci95;
  std::vector<host::Interval> percentile_ci95;  // one for each reported percentile
  std::vector<TargetShare> targets;
  kx::Value base_case;                    // with every input at its deterministic value
  std::vector<double> sorted;             // the numbers, ascending, for drawing
  std::vector<HistogramClass> histogram;  // kxHISTO's classes
  std::int64_t settled_after = 0;         // kxOPTNUM's run count; 0 when the result never settled
  std::vector<Sensitivity> sensitivity;   // largest correlation first
  std::vector<ScenarioReport> scenarios;
  std::vector<ConvergencePoint> convergence;  // only when asked for
};

// A target asked for: of every output, or of the one with this name or cell.
struct Target {
  std::string output;  // empty: every output
  double value = 0;
};

// What the report is asked to show beyond what it always does.
struct ReportSettings {
  std::vector<double> percentiles{host::kReportedPercentiles.begin(), host::kReportedPercentiles.end()};
  std::vector<std::string> percentile_labels{"5", "25", "50", "75", "95"};  // as the user wrote them
  std::vector<Target> targets;
  std::vector<Scenario> scenarios;
  bool convergence = false;  // follow the estimates through the run, for a chart
  bool log_x = false;        // draw histograms of positive outputs on a log scale
};

struct SimulationReport {
  std::string model;
  std::int64_t iterations = 0;
  std::uint64_t seed = 0;
  host::Sampling sampling = host::Sampling::Plain;
  std::vector<OutputReport> outputs;
  std::vector<CellReport> inputs;
  std::vector<double> percentiles;  // of every summary
  std::vector<std::string> percentile_labels;
  std::vector<std::string> locked;  // cells held at their deterministic values
  std::vector<host::CellSetting> set;  // cells replaced for the run
  std::optional<host::Precision> precision;  // asked of the run
  std::int64_t iteration_cap = 0;            // the most a run to a precision could run
  bool precision_met = false;
  std::vector<host::FixedCorrelations> fixed_correlations;
  std::vector<host::AskedCorrelation> asked_correlations;  // by input index
  bool log_x = false;
  // Rank correlation of every pair of inputs, by input index.
  std::vector<std::vector<std::optional<double>>> input_correlations;
};

// Each output is summarised by kxHISTO's classes and kxOPTNUM's run count, which reach `host`'s
// worksheet functions; the series are sorted and ranked on `threads` threads.
SimulationReport build_report(const std::string& model, const host::SimulationResult& result,
                              const host::SimulationOptions& run, const ReportSettings& settings, kx::Application& host);

// Whether a target applies to an output: it names none, or the output's name or cell.
bool targets_output(const Target& target, const host::ModelCell& output);
bool names_output(const std::string& name, const host::ModelCell& output);

// An output's inputs as a tornado stands them: the widest swing first, those without one last.
std::vector<const Sensitivity*> by_swing(const OutputReport& output);

std::string sampling_name(host::Sampling sampling);

// "1%" or "0.5", as the precision was asked for.
std::string precision_text(const host::Precision& precision);

}  // namespace cli
