#include "cli/report_json.hpp"

#include <nlohmann/json.hpp>

namespace cli {
namespace {

// Fields keep the order they are written in, as the README lists them.
using json = nlohmann::ordered_json;

json number_or_null(const std::optional<double>& x) { return x ? json(*x) : json(nullptr); }

json interval_json(const host::Interval& interval) { return json::array({interval.low, interval.high}); }

json summary_json(const SimulationReport& report, const CellReport& cell, const OutputReport* output) {
  const host::Summary& summary = cell.summary;
  json entry = {{"name", cell.name}, {"cell", cell.cell}, {"count", summary.count}, {"failed", summary.failed}};
  if (summary.count == 0) return entry;
  entry["mean"] = summary.mean;
  if (output != nullptr)
    entry["mean_ci95"] = output->mean_ci95 ? interval_json(*output->mean_ci95) : json(nullptr);
  entry["std_dev"] = number_or_null(summary.std_dev);
  entry["min"] = summary.minimum;
  json percentiles = json::object();
  for (std::size_t i = 0; i < summary.percentiles.size(); ++i)
    percentiles[report.percentile_labels[i]] = summary.percentiles[i];
  entry["percentiles"] = std::move(percentiles);
  if (output != nullptr) {
    json intervals = json::object();
    for (std::size_t i = 0; i < output->percentile_ci95.size(); ++i)
      intervals[report.percentile_labels[i]] = interval_json(output->percentile_ci95[i]);
    entry["percentile_ci95"] = std::move(intervals);
  }
  entry["max"] = summary.maximum;
  return entry;
}

}  // namespace

std::string report_json(const SimulationReport& report) {
  json outputs = json::array();
  for (const OutputReport& output : report.outputs) {
    json entry = summary_json(report, output, &output);
    json targets = json::array();
    for (const TargetShare& target : output.targets)
      targets.push_back({{"value", target.value}, {"at_or_below", target.at_or_below}});
    entry["targets"] = std::move(targets);
    entry["base_case"] = output.base_case.is_number() ? json(output.base_case.number()) : json(nullptr);
    entry["settled_after"] = output.settled_after;
    json classes = json::array();
    for (const HistogramClass& c : output.histogram)
      classes.push_back({{"upper_limit", c.upper_limit}, {"count", c.count}, {"cumulative", c.cumulative}});
    entry["histogram"] = std::move(classes);
    json sensitivity = json::array();
    for (const Sensitivity& s : output.sensitivity)
      sensitivity.push_back({{"input", report.inputs[s.input].name},
                             {"rank_correlation", number_or_null(s.rank_correlation)},
                             {"contribution_to_variance", s.contribution},
                             {"swing", {{"low", number_or_null(s.swing.low)}, {"high", number_or_null(s.swing.high)}}}});
    entry["sensitivity"] = std::move(sensitivity);
    json scenarios = json::array();
    for (const ScenarioReport& scenario : output.scenarios) {
      json inputs = json::array();
      for (const ScenarioInput& input : scenario.inputs) {
        inputs.push_back({{"input", report.inputs[input.input].name},
                          {"median", number_or_null(input.shift.median)},
                          {"overall_median", input.shift.overall_median},
                          {"shift_in_std_devs", number_or_null(input.shift.shift)}});
      }
      scenarios.push_back({{"scenario", scenario.text}, {"iterations", scenario.iterations}, {"inputs", std::move(inputs)}});
    }
    entry["scenarios"] = std::move(scenarios);
    outputs.push_back(std::move(entry));
  }
  json inputs = json::array();
  for (const CellReport& input : report.inputs) inputs.push_back(summary_json(report, input, nullptr));
  json correlations = json::array();
  for (const auto& row : report.input_correlations) {
    json line = json::array();
    for (const auto& rho : row) line.push_back(number_or_null(rho));
    correlations.push_back(std::move(line));
  }
  json fixed_correlations = json::array();
  for (const host::FixedCorrelations& fixed : report.fixed_correlations) {
    fixed_correlations.push_back({{"range", fixed.range},
                                  {"problem", fixed.problem},
                                  {"asked", host::rows_of(fixed.asked)},
                                  {"used", host::rows_of(fixed.used)},
                                  {"largest_change", fixed.largest_change}});
  }
  json asked = json::array();
  for (const host::AskedCorrelation& pair : report.asked_correlations) {
    asked.push_back({{"inputs", {report.inputs[pair.first].name, report.inputs[pair.second].name}},
                     {"asked", pair.asked},
                     {"achieved", number_or_null(report.input_correlations[pair.first][pair.second])}});
  }
  json set = json::object();
  for (const host::CellSetting& setting : report.set) set[setting.cell] = setting.text;
  json precision = nullptr;
  if (report.precision) {
    precision = {{"within", precision_text(*report.precision)},
                 {"met", report.precision_met},
                 {"iteration_cap", report.iteration_cap}};
  }
  const json document = {{"model", report.model},       {"iterations", report.iterations},
                         {"precision", std::move(precision)},
                         // As digits in a string: most readers keep a JSON number in a double.
                         {"seed", std::to_string(report.seed)},
                         {"sampling", sampling_name(report.sampling)},
                         {"locked", report.locked},
                         {"set", std::move(set)},
                         {"fixed_correlations", std::move(fixed_correlations)},
                         {"outputs", std::move(outputs)},
                         {"inputs", std::move(inputs)}, {"input_correlations", std::move(correlations)},
                         {"asked_correlations", std::move(asked)}};
  // Names and paths are the workbook's and the system's bytes, not always UTF-8: what is not comes
  // out as U+FFFD rather than stopping the report.
  return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace cli
