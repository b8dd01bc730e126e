#include "cli/report_plot.hpp"

#include <cairo.h>
#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

#include "cli/chart_axes.hpp"
#include "host/simulation/statistics.hpp"

namespace cli {
namespace {

constexpr double kWidth = 1200;
constexpr double kPanelHeight = 1120;
constexpr double kLeft = 90;     // room for the left axis' labels
constexpr double kRight = 80;    // and for the right one's
constexpr int kBins = 40;
constexpr std::size_t kMostBars = 10;
constexpr double kText = 13;
constexpr double kSmallText = 12;
constexpr double kLabelRow = 17;
constexpr int kLabelRows = 4;  // of marker labels above the histogram
// Drawn over the 0.5th to 99.5th percentiles, tails in end bins, when those hold less than this
// share of the full range: the mass would otherwise sit in a few bars.
constexpr double kTrimmedShare = 0.6;
constexpr Colour kTail{0.62, 0.64, 0.70};
constexpr Colour kCumulative{0.10, 0.10, 0.12};
constexpr Colour kTarget{0.80, 0.15, 0.20};
constexpr Colour kBase{0.15, 0.55, 0.30};
constexpr Colour kLow{0.27, 0.48, 0.71};
constexpr Colour kHigh{0.90, 0.55, 0.15};
constexpr Colour kBand{0.80, 0.87, 0.95};

// From a value range to a pixel range.
struct Scale {
  double low, high, from, to;
  double operator()(double v) const { return from + (v - low) / (high - low) * (to - from); }
};

void line(cairo_t* cr, double x0, double y0, double x1, double y1) {
  cairo_move_to(cr, x0, y0);
  cairo_line_to(cr, x1, y1);
  cairo_stroke(cr);
}

// A title from x, cut to the width it may take.
void bold_text(cairo_t* cr, double x, double y, const std::string& text, double size, double width) {
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  text_at(cr, x, y, fitted_text(cr, text, size, width), size);
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
}

// Ticks, grid lines and labels of a horizontal axis under the box.
void x_axis(cairo_t* cr, const Box& box, const Scale& x, const Ticks& ticks, const std::string& title,
            const std::function<std::string(double)>& label) {
  cairo_set_line_width(cr, 1);
  for (const double t : ticks.values) {
    if (t < x.low - 1e-9 * std::abs(x.high - x.low) || t > x.high + 1e-9 * std::abs(x.high - x.low)) continue;
    fill_with(cr, kGrid);
    line(cr, x(t), box.y, x(t), box.y + box.height);
    fill_with(cr, kInk);
    line(cr, x(t), box.y + box.height, x(t), box.y + box.height + 4);
    text_at(cr, x(t), box.y + box.height + 18, label(t), kSmallText, 0.5);
  }
  fill_with(cr, kInk);
  line(cr, box.x, box.y + box.height, box.x + box.width, box.y + box.height);
  text_at(cr, box.x + box.width / 2, box.y + box.height + 38, title, kText, 0.5);
}

// A vertical axis at the box's left or right edge.
void y_axis(cairo_t* cr, const Box& box, const Scale& y, const Ticks& ticks, const std::string& title, bool right,
            const std::function<std::string(double)>& label) {
  const double at = right ? box.x + box.width : box.x;
  fill_with(cr, kInk);
  cairo_set_line_width(cr, 1);
  line(cr, at, box.y, at, box.y + box.height);
  for (const double t : ticks.values) {
    if (t < y.low || t > y.high) continue;
    line(cr, at, y(t), at + (right ? 4 : -4), y(t));
    text_at(cr, at + (right ? 7 : -7), y(t) + 4, label(t), kSmallText, right ? 0 : 1);
  }
  cairo_save(cr);
  cairo_translate(cr, right ? at + kRight - 12 : box.x - kLeft + 16, box.y + box.height / 2);
  cairo_rotate(cr, right ? M_PI / 2 : -M_PI / 2);
  text_at(cr, 0, 0, title, kText, 0.5);
  cairo_restore(cr);
}

// A target as written: four significant digits at most, thousands separated, no trailing zeros.
std::string marker_number(double v) {
  const double step = v == 0 ? 1 : std::min(1.0, std::pow(10, std::floor(std::log10(std::abs(v))) - 3));
  std::string text = tick_label(v, step);
  if (text.find('.') != std::string::npos) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

struct Marker {
  double value;
  std::string label;
  Colour colour;
  bool dashed;
};

// The histogram with its cumulative share, the percentiles, mean, base case and targets marked.
void draw_histogram(cairo_t* cr, const SimulationReport& report, const OutputReport& output, Box box) {
  const std::vector<double>& sorted = output.sorted;
  if (sorted.empty()) return;
  const double n = static_cast<double>(sorted.size());
  // On a log scale where asked for, or where the values are all positive and, trimmed, still
  // crowd into the lowest tenth of the range.
  const bool positive = sorted.front() > 0;
  const auto skewed = [&](double from, double to) { return host::percentile(sorted, 50) - from < 0.1 * (to - from); };
  const bool log_x = positive && (report.log_x || skewed(host::percentile(sorted, 0.5), host::percentile(sorted, 99.5)));
  const auto scaled = [&](double v) { return log_x ? std::log10(v) : v; };
  double low = scaled(sorted.front()), high = scaled(sorted.back());
  const double inner_low = scaled(host::percentile(sorted, 0.5)), inner_high = scaled(host::percentile(sorted, 99.5));
  const bool trimmed = sorted.size() >= 200 && inner_high > inner_low && inner_high - inner_low < kTrimmedShare * (high - low);
  if (trimmed) {
    low = inner_low;
    high = inner_high;
  }
  if (!(high > low)) {
    low -= 0.5;
    high += 0.5;
  }
  // The end bins of a trimmed range sit outside it, one bin wide each.
  const double bin_width = box.width / (kBins + (trimmed ? 2 : 0));
  const Box inner{box.x + (trimmed ? bin_width : 0), box.y, bin_width * kBins, box.height};
  const Scale x{low, high, inner.x, inner.x + inner.width};
  std::vector<double> counts(kBins, 0);
  double below = 0, above = 0;
  for (const double value : sorted) {
    const double v = scaled(value);
    if (v < low) {
      ++below;
    } else if (v > high) {
      ++above;
    } else {
      ++counts[static_cast<std::size_t>(std::clamp(static_cast<int>((v - low) / (high - low) * kBins), 0, kBins - 1))];
    }
  }
  const double tallest = std::max({*std::max_element(counts.begin(), counts.end()), below, above, 1.0});
  const Ticks count_ticks = round_ticks(0, tallest, 5);
  const Scale y{0, std::max(tallest, count_ticks.values.back()), box.y + box.height, box.y};
  std::string title = output.name;
  if (log_x) title += " (log scale)";
  if (trimmed) title += ", 0.5th to 99.5th percentile; the tails' counts in the grey end bins";
  if (log_x) {
    // Ticks at 1, 2 and 5 times the powers of ten, or at the powers alone over many decades.
    Ticks ticks;
    const bool many = high - low > 4;
    for (double e = std::floor(low); e <= high; ++e) {
      for (const double m : many ? std::vector<double>{1} : std::vector<double>{1, 2, 5}) {
        const double t = e + std::log10(m);
        if (t >= low && t <= high) ticks.values.push_back(t);
      }
    }
    x_axis(cr, box, x, ticks, title, [](double t) {
      const double v = std::pow(10, t);
      return tick_label(v, std::min(1.0, std::pow(10, std::floor(t))));
    });
  } else {
    const Ticks ticks = round_ticks(low, high, 8);
    x_axis(cr, box, x, ticks, title, [&](double t) { return tick_label(t, ticks.step); });
  }
  y_axis(cr, box, y, count_ticks, "iterations", false, [&](double t) { return tick_label(t, count_ticks.step); });
  const Scale share{0, 1, box.y + box.height, box.y};
  y_axis(cr, box, share, round_ticks(0, 1, 4), "cumulative share", true,
         [](double t) { return fmt::format("{:.0f}%", 100 * t); });

  fill_with(cr, kBars);
  for (int b = 0; b < kBins; ++b) {
    const double top = y(counts[static_cast<std::size_t>(b)]);
    cairo_rectangle(cr, inner.x + b * bin_width + 0.5, top, bin_width - 1, box.y + box.height - top);
  }
  cairo_fill(cr);
  if (trimmed) {
    fill_with(cr, kTail);
    cairo_rectangle(cr, box.x + 0.5, y(below), bin_width - 1, box.y + box.height - y(below));
    cairo_rectangle(cr, inner.x + inner.width + 0.5, y(above), bin_width - 1, box.y + box.height - y(above));
    cairo_fill(cr);
    fill_with(cr, kInk);
    text_at(cr, box.x + bin_width / 2, y(below) - 4, tick_label(below, 1), kSmallText - 1, 0.5);
    text_at(cr, inner.x + inner.width + bin_width / 2, y(above) - 4, tick_label(above, 1), kSmallText - 1, 0.5);
  }

  // The share at or below each bin's edge, the tails included.
  fill_with(cr, kCumulative);
  cairo_set_line_width(cr, 2);
  double at_or_below = below;
  cairo_move_to(cr, inner.x, share(at_or_below / n));
  for (int b = 0; b < kBins; ++b) {
    at_or_below += counts[static_cast<std::size_t>(b)];
    cairo_line_to(cr, inner.x + (b + 1) * bin_width, share(at_or_below / n));
  }
  cairo_stroke(cr);

  std::vector<Marker> markers;
  for (std::size_t p = 0; p < output.summary.percentiles.size(); ++p)
    markers.push_back({output.summary.percentiles[p], report.percentile_labels[p] + "%", kMarks, true});
  markers.push_back({output.summary.mean, "mean", kInk, false});
  if (output.base_case.is_number()) markers.push_back({output.base_case.number(), "base case", kBase, false});
  for (const TargetShare& target : output.targets) {
    markers.push_back({target.value, fmt::format("≤ {}: {:.1f}%", marker_number(target.value), 100 * target.at_or_below),
                       kTarget, false});
  }
  std::vector<Label> labels;
  for (const Marker& m : markers) {
    const double v = log_x ? (m.value > 0 ? std::log10(m.value) : low) : m.value;
    labels.push_back({x(std::clamp(v, low, high)), m.label, 0, 0});
  }
  place_labels(cr, labels, kSmallText, kLabelRows);
  const double dashes[] = {5, 3};
  for (std::size_t i = 0; i < markers.size(); ++i) {
    const double label_y = box.y - 8 - kLabelRow * labels[i].row;
    fill_with(cr, markers[i].colour);
    cairo_set_line_width(cr, 1.5);
    cairo_set_dash(cr, dashes, markers[i].dashed ? 2 : 0, 0);
    line(cr, labels[i].x, box.y, labels[i].x, box.y + box.height);
    cairo_set_dash(cr, nullptr, 0, 0);
    // A label moved aside keeps a leader to its line.
    cairo_set_line_width(cr, 1);
    line(cr, labels[i].text_x, label_y + 3, labels[i].x, box.y);
    text_at(cr, labels[i].text_x, label_y, labels[i].text, kSmallText, 0.5);
  }
}

// Colour keys in a row under a chart's axis title.
void legend(cairo_t* cr, const Box& box, std::initializer_list<std::pair<Colour, const char*>> keys) {
  const double y = box.y + box.height + 58;
  double x = box.x;
  for (const auto& [colour, text] : keys) {
    fill_with(cr, colour);
    cairo_rectangle(cr, x, y - 10, 12, 12);
    cairo_fill(cr);
    fill_with(cr, kInk);
    text_at(cr, x + 18, y, text, kSmallText);
    x += 18 + text_width(cr, text, kSmallText) + 24;
  }
}

// Horizontal bars with the input names at their left; `value` gives a bar's ends.
void draw_bars(cairo_t* cr, const SimulationReport& report, const std::vector<const Sensitivity*>& bars, Box box,
               const std::string& title, const std::string& axis_title, double low, double high, double origin,
               const std::function<void(const Sensitivity&, const Scale&, double y, double height)>& draw_bar,
               const std::function<std::string(double, double)>& label) {
  if (bars.empty()) return;
  fill_with(cr, kInk);
  bold_text(cr, box.x, box.y - 12, title, kText, box.width);
  double names = 0;
  for (const Sensitivity* s : bars) names = std::max(names, text_width(cr, report.inputs[s->input].name, kSmallText));
  names = std::min(names + 10, box.width * 0.4);
  const Box area{box.x + names, box.y, box.width - names, box.height};
  const Ticks ticks = round_ticks(low, high, 5);
  const Scale x{std::min(low, ticks.values.front()), std::max(high, ticks.values.back()), area.x, area.x + area.width};
  x_axis(cr, area, x, ticks, axis_title, [&](double t) { return label(t, ticks.step); });
  fill_with(cr, kInk);
  line(cr, x(origin), area.y, x(origin), area.y + area.height);
  const double row = area.height / static_cast<double>(bars.size());
  for (std::size_t i = 0; i < bars.size(); ++i) {
    const double y = area.y + row * static_cast<double>(i);
    draw_bar(*bars[i], x, y + row * 0.18, row * 0.64);
    fill_with(cr, kInk);
    text_at(cr, area.x - 8, y + row / 2 + 4, fitted_text(cr, report.inputs[bars[i]->input].name, kSmallText, names - 10),
            kSmallText, 1);
  }
}

// The output's mean over each input's lowest and highest tenth, the widest swing on top.
void draw_tornado(cairo_t* cr, const SimulationReport& report, const OutputReport& output, Box box) {
  std::vector<const Sensitivity*> bars = by_swing(output);
  std::erase_if(bars, [](const Sensitivity* s) { return !s->swing.low || !s->swing.high; });
  if (bars.size() > kMostBars) bars.resize(kMostBars);
  if (bars.empty() || output.summary.count == 0) return;
  const double mean = output.summary.mean;
  double low = mean, high = mean;
  for (const Sensitivity* s : bars) {
    low = std::min({low, *s->swing.low, *s->swing.high});
    high = std::max({high, *s->swing.low, *s->swing.high});
  }
  draw_bars(cr, report, bars, box, "Swing: its mean over each input's lowest and highest tenth",
            output.name, low, high, mean,
            [&](const Sensitivity& s, const Scale& x, double y, double height) {
              for (const auto& [end, colour] : {std::pair{*s.swing.low, kLow}, std::pair{*s.swing.high, kHigh}}) {
                fill_with(cr, colour);
                cairo_rectangle(cr, std::min(x(mean), x(end)), y, std::abs(x(end) - x(mean)), height);
                cairo_fill(cr);
              }
            },
            [](double t, double step) { return tick_label(t, step); });
  legend(cr, box, {{kLow, "input in its lowest tenth"}, {kHigh, "in its highest tenth"}});
}

void draw_contribution(cairo_t* cr, const SimulationReport& report, const OutputReport& output, Box box) {
  std::vector<const Sensitivity*> bars;
  for (const Sensitivity& s : output.sensitivity) bars.push_back(&s);
  if (bars.size() > kMostBars) bars.resize(kMostBars);
  double largest = 0.01;
  for (const Sensitivity* s : bars) largest = std::max(largest, s->contribution);
  draw_bars(cr, report, bars, box, "Contribution to variance (squared rank correlation)", "share of variance", 0,
            largest, 0,
            [&](const Sensitivity& s, const Scale& x, double y, double height) {
              fill_with(cr, s.rank_correlation.value_or(0) >= 0 ? kPositive : kNegative);
              cairo_rectangle(cr, x(0), y, x(s.contribution) - x(0), height);
              cairo_fill(cr);
              fill_with(cr, kInk);
              text_at(cr, x(s.contribution) + 5, y + height / 2 + 4, fmt::format("{:.1f}%", 100 * s.contribution),
                      kSmallText - 1);
            },
            [](double t, double step) { return fmt::format("{:.{}f}%", 100 * t, step >= 0.01 ? 0 : 1); });
  legend(cr, box, {{kPositive, "rises with the input"}, {kNegative, "falls as the input rises"}});
}

// The running mean with its 95% band and the running 5th and 95th percentiles, over a log scale
// of iterations.
void draw_convergence(cairo_t* cr, const OutputReport& output, Box box) {
  const auto& points = output.convergence;
  if (points.size() < 2) return;
  fill_with(cr, kInk);
  bold_text(cr, box.x, box.y - 12,
            "Convergence: running mean with its 95% band (blue), running 5th and 95th percentiles (orange)", kText,
            box.width);
  double low = points.front().p5, high = points.front().p95;
  for (const ConvergencePoint& p : points) {
    low = std::min({low, p.p5, p.mean - p.half_width});
    high = std::max({high, p.p95, p.mean + p.half_width});
  }
  const Ticks value_ticks = round_ticks(low, high, 5);
  const Scale y{std::min(low, value_ticks.values.front()), std::max(high, value_ticks.values.back()), box.y + box.height,
                box.y};
  const double first = std::log10(static_cast<double>(points.front().iterations));
  const double last = std::log10(static_cast<double>(points.back().iterations));
  const Scale x{first, std::max(last, first + 1e-9), box.x, box.x + box.width};
  Ticks powers;
  for (double e = std::ceil(first); e <= last + 1e-9; ++e) powers.values.push_back(e);
  x_axis(cr, box, x, powers, "iterations (log scale)", [](double e) { return tick_label(std::pow(10, e), 1); });
  y_axis(cr, box, y, value_ticks, output.name, false, [&](double t) { return tick_label(t, value_ticks.step); });
  const auto at = [&](const ConvergencePoint& p) { return x(std::log10(static_cast<double>(p.iterations))); };
  fill_with(cr, kBand);
  cairo_move_to(cr, at(points.front()), y(points.front().mean + points.front().half_width));
  for (const ConvergencePoint& p : points) cairo_line_to(cr, at(p), y(p.mean + p.half_width));
  for (auto p = points.rbegin(); p != points.rend(); ++p) cairo_line_to(cr, at(*p), y(p->mean - p->half_width));
  cairo_close_path(cr);
  cairo_fill(cr);
  const auto curve = [&](Colour colour, double (*value)(const ConvergencePoint&)) {
    fill_with(cr, colour);
    cairo_set_line_width(cr, 2);
    cairo_move_to(cr, at(points.front()), y(value(points.front())));
    for (const ConvergencePoint& p : points) cairo_line_to(cr, at(p), y(value(p)));
    cairo_stroke(cr);
  };
  curve(kBars, [](const ConvergencePoint& p) { return p.mean; });
  curve(kMarks, [](const ConvergencePoint& p) { return p.p5; });
  curve(kMarks, [](const ConvergencePoint& p) { return p.p95; });
}

// One output's page: its histogram, tornado, contributions and convergence.
void draw_output(cairo_t* cr, const SimulationReport& report, const OutputReport& output) {
  fill_with(cr, kInk);
  bold_text(cr, 24, 34, fmt::format("{} ({})", output.name, output.cell), 18, kWidth - 48);
  draw_histogram(cr, report, output, {kLeft, 110, kWidth - kLeft - kRight, 300});
  const double half = (kWidth - kLeft - kRight) / 2;
  draw_tornado(cr, report, output, {kLeft - 60, 500, half + 20, 230});
  draw_contribution(cr, report, output, {kLeft + half + 40, 500, half - 40, 230});
  draw_convergence(cr, output, {kLeft, 850, kWidth - kLeft - kRight, 200});
}

// "report.png" for the output "Net present value": "report-Net_present_value.png"; a name that
// leaves nothing of itself, or one another output already took, gets the output's number.
std::vector<std::string> file_per_output(const std::string& path, const SimulationReport& report) {
  const std::filesystem::path whole(path);
  std::vector<std::string> paths;
  for (std::size_t o = 0; o < report.outputs.size(); ++o) {
    std::string suffix;
    for (const char c : report.outputs[o].name) {
      const bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '-';
      if (plain) suffix += c;
      else if (!suffix.empty() && suffix.back() != '_') suffix += '_';
    }
    while (!suffix.empty() && suffix.back() == '_') suffix.pop_back();
    suffix = suffix.substr(0, 60);
    std::filesystem::path named = whole;
    named.replace_filename(whole.stem().string() + "-" + suffix + whole.extension().string());
    if (suffix.empty() || std::find(paths.begin(), paths.end(), named.string()) != paths.end()) {
      named.replace_filename(fmt::format("{}-{}{}", whole.stem().string(), o + 1, whole.extension().string()));
    }
    paths.push_back(named.string());
  }
  return paths;
}

}  // namespace

std::vector<std::string> draw_report(const std::string& path, const SimulationReport& report) {
  const auto page = [&report](cairo_t* cr, std::size_t o) {
    if (o < report.outputs.size()) draw_output(cr, report, report.outputs[o]);
  };
  if (holds_pages(path) || report.outputs.size() <= 1) {
    write_pages(path, kWidth, kPanelHeight, std::max<std::size_t>(1, report.outputs.size()), page);
    return {path};
  }
  const std::vector<std::string> paths = file_per_output(path, report);
  for (std::size_t o = 0; o < paths.size(); ++o) {
    check_plot_path(paths[o]);
  }
  for (std::size_t o = 0; o < paths.size(); ++o) {
    write_picture(paths[o], kWidth, kPanelHeight, [&](cairo_t* cr) { page(cr, o); });
  }
  return paths;
}

}  // namespace cli
