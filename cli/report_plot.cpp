#include "cli/report_plot.hpp"

#include <cairo.h>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "cli/report_text.hpp"

namespace cli {
namespace {

constexpr double kWidth = 1000;
constexpr double kPanelHeight = 320;
constexpr double kMargin = 24;
constexpr double kHistogramWidth = 580;
constexpr int kBins = 50;
constexpr std::size_t kTornadoBars = 10;

void draw_histogram(cairo_t* cr, const SimulationReport& report, const OutputReport& output, Box box) {
  const std::vector<double>& sorted = output.sorted;
  if (sorted.empty()) return;
  const double low = sorted.front();
  const double high = sorted.back() > low ? sorted.back() : low + 1;
  std::vector<std::int64_t> counts(kBins, 0);
  for (const double x : sorted) {
    const auto bin = static_cast<int>((x - low) / (high - low) * kBins);
    ++counts[static_cast<std::size_t>(std::clamp(bin, 0, kBins - 1))];
  }
  const double tallest = static_cast<double>(*std::max_element(counts.begin(), counts.end()));
  const auto x_of = [&](double x) { return box.x + (x - low) / (high - low) * box.width; };

  fill_with(cr, kGrid);
  cairo_rectangle(cr, box.x, box.y + box.height, box.width, 1);
  cairo_fill(cr);
  fill_with(cr, kBars);
  const double bin_width = box.width / kBins;
  for (int b = 0; b < kBins; ++b) {
    const double height = static_cast<double>(counts[static_cast<std::size_t>(b)]) / tallest * (box.height - 30);
    cairo_rectangle(cr, box.x + b * bin_width + 0.5, box.y + box.height - height, bin_width - 1, height);
  }
  cairo_fill(cr);

  // The percentiles as dashed lines, the mean as a solid one.
  cairo_set_line_width(cr, 1.5);
  fill_with(cr, kMarks);
  const double dashes[] = {5, 3};
  for (std::size_t i = 0; i < output.summary.percentiles.size(); ++i) {
    const double x = x_of(output.summary.percentiles[i]);
    cairo_set_dash(cr, dashes, 2, 0);
    cairo_move_to(cr, x, box.y + 14);
    cairo_line_to(cr, x, box.y + box.height);
    cairo_stroke(cr);
    text_at(cr, x, box.y + 10, report.percentile_labels[i] + "%", 10, 0.5);
  }
  cairo_set_dash(cr, nullptr, 0, 0);
  fill_with(cr, kInk);
  cairo_move_to(cr, x_of(output.summary.mean), box.y + 14);
  cairo_line_to(cr, x_of(output.summary.mean), box.y + box.height);
  cairo_stroke(cr);

  fill_with(cr, kInk);
  text_at(cr, box.x, box.y + box.height + 16, readable(low), 11);
  text_at(cr, box.x + box.width, box.y + box.height + 16, readable(sorted.back()), 11, 1);
  text_at(cr, box.x + box.width / 2, box.y + box.height + 16,
          output.summary.percentiles.empty()
              ? fmt::format("mean {}", readable(output.summary.mean))
              : fmt::format("mean {}   {}% {}   {}% {}", readable(output.summary.mean), report.percentile_labels.front(),
                            readable(output.summary.percentiles.front()), report.percentile_labels.back(),
                            readable(output.summary.percentiles.back())),
          11, 0.5);
}

void draw_tornado(cairo_t* cr, const SimulationReport& report, const OutputReport& output, Box box) {
  const std::size_t bars = std::min(kTornadoBars, output.sensitivity.size());
  if (bars == 0) return;
  const double label_width = 130;
  const double centre = box.x + label_width + (box.width - label_width) / 2;
  const double half = (box.width - label_width) / 2 - 4;
  const double row = std::min(24.0, (box.height - 20) / static_cast<double>(bars));
  fill_with(cr, kGrid);
  cairo_rectangle(cr, centre, box.y + 14, 1, row * static_cast<double>(bars));
  cairo_fill(cr);
  fill_with(cr, kInk);
  text_at(cr, box.x, box.y + 8, "rank correlation", 11);
  for (std::size_t i = 0; i < bars; ++i) {
    const Sensitivity& s = output.sensitivity[i];
    const double y = box.y + 14 + row * static_cast<double>(i);
    const double rho = s.rank_correlation.value_or(0);
    fill_with(cr, rho >= 0 ? kPositive : kNegative);
    const double length = std::abs(rho) * half;
    cairo_rectangle(cr, rho >= 0 ? centre : centre - length, y + 3, length, row - 6);
    cairo_fill(cr);
    fill_with(cr, kInk);
    std::string name = report.inputs[s.input].name;
    if (name.size() > 20) name = name.substr(0, 19) + "…";
    text_at(cr, box.x, y + row / 2 + 4, name, 11);
    text_at(cr, rho >= 0 ? centre - 4 : centre + 4, y + row / 2 + 4, fmt::format("{:+.2f}", rho), 10, rho >= 0 ? 1 : 0);
  }
}

void draw(cairo_t* cr, const SimulationReport& report) {
  for (std::size_t o = 0; o < report.outputs.size(); ++o) {
    const OutputReport& output = report.outputs[o];
    const double top = static_cast<double>(o) * kPanelHeight;
    fill_with(cr, kInk);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    text_at(cr, kMargin, top + kMargin, fmt::format("{} ({})", output.name, output.cell), 14);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    draw_histogram(cr, report, output, {kMargin, top + kMargin + 12, kHistogramWidth, kPanelHeight - 2 * kMargin - 40});
    const double tornado_x = 2 * kMargin + kHistogramWidth + 10;
    draw_tornado(cr, report, output,
                 {tornado_x, top + kMargin + 12, kWidth - tornado_x - kMargin, kPanelHeight - 2 * kMargin - 20});
  }
}

}  // namespace

void draw_report(const std::string& path, const SimulationReport& report) {
  const double height = std::max<double>(1, static_cast<double>(report.outputs.size())) * kPanelHeight;
  write_picture(path, kWidth, height, [&report](cairo_t* cr) { draw(cr, report); });
}

}  // namespace cli
