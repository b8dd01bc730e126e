#include "cli/report_text.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace cli {
namespace {

constexpr int kBarWidth = 40;
// Input pairs whose rank correlation reaches this are listed as correlated.
constexpr double kNotableCorrelation = 0.1;

std::string bar(double share, int width) {
  const auto eighths = static_cast<int>(std::lround(std::clamp(share, 0.0, 1.0) * width * 8));
  static constexpr const char* kPartial[] = {"", "▏", "▎", "▍", "▌", "▋", "▊", "▉"};
  std::string text;
  for (int i = 0; i < eighths / 8; ++i) text += "█";
  return text + kPartial[eighths % 8];
}

std::string optional_number(const std::optional<double>& x) { return x ? readable(*x) : "-"; }

std::string signed_correlation(const std::optional<double>& rho) {
  return rho ? fmt::format("{:+.3f}", *rho) : "   -  ";
}

void summary_lines(std::string& out, const host::Summary& summary) {
  if (summary.count == 0) {
    out += "  no iteration gave a number\n";
    return;
  }
  out += fmt::format("  {:>12} {:>12} {:>12} {:>12} {:>12} {:>12} {:>12} {:>12} {:>12}\n", "mean", "std dev", "min",
                     "5%", "25%", "50%", "75%", "95%", "max");
  out += fmt::format("  {:>12} {:>12} {:>12}", readable(summary.mean), optional_number(summary.std_dev),
                     readable(summary.minimum));
  for (const double p : summary.percentiles) out += fmt::format(" {:>12}", readable(p));
  out += fmt::format(" {:>12}\n", readable(summary.maximum));
}

void histogram_lines(std::string& out, const OutputReport& output) {
  if (output.histogram.empty()) return;
  std::int64_t largest = 1;
  for (const HistogramClass& c : output.histogram) largest = std::max(largest, c.count);
  out += "  classes (upper limit, count, cumulative share):\n";
  for (const HistogramClass& c : output.histogram) {
    out += fmt::format("  {:>12}  {:<{}} {:>8} {:>6.1f}%\n", readable(c.upper_limit),
                       bar(static_cast<double>(c.count) / static_cast<double>(largest), kBarWidth), kBarWidth + 2,
                       c.count, 100 * c.cumulative);
  }
}

void sensitivity_lines(std::string& out, const SimulationReport& report, const OutputReport& output) {
  if (output.sensitivity.empty()) return;
  std::size_t width = 10;
  for (const auto& input : report.inputs) width = std::max(width, input.name.size());
  out += "  sensitivity (rank correlation with each input, largest first):\n";
  for (const Sensitivity& s : output.sensitivity) {
    const double size = s.rank_correlation ? std::abs(*s.rank_correlation) : 0;
    out += fmt::format("  {:<{}}  {}  {}\n", report.inputs[s.input].name, width, signed_correlation(s.rank_correlation),
                       bar(size, kBarWidth / 2));
  }
}

}  // namespace

std::string readable(double x) {
  if (x == 0) return "0";
  const double magnitude = std::abs(x);
  if (magnitude < 1e-4 || magnitude >= 1e15) return fmt::format("{:.5g}", x);
  // Whole numbers from a thousand on: a column of amounts reads best without stray decimals.
  if (magnitude >= 1000) return fmt::format("{:.0f}", x);
  const int decimals = std::max(0, 5 - static_cast<int>(std::floor(std::log10(magnitude))));
  return fmt::format("{:.{}f}", x, decimals);
}

std::string report_text(const SimulationReport& report, int threads, double seconds) {
  std::string out =
      fmt::format("{}: {} iterations, {} sampling, seed {}, {} thread{}, {:.2f} s\n", report.model, report.iterations,
                  sampling_name(report.sampling), report.seed, threads, threads == 1 ? "" : "s", seconds);
  if (!report.locked.empty())
    out += fmt::format("locked at their deterministic values: {}\n", fmt::join(report.locked, ", "));

  for (const OutputReport& output : report.outputs) {
    out += fmt::format("\nOutput {} ({})", output.name, output.cell);
    if (output.summary.failed > 0) out += fmt::format(", failed in {} iterations", output.summary.failed);
    out += "\n";
    summary_lines(out, output.summary);
    if (output.settled_after > 0) {
      out += fmt::format("  settled after {} runs\n", output.settled_after);
    } else {
      out += "  not settled within the run\n";
    }
    histogram_lines(out, output);
    sensitivity_lines(out, report, output);
  }

  if (!report.inputs.empty()) {
    std::size_t width = 10;
    for (const auto& input : report.inputs) width = std::max(width, input.name.size());
    out += fmt::format("\nInputs\n  {:<{}}  {:<16} {:>12} {:>12}\n", "name", width, "cell", "mean", "std dev");
    for (const CellReport& input : report.inputs) {
      out +=
          fmt::format("  {:<{}}  {:<16} {:>12} {:>12}", input.name, width, input.cell,
                      input.summary.count ? readable(input.summary.mean) : "-", optional_number(input.summary.std_dev));
      if (input.summary.failed > 0) out += fmt::format("  failed in {} iterations", input.summary.failed);
      out += "\n";
    }
    std::string pairs;
    for (std::size_t a = 0; a < report.inputs.size(); ++a) {
      for (std::size_t b = a + 1; b < report.inputs.size(); ++b) {
        const auto& rho = report.input_correlations[a][b];
        if (rho && std::abs(*rho) >= kNotableCorrelation) {
          pairs +=
              fmt::format("  {} ~ {}: {}\n", report.inputs[a].name, report.inputs[b].name, signed_correlation(rho));
        }
      }
    }
    if (!pairs.empty()) out += "\nCorrelated inputs (rank correlation)\n" + pairs;
  }
  return out;
}

}  // namespace cli
