#include "cli/report_json.hpp"

#include <nlohmann/json.hpp>

namespace cli {
namespace {

// Fields keep the order they are written in, as the README lists them.
using json = nlohmann::ordered_json;

json number_or_null(const std::optional<double>& x) { return x ? json(*x) : json(nullptr); }

json summary_json(const CellReport& cell) {
  const host::Summary& summary = cell.summary;
  json entry = {{"name", cell.name}, {"cell", cell.cell}, {"count", summary.count}, {"failed", summary.failed}};
  if (summary.count == 0) return entry;
  entry["mean"] = summary.mean;
  entry["std_dev"] = number_or_null(summary.std_dev);
  entry["min"] = summary.minimum;
  json percentiles = json::object();
  for (std::size_t i = 0; i < host::kReportedPercentiles.size(); ++i)
    percentiles[std::to_string(static_cast<int>(host::kReportedPercentiles[i]))] = summary.percentiles[i];
  entry["percentiles"] = std::move(percentiles);
  entry["max"] = summary.maximum;
  return entry;
}

}  // namespace

std::string report_json(const SimulationReport& report) {
  json outputs = json::array();
  for (const OutputReport& output : report.outputs) {
    json entry = summary_json(output);
    entry["settled_after"] = output.settled_after;
    json classes = json::array();
    for (const HistogramClass& c : output.histogram)
      classes.push_back({{"upper_limit", c.upper_limit}, {"count", c.count}, {"cumulative", c.cumulative}});
    entry["histogram"] = std::move(classes);
    json sensitivity = json::array();
    for (const Sensitivity& s : output.sensitivity)
      sensitivity.push_back(
          {{"input", report.inputs[s.input].name}, {"rank_correlation", number_or_null(s.rank_correlation)}});
    entry["sensitivity"] = std::move(sensitivity);
    outputs.push_back(std::move(entry));
  }
  json inputs = json::array();
  for (const CellReport& input : report.inputs) inputs.push_back(summary_json(input));
  json correlations = json::array();
  for (const auto& row : report.input_correlations) {
    json line = json::array();
    for (const auto& rho : row) line.push_back(number_or_null(rho));
    correlations.push_back(std::move(line));
  }
  const json document = {{"model", report.model},       {"iterations", report.iterations},
                         {"seed", report.seed},         {"sampling", sampling_name(report.sampling)},
                         {"locked", report.locked},     {"outputs", std::move(outputs)},
                         {"inputs", std::move(inputs)}, {"input_correlations", std::move(correlations)}};
  return document.dump(2) + "\n";
}

}  // namespace cli
