#include "cli/fit_plot.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <optional>

#include "cli/report_text.hpp"

namespace cli {
namespace {

constexpr double kWidth = 900;
constexpr double kHeight = 560;
constexpr double kMargin = 56;
constexpr int kCurvePoints = 400;
constexpr Colour kCurveColours[] = {kNegative, kPositive, kMarks};

void draw_axes(cairo_t* cr, Box box, double low, double high) {
  fill_with(cr, kGrid);
  cairo_set_line_width(cr, 1);
  for (int i = 0; i <= 4; ++i) {
    const double y = box.y + box.height * (1.0 - i / 4.0);
    cairo_move_to(cr, box.x, y);
    cairo_line_to(cr, box.x + box.width, y);
  }
  cairo_stroke(cr);
  fill_with(cr, kInk);
  for (int i = 0; i <= 4; ++i)
    text_at(cr, box.x - 6, box.y + box.height * (1.0 - i / 4.0) + 4, fmt::format("{:.2f}", i / 4.0), 11, 1);
  text_at(cr, box.x, box.y + box.height + 18, readable(low), 11);
  text_at(cr, box.x + box.width, box.y + box.height + 18, readable(high), 11, 1);
  text_at(cr, box.x + box.width / 2, box.y + box.height + 18, readable(low / 2 + high / 2), 11, 0.5);
}

}  // namespace

void draw_fit(const std::string& path, const std::string& title, const std::vector<double>& sorted,
              const std::vector<FitCurve>& curves) {
  write_picture(path, kWidth, kHeight, [&](cairo_t* cr) {
    if (sorted.empty()) return;
    const Box box{kMargin, kMargin, kWidth - 2 * kMargin - 150, kHeight - 2 * kMargin};
    // In halves, so that data near +-1.7E308 give a finite axis instead of infinities and NaN.
    const double middle = sorted.front() / 2 + sorted.back() / 2;
    const double half = sorted.back() / 2 - sorted.front() / 2;
    const double margin = half > 0 ? 1.1 * half : std::max(0.05, 0.05 * std::fabs(middle));
    const double low = std::max(middle - margin, -std::numeric_limits<double>::max());
    const double high = std::min(middle + margin, std::numeric_limits<double>::max());
    const double half_width = high / 2 - low / 2;
    const auto x_of = [&](double x) { return box.x + (x / 2 - low / 2) / half_width * box.width; };
    const auto y_of = [&](double p) { return box.y + (1.0 - std::clamp(p, 0.0, 1.0)) * box.height; };

    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    fill_with(cr, kInk);
    text_at(cr, box.x, kMargin / 2, fmt::format("{}: {} observations", title, sorted.size()), 14);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    draw_axes(cr, box, low, high);

    // The empirical distribution function as a staircase.
    fill_with(cr, kBars);
    cairo_set_line_width(cr, 2);
    const double n = static_cast<double>(sorted.size());
    cairo_move_to(cr, x_of(low), y_of(0));
    for (std::size_t i = 0; i < sorted.size(); ++i) {
      cairo_line_to(cr, x_of(sorted[i]), y_of(static_cast<double>(i) / n));
      cairo_line_to(cr, x_of(sorted[i]), y_of(static_cast<double>(i + 1) / n));
    }
    cairo_line_to(cr, x_of(high), y_of(1));
    cairo_stroke(cr);

    for (std::size_t c = 0; c < curves.size(); ++c) {
      fill_with(cr, kCurveColours[c % std::size(kCurveColours)]);
      cairo_set_line_width(cr, 1.8);
      bool drawing = false;
      for (int i = 0; i <= kCurvePoints; ++i) {
        const double x = low + half_width * (2.0 * i / kCurvePoints);
        std::optional<double> p;
        try {
          p = curves[c].cumulative(x);
        } catch (const std::exception&) {
        }
        if (!p || !std::isfinite(*p)) {  // a gap in the curve where it cannot be computed
          drawing = false;
          continue;
        }
        if (drawing) {
          cairo_line_to(cr, x_of(x), y_of(*p));
        } else {
          cairo_move_to(cr, x_of(x), y_of(*p));
        }
        drawing = true;
      }
      cairo_stroke(cr);
    }

    // The legend beside the chart.
    const double legend_x = box.x + box.width + 16;
    fill_with(cr, kBars);
    cairo_rectangle(cr, legend_x, box.y + 4, 18, 3);
    cairo_fill(cr);
    fill_with(cr, kInk);
    text_at(cr, legend_x + 24, box.y + 10, "data", 12);
    for (std::size_t c = 0; c < curves.size(); ++c) {
      const double y = box.y + 28 + 22 * static_cast<double>(c);
      fill_with(cr, kCurveColours[c % std::size(kCurveColours)]);
      cairo_rectangle(cr, legend_x, y - 6, 18, 3);
      cairo_fill(cr);
      fill_with(cr, kInk);
      text_at(cr, legend_x + 24, y, fmt::format("{}. {}", c + 1, curves[c].name), 12);
    }
  });
}

}  // namespace cli
