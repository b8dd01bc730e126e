#include "cli/fit_plot.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <optional>

#include "cli/chart_axes.hpp"

namespace cli {
namespace {

constexpr double kWidth = 1100;
constexpr double kHeight = 860;
constexpr double kPanelWidth = 440;
constexpr double kPanelHeight = 260;
constexpr double kLeft[] = {80, 620};
constexpr double kTop[] = {70, 410};
constexpr int kCurvePoints = 300;
constexpr std::size_t kMostPoints = 400;  // observations drawn in the P-P and Q-Q plots
constexpr Colour kCurveColours[] = {kNegative, kPositive, kMarks};
constexpr double kDashes[][2] = {{1, 0}, {8, 4}, {2, 3}};

// One panel: its box and the ranges of its axes.
struct Panel {
  Box box;
  double x_low, x_high, y_low, y_high;

  // In halves, so that data near +-1.7E308 give finite positions instead of infinities and NaN.
  double x_of(double x) const { return box.x + (x / 2 - x_low / 2) / (x_high / 2 - x_low / 2) * box.width; }
  double y_of(double y) const {
    return box.y + box.height - (std::clamp(y, y_low, y_high) / 2 - y_low / 2) / (y_high / 2 - y_low / 2) * box.height;
  }
};

std::optional<double> value_of(const std::function<double(double)>& f, double x) {
  try {
    const double y = f(x);
    return std::isfinite(y) ? std::optional(y) : std::nullopt;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

void frame(cairo_t* cr, const Panel& panel, const std::string& title, const std::string& x_name,
           const std::string& y_name) {
  const Ticks xs = round_ticks(panel.x_low, panel.x_high, 5);
  const Ticks ys = round_ticks(panel.y_low, panel.y_high, 4);
  cairo_set_line_width(cr, 1);
  for (const double y : ys.values) {
    fill_with(cr, kGrid);
    cairo_rectangle(cr, panel.box.x, panel.y_of(y), panel.box.width, 1);
    cairo_fill(cr);
    fill_with(cr, kInk);
    text_at(cr, panel.box.x - 6, panel.y_of(y) + 4, tick_label(y, ys.step), 11, 1);
  }
  fill_with(cr, kInk);
  for (const double x : xs.values)
    text_at(cr, panel.x_of(x), panel.box.y + panel.box.height + 16, tick_label(x, xs.step), 11, 0.5);
  cairo_rectangle(cr, panel.box.x, panel.box.y, panel.box.width, panel.box.height);
  cairo_stroke(cr);
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  text_at(cr, panel.box.x, panel.box.y - 10, title, 13);
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  text_at(cr, panel.box.x + panel.box.width / 2, panel.box.y + panel.box.height + 34, x_name, 11, 0.5);
  cairo_save(cr);
  cairo_translate(cr, panel.box.x - 52, panel.box.y + panel.box.height / 2);
  cairo_rotate(cr, -M_PI / 2);
  text_at(cr, 0, 0, y_name, 11, 0.5);
  cairo_restore(cr);
}

void curve_style(cairo_t* cr, std::size_t c) {
  fill_with(cr, kCurveColours[c % std::size(kCurveColours)]);
  cairo_set_line_width(cr, 2);
  const auto& dash = kDashes[c % std::size(kDashes)];
  cairo_set_dash(cr, dash, dash[1] > 0 ? 2 : 0, 0);
}

// A line through the points that exist; a gap where a value is missing.
void polyline(cairo_t* cr, const Panel& panel, const std::vector<std::pair<double, std::optional<double>>>& points) {
  bool drawing = false;
  for (const auto& [x, y] : points) {
    if (!y) {
      drawing = false;
      continue;
    }
    if (drawing) {
      cairo_line_to(cr, panel.x_of(x), panel.y_of(*y));
    } else {
      cairo_move_to(cr, panel.x_of(x), panel.y_of(*y));
    }
    drawing = true;
  }
  cairo_stroke(cr);
}

void diagonal(cairo_t* cr, const Panel& panel) {
  fill_with(cr, kGrid);
  cairo_set_line_width(cr, 1.5);
  const double low = std::max(panel.x_low, panel.y_low);
  const double high = std::min(panel.x_high, panel.y_high);
  cairo_move_to(cr, panel.x_of(low), panel.y_of(low));
  cairo_line_to(cr, panel.x_of(high), panel.y_of(high));
  cairo_stroke(cr);
}

// The x whose fitted probability is p, by bisection between wide bounds around the data. Outside
// its support a distribution's function may raise: there it is 0 below the data and 1 above.
std::optional<double> quantile(const FitCurve& curve, double p, double low, double high) {
  const double centre = low / 2 + high / 2;
  const auto probability = [&](double x) { return value_of(curve.cumulative, x).value_or(x < centre ? 0.0 : 1.0); };
  if (probability(low) > p || probability(high) < p) return std::nullopt;
  for (int i = 0; i < 80; ++i) {
    const double middle = low / 2 + high / 2;
    (probability(middle) < p ? low : high) = middle;
  }
  return curve.discrete ? std::ceil(high - 1e-9) : high;
}

// The observations the P-P and Q-Q plots show: all of them, or evenly spaced ranks of many.
std::vector<std::size_t> shown_ranks(std::size_t n) {
  std::vector<std::size_t> ranks;
  const std::size_t count = std::min(n, kMostPoints);
  for (std::size_t k = 0; k < count; ++k) ranks.push_back(count == n ? k : k * (n - 1) / (count - 1));
  return ranks;
}

}  // namespace

void draw_fit(const std::string& path, const std::string& title, const std::vector<double>& sorted,
              const std::vector<FitCurve>& curves) {
  write_picture(path, kWidth, kHeight, [&](cairo_t* cr) {
    if (sorted.empty()) return;
    const double n = static_cast<double>(sorted.size());
    // The range in halves: the data's own spread may be past the largest double.
    constexpr double kLargest = std::numeric_limits<double>::max();
    const double middle = sorted.front() / 2 + sorted.back() / 2;
    const double half = sorted.back() / 2 - sorted.front() / 2;
    const double margin = half > 0 ? 1.1 * half : std::max(0.5, 0.05 * std::fabs(middle));
    const double low = std::max(middle - margin, -kLargest);
    const double high = std::min(middle + margin, kLargest);
    const double spread = 2 * std::min(half, kLargest / 4);  // finite, for the class widths and bounds
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    fill_with(cr, kInk);
    text_at(cr, kLeft[0], 32, fmt::format("{}: {} observations", title, sorted.size()), 16);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);

    // Density over the histogram: equal classes, each bar's area its share of the data.
    // Counts get one class per whole number, so that a probability mass reads against its bar.
    const bool counts = spread < 60 && std::all_of(sorted.begin(), sorted.end(), [](double x) { return x == std::floor(x); });
    const int classes = counts ? static_cast<int>(std::min(60.0, spread + 1))
                               : std::clamp(static_cast<int>(std::ceil(2.0 * std::cbrt(n))), 5, 60);
    const double class_low = counts ? sorted.front() - 0.5 : sorted.front();
    // Classes are measured in halves, as the axis is: the data's span may be past the largest double.
    const double half_width = counts ? std::ceil((spread + 1) / classes) / 2 : std::max(half, 1e-300) / classes;
    const double width = std::min(2 * half_width, kLargest);
    std::vector<double> heights(static_cast<std::size_t>(classes), 0.0);
    for (const double x : sorted) {
      const auto k = static_cast<std::size_t>(std::clamp(std::floor((x / 2 - class_low / 2) / half_width), 0.0, classes - 1.0));
      heights[k] += 0.5 / (n * half_width);
    }
    double tallest = *std::max_element(heights.begin(), heights.end());
    std::vector<std::vector<std::pair<double, std::optional<double>>>> densities(curves.size());
    for (std::size_t c = 0; c < curves.size(); ++c) {
      for (int i = 0; i <= kCurvePoints; ++i) {
        double x = 2 * (low / 2 + (high / 2 - low / 2) * i / kCurvePoints);
        if (curves[c].discrete) x = std::round(x);
        const auto y = value_of(curves[c].density, x);
        densities[c].emplace_back(x, y ? std::optional(*y / (curves[c].discrete ? width : 1.0)) : std::nullopt);
        if (curves[c].discrete && i < kCurvePoints && std::round(2 * (low / 2 + (high / 2 - low / 2) * (i + 1) / kCurvePoints)) == x)
          densities[c].pop_back();  // one point per whole number
        if (y) tallest = std::max(tallest, std::min(*y, 3 * tallest));
      }
    }
    const Panel histogram{{kLeft[0], kTop[0], kPanelWidth, kPanelHeight}, low, high, 0, tallest * 1.1};
    for (std::size_t k = 0; k < heights.size(); ++k) {
      fill_with(cr, {0.80, 0.86, 0.94});
      const double x0 = histogram.x_of(2 * (class_low / 2 + half_width * static_cast<double>(k)));
      const double x1 = histogram.x_of(2 * (class_low / 2 + half_width * static_cast<double>(k + 1)));
      cairo_rectangle(cr, x0, histogram.y_of(heights[k]), x1 - x0 - 1, histogram.y_of(0) - histogram.y_of(heights[k]));
      cairo_fill(cr);
    }
    frame(cr, histogram, "Density over the data's histogram", "value", counts ? "probability" : "density");
    for (std::size_t c = 0; c < curves.size(); ++c) {
      curve_style(cr, c);
      polyline(cr, histogram, densities[c]);
    }
    cairo_set_dash(cr, nullptr, 0, 0);

    // The empirical distribution function as a staircase, with the fitted ones.
    const Panel cdf{{kLeft[1], kTop[0], kPanelWidth, kPanelHeight}, low, high, 0, 1};
    frame(cr, cdf, "Distribution functions", "value", "P(X <= x)");
    fill_with(cr, kBars);
    cairo_set_line_width(cr, 2);
    cairo_move_to(cr, cdf.x_of(low), cdf.y_of(0));
    for (std::size_t i = 0; i < sorted.size(); ++i) {
      cairo_line_to(cr, cdf.x_of(sorted[i]), cdf.y_of(static_cast<double>(i) / n));
      cairo_line_to(cr, cdf.x_of(sorted[i]), cdf.y_of(static_cast<double>(i + 1) / n));
    }
    cairo_line_to(cr, cdf.x_of(high), cdf.y_of(1));
    cairo_stroke(cr);
    for (std::size_t c = 0; c < curves.size(); ++c) {
      std::vector<std::pair<double, std::optional<double>>> points;
      for (int i = 0; i <= kCurvePoints; ++i) {
        const double x = 2 * (low / 2 + (high / 2 - low / 2) * i / kCurvePoints);
        points.emplace_back(x, value_of(curves[c].cumulative, x));
      }
      curve_style(cr, c);
      polyline(cr, cdf, points);
    }
    cairo_set_dash(cr, nullptr, 0, 0);

    // P-P: the fitted probability of each observation against its empirical one; Q-Q: each
    // observation against the fitted quantile of its rank. Both lie on the diagonal for a good fit.
    const Panel pp{{kLeft[0], kTop[1], kPanelWidth, kPanelHeight}, 0, 1, 0, 1};
    const Panel qq{{kLeft[1], kTop[1], kPanelWidth, kPanelHeight}, low, high, low, high};
    frame(cr, pp, "P-P plot", "fitted probability", "empirical probability");
    frame(cr, qq, "Q-Q plot", "fitted quantile", "observation");
    diagonal(cr, pp);
    diagonal(cr, qq);
    const std::vector<std::size_t> ranks = shown_ranks(sorted.size());
    for (std::size_t c = 0; c < curves.size(); ++c) {
      fill_with(cr, kCurveColours[c % std::size(kCurveColours)]);
      for (const std::size_t i : ranks) {
        const double empirical = (static_cast<double>(i) + 0.5) / n;
        if (const auto f = value_of(curves[c].cumulative, sorted[i])) {
          cairo_arc(cr, pp.x_of(*f), pp.y_of(empirical), 2.2, 0, 2 * M_PI);
          cairo_fill(cr);
        }
        if (const auto q = quantile(curves[c], empirical, std::max(low - 10 * spread, -kLargest),
                                    std::min(high + 10 * spread, kLargest))) {
          if (*q < low || *q > high) continue;
          cairo_arc(cr, qq.x_of(*q), qq.y_of(sorted[i]), 2.2, 0, 2 * M_PI);
          cairo_fill(cr);
        }
      }
    }

    // The legend under the panels: each candidate's line, name, parameters and statistic.
    for (std::size_t c = 0; c < curves.size(); ++c) {
      const double y = kTop[1] + kPanelHeight + 70 + 24 * static_cast<double>(c);
      curve_style(cr, c);
      cairo_move_to(cr, kLeft[0], y - 4);
      cairo_line_to(cr, kLeft[0] + 34, y - 4);
      cairo_stroke(cr);
      cairo_set_dash(cr, nullptr, 0, 0);
      fill_with(cr, kInk);
      text_at(cr, kLeft[0] + 44, y, fmt::format("{}. {}: {}", c + 1, curves[c].name, curves[c].legend), 12);
    }
  });
}

}  // namespace cli
