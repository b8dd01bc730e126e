#include "cli/report_text.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "cli/terminal_text.hpp"
#include "cli/value_text.hpp"

namespace cli {
namespace {

constexpr int kBarWidth = 40;
// Input pairs whose rank correlation reaches this are listed as correlated.
constexpr double kNotableCorrelation = 0.1;
// What a figure beyond the range of a double shows, as a worksheet cell would.
constexpr const char* kOverflow = "#NUM!";

std::string bar(double share, int width) {
  const auto eighths = static_cast<int>(std::lround(std::clamp(share, 0.0, 1.0) * width * 8));
  static constexpr const char* kPartial[] = {"", "▏", "▎", "▍", "▌", "▋", "▊", "▉"};
  std::string text;
  for (int i = 0; i < eighths / 8; ++i) text += "█";
  return text + kPartial[eighths % 8];
}

std::string optional_number(const std::optional<double>& x) { return x ? readable(*x) : "-"; }

// A standard deviation beyond the largest double is named, not shown as missing.
std::string std_dev_text(const host::Summary& summary) {
  return summary.std_dev ? readable(*summary.std_dev) : summary.count > 1 ? kOverflow : "-";
}

// An input's name as a terminal may show it: a workbook's texts must not steer the terminal.
std::string input_name(const SimulationReport& report, std::size_t input) {
  return terminal_safe(report.inputs[input].name);
}

// The columns the widest input name takes, at least `least`.
std::size_t names_width(const SimulationReport& report, std::size_t least) {
  for (std::size_t i = 0; i < report.inputs.size(); ++i) least = std::max(least, display_width(input_name(report, i)));
  return least;
}

std::string signed_correlation(const std::optional<double>& rho) {
  return rho ? fmt::format("{:+.3f}", *rho) : "   -  ";
}

// The half-width of an interval, as "±x".
std::string plus_minus(const host::Interval& interval) { return "±" + readable(interval.high / 2 - interval.low / 2); }

// One column of the summary table: its heading, the estimate and, for an output, the 95%
// interval's half-width.
struct Column {
  std::string heading;
  std::string value;
  std::string interval;
};

// The table in as many blocks of columns as the width needs (all in one when it is 0).
void summary_lines(std::string& out, const SimulationReport& report, const CellReport& cell, const OutputReport* output,
                   int width) {
  const host::Summary& summary = cell.summary;
  if (summary.count == 0) {
    out += "  no iteration gave a number\n";
    return;
  }
  const bool intervals = output != nullptr && output->mean_ci95.has_value();
  std::vector<Column> columns;
  columns.push_back({"mean", readable(summary.mean), intervals ? plus_minus(*output->mean_ci95) : ""});
  columns.push_back({"std dev", std_dev_text(summary), intervals ? "95% interval" : ""});
  columns.push_back({"min", readable(summary.minimum), ""});
  for (std::size_t i = 0; i < summary.percentiles.size(); ++i) {
    columns.push_back({report.percentile_labels[i] + "%", readable(summary.percentiles[i]),
                       intervals ? plus_minus(output->percentile_ci95[i]) : ""});
  }
  columns.push_back({"max", readable(summary.maximum), ""});
  constexpr int kColumnWidth = 13;
  const std::size_t per_line =
      width <= 0 ? columns.size() : static_cast<std::size_t>(std::max(1, (width - 2) / kColumnWidth));
  for (std::size_t first = 0; first < columns.size(); first += per_line) {
    const std::size_t last = std::min(columns.size(), first + per_line);
    std::string headings = " ", values = " ", halves = " ";
    for (std::size_t c = first; c < last; ++c) {
      headings += fmt::format(" {:>12}", columns[c].heading);
      values += fmt::format(" {:>12}", columns[c].value);
      halves += fmt::format(" {:>12}", columns[c].interval);
    }
    out += headings + "\n" + values + "\n";
    if (intervals) out += halves.substr(0, halves.find_last_not_of(' ') + 1) + "\n";
  }
}

// The bars' width: their full length where the width allows, else what is left beside the text.
int bar_width(int full, int width, int beside) { return width <= 0 ? full : std::clamp(width - beside, 0, full); }

void histogram_lines(std::string& out, const OutputReport& output, int width) {
  const int bars = bar_width(kBarWidth, width, 2 + 12 + 2 + 2 + 1 + 8 + 1 + 7);
  if (output.histogram.empty()) return;
  std::int64_t largest = 1;
  for (const HistogramClass& c : output.histogram) largest = std::max(largest, c.count);
  out += "  classes (upper limit, count, cumulative share):\n";
  for (const HistogramClass& c : output.histogram) {
    out += fmt::format("  {:>12}  {:<{}} {:>8} {:>6.1f}%\n", readable(c.upper_limit),
                       bar(static_cast<double>(c.count) / static_cast<double>(largest), bars), bars + 2,
                       c.count, 100 * c.cumulative);
  }
}

void sensitivity_lines(std::string& out, const SimulationReport& report, const OutputReport& output, int width) {
  if (output.sensitivity.empty()) return;
  const std::size_t width_of_names = names_width(report, 10);
  out += "  sensitivity (rank correlation with each input, largest first):\n";
  const int bars = bar_width(kBarWidth / 2, width, static_cast<int>(2 + width_of_names + 2 + 6 + 2));
  for (const Sensitivity& s : output.sensitivity) {
    const double size = s.rank_correlation ? std::abs(*s.rank_correlation) : 0;
    out += fmt::format("  {:<{}}  {}  {}\n", input_name(report, s.input), width_of_names,
                       signed_correlation(s.rank_correlation), bar(size, bars));
  }
}

void driver_lines(std::string& out, const SimulationReport& report, const OutputReport& output) {
  if (output.sensitivity.empty()) return;
  const std::size_t width_of_names = names_width(report, 10);
  out += "  contribution to variance; swing: the output's mean over the input's lowest and highest tenth:\n";
  for (const Sensitivity& s : output.sensitivity) {
    out += fmt::format("  {:<{}}  {:>5.1f}%  {:>12} {:>12}\n", input_name(report, s.input), width_of_names,
                       100 * s.contribution, optional_number(s.swing.low), optional_number(s.swing.high));
  }
  for (const ScenarioReport& scenario : output.scenarios) {
    out += fmt::format("  scenario {} ({} iterations): each input's median there against its own, in standard "
                       "deviations:\n",
                       terminal_safe(scenario.text), scenario.iterations);
    for (const ScenarioInput& input : scenario.inputs) {
      out += fmt::format("  {:<{}}  {:>7}  {:>12} against {}\n", input_name(report, input.input), width_of_names,
                         input.shift.shift ? fmt::format("{:+.2f}", *input.shift.shift) : "-",
                         optional_number(input.shift.median), readable(input.shift.overall_median));
    }
  }
}

}  // namespace

std::string readable(double x) {
  if (x == 0) return "0";
  if (!std::isfinite(x)) return kOverflow;
  const double magnitude = std::abs(x);
  if (magnitude < 1e-4 || magnitude >= 1e15) return fmt::format("{:.5g}", x);
  // Whole numbers from a thousand on: a column of amounts reads best without stray decimals.
  if (magnitude >= 1000) return fmt::format("{:.0f}", x);
  const int decimals = std::max(0, 5 - static_cast<int>(std::floor(std::log10(magnitude))));
  return fmt::format("{:.{}f}", x, decimals);
}

std::string report_text(const SimulationReport& report, int threads, double seconds, int width) {
  std::string out = fmt::format("{}: {} iterations, {} sampling, seed {}, {} thread{}, {:.2f} s\n",
                                terminal_safe(report.model), report.iterations, sampling_name(report.sampling),
                                report.seed, threads, threads == 1 ? "" : "s", seconds);
  if (report.precision) {
    out += report.precision_met
               ? fmt::format("stopped after {} iterations: the 95% interval of every output's mean is within ±{}\n",
                             report.iterations, precision_text(*report.precision))
               : fmt::format("stopped at the cap of {} iterations: the 95% interval of some output's mean is still "
                             "wider than ±{}\n",
                             report.iterations, precision_text(*report.precision));
  }
  for (const host::FixedCorrelations& fixed : report.fixed_correlations) {
    out += fmt::format("correlation matrix {}: {}; run with the nearest valid one (largest change {:.4f}):\n",
                       terminal_safe(fixed.range), terminal_safe(fixed.problem), fixed.largest_change);
    for (Eigen::Index r = 0; r < fixed.used.rows(); ++r) {
      out += " ";
      for (Eigen::Index c = 0; c < fixed.used.cols(); ++c) out += fmt::format(" {:>9.6f}", fixed.used(r, c));
      out += "\n";
    }
  }
  if (!report.locked.empty())
    out += fmt::format("locked at their deterministic values: {}\n",
                       terminal_safe(fmt::format("{}", fmt::join(report.locked, ", "))));
  if (!report.set.empty()) {
    std::vector<std::string> settings;
    for (const host::CellSetting& setting : report.set) settings.push_back(setting.cell + "=" + setting.text);
    out += fmt::format("set for this run: {}\n", terminal_safe(fmt::format("{}", fmt::join(settings, ", "))));
  }

  for (const OutputReport& output : report.outputs) {
    out += fmt::format("\nOutput {} ({})", terminal_safe(output.name), terminal_safe(output.cell));
    if (output.summary.failed > 0) out += fmt::format(", failed in {} iterations", output.summary.failed);
    out += "\n";
    summary_lines(out, report, output, &output, width);
    if (!output.base_case.is_empty())
      out += fmt::format("  base case {}\n", output.base_case.is_number() ? readable(output.base_case.number())
                                                                          : value_text(output.base_case));
    for (const TargetShare& target : output.targets)
      out += fmt::format("  at or below {}: {:.2f}%\n", readable(target.value), 100 * target.at_or_below);
    if (output.settled_after > 0) {
      out += fmt::format("  settled after {} runs\n", output.settled_after);
    } else {
      out += "  not settled within the run\n";
    }
    histogram_lines(out, output, width);
    sensitivity_lines(out, report, output, width);
    driver_lines(out, report, output);
  }

  if (!report.inputs.empty()) {
    const std::size_t width = names_width(report, 10);
    out += fmt::format("\nInputs\n  {:<{}}  {:<16} {:>12} {:>12}\n", "name", width, "cell", "mean", "std dev");
    for (std::size_t i = 0; i < report.inputs.size(); ++i) {
      const CellReport& input = report.inputs[i];
      out += fmt::format("  {:<{}}  {:<16} {:>12} {:>12}", input_name(report, i), width, terminal_safe(input.cell),
                         input.summary.count ? readable(input.summary.mean) : "-", std_dev_text(input.summary));
      if (input.summary.failed > 0) out += fmt::format("  failed in {} iterations", input.summary.failed);
      out += "\n";
    }
    std::string pairs;
    for (std::size_t a = 0; a < report.inputs.size(); ++a) {
      for (std::size_t b = a + 1; b < report.inputs.size(); ++b) {
        const auto& rho = report.input_correlations[a][b];
        const auto asked = std::find_if(report.asked_correlations.begin(), report.asked_correlations.end(),
                                        [&](const host::AskedCorrelation& c) { return c.first == a && c.second == b; });
        const bool was_asked = asked != report.asked_correlations.end() && asked->asked != 0;
        if ((rho && std::abs(*rho) >= kNotableCorrelation) || was_asked) {
          pairs += fmt::format("  {} ~ {}: {}", input_name(report, a), input_name(report, b), signed_correlation(rho));
          if (was_asked) pairs += fmt::format(" (asked {:+.3f})", asked->asked);
          pairs += "\n";
        }
      }
    }
    if (!pairs.empty()) out += "\nCorrelated inputs (rank correlation)\n" + pairs;
  }
  return wrapped(out, width);
}

}  // namespace cli
