#include "cli/density_plot.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "cli/chart_axes.hpp"
#include "cli/plot_canvas.hpp"

namespace cli {
namespace {

constexpr double kWidth = 800;
constexpr double kHeight = 480;
constexpr double kLeftMargin = 70;
constexpr double kRightMargin = 30;
constexpr double kTopMargin = 56;
constexpr double kBottomMargin = 64;
constexpr Colour kShade{0.72, 0.81, 0.92};
constexpr Colour kOutside{0.70, 0.70, 0.74};
constexpr int kTicks = 5;

struct Frame {
  double low, high, top;  // x from low to high, y from 0 to top

  double x_of(double x) const { return kLeftMargin + (x - low) / (high - low) * (kWidth - kLeftMargin - kRightMargin); }
  double y_of(double y) const { return kHeight - kBottomMargin - y / top * (kHeight - kTopMargin - kBottomMargin); }
};

Frame frame_of(const DensityChart& chart) {
  double low = chart.x.front();
  double high = chart.x.back();
  if (chart.discrete) {
    low -= 0.5;
    high += 0.5;
  }
  if (!(high > low)) high = low + 1;
  if (chart.cumulative) return {low, high, 1.0};
  const double tallest = *std::max_element(chart.y.begin(), chart.y.end());
  return {low, high, tallest > 0 ? tallest * 1.1 : 1.0};
}

std::string label(double x) { return fmt::format("{:g}", x); }

// Both axes at round numbers, with light grid lines across the chart at each y tick.
void draw_axes(cairo_t* cr, const Frame& frame, bool discrete, bool cumulative) {
  fill_with(cr, kInk);
  cairo_set_line_width(cr, 1);
  cairo_move_to(cr, kLeftMargin, frame.y_of(0) + 0.5);
  cairo_line_to(cr, kWidth - kRightMargin, frame.y_of(0) + 0.5);
  cairo_stroke(cr);
  Ticks xs = round_ticks(frame.low, frame.high, kTicks);
  if (discrete && xs.step < 1) xs = round_ticks(std::ceil(frame.low), std::floor(frame.high), kTicks);
  for (const double x : xs.values) text_at(cr, frame.x_of(x), frame.y_of(0) + 18, tick_label(x, xs.step), 11, 0.5);
  const Ticks ys = round_ticks(0, cumulative ? 1.0 : frame.top / 1.1, 5);
  for (const double y : ys.values) {
    if (y <= 0) continue;
    fill_with(cr, kGrid);
    cairo_rectangle(cr, kLeftMargin, frame.y_of(y), kWidth - kLeftMargin - kRightMargin, 1);
    cairo_fill(cr);
    fill_with(cr, kInk);
    const std::string text = cumulative ? fmt::format("{:g}%", 100 * y) : tick_label(y, ys.step);
    text_at(cr, kLeftMargin - 6, frame.y_of(y) + 4, text, 11, 1);
  }
}

void draw_bars(cairo_t* cr, const DensityChart& chart, const Frame& frame) {
  const double width = std::max(1.0, (frame.x_of(1) - frame.x_of(0)) * 0.7);
  for (std::size_t i = 0; i < chart.x.size(); ++i) {
    // The interval's probability is P(left < X <= right): the left marker's own value is outside.
    const bool inside = chart.x[i] > chart.left && chart.x[i] <= chart.right;
    fill_with(cr, inside ? kBars : kOutside);
    const double top = frame.y_of(chart.y[i]);
    cairo_rectangle(cr, frame.x_of(chart.x[i]) - width / 2, top, width, frame.y_of(0) - top);
    cairo_fill(cr);
  }
}

// The interval's area under the density.
void shade_interval(cairo_t* cr, const DensityChart& chart, const Frame& frame) {
  fill_with(cr, kShade);
  bool open = false;
  for (std::size_t i = 0; i < chart.x.size(); ++i) {
    if (chart.x[i] < chart.left || chart.x[i] > chart.right) continue;
    if (!open) cairo_move_to(cr, frame.x_of(chart.x[i]), frame.y_of(0));
    open = true;
    cairo_line_to(cr, frame.x_of(chart.x[i]), frame.y_of(chart.y[i]));
  }
  if (!open) return;
  const double last = std::min(chart.right, chart.x.back());
  cairo_line_to(cr, frame.x_of(last), frame.y_of(0));
  cairo_close_path(cr);
  cairo_fill(cr);
}

void draw_curve(cairo_t* cr, const DensityChart& chart, const Frame& frame) {
  // Under a cumulative curve an area means nothing: the markers alone show the interval.
  if (!chart.cumulative) shade_interval(cr, chart, frame);
  fill_with(cr, kBars);
  cairo_set_line_width(cr, 2);
  for (std::size_t i = 0; i < chart.x.size(); ++i) {
    const double x = frame.x_of(chart.x[i]);
    const double y = frame.y_of(chart.y[i]);
    if (i == 0) {
      cairo_move_to(cr, x, y);
    } else {
      cairo_line_to(cr, x, y);
    }
  }
  cairo_stroke(cr);
}

void draw_markers(cairo_t* cr, const DensityChart& chart, const Frame& frame) {
  fill_with(cr, kMarks);
  cairo_set_line_width(cr, 1.5);
  const double dashes[] = {5, 3};
  cairo_set_dash(cr, dashes, 2, 0);
  for (const double x : {chart.left, chart.right}) {
    if (x < frame.low || x > frame.high) continue;
    cairo_move_to(cr, frame.x_of(x), kTopMargin - 6);
    cairo_line_to(cr, frame.x_of(x), frame.y_of(0));
    cairo_stroke(cr);
    text_at(cr, frame.x_of(x), kTopMargin - 10, label(x), 11, 0.5);
  }
  cairo_set_dash(cr, nullptr, 0, 0);
}

}  // namespace

void draw_density(const std::string& path, const DensityChart& chart) {
  write_picture(path, kWidth, kHeight, [&](cairo_t* cr) {
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    fill_with(cr, kInk);
    text_at(cr, kLeftMargin, 24, chart.title, 15);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    if (chart.x.empty()) return;
    const Frame frame = frame_of(chart);
    if (chart.discrete) {
      draw_bars(cr, chart, frame);
    } else {
      draw_curve(cr, chart, frame);
    }
    draw_axes(cr, frame, chart.discrete, chart.cumulative);
    draw_markers(cr, chart, frame);
    fill_with(cr, kInk);
    text_at(cr, kWidth / 2, kHeight - 16, chart.footer, 12, 0.5);
  });
}

}  // namespace cli
