#include "cli/report_workbook.hpp"

#include <fmt/format.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

#include "cli/value_text.hpp"
#include "common/failure.hpp"

namespace cli {
namespace {

constexpr const char* kSummary = "Summary";
constexpr const char* kSensitivity = "Sensitivity";
constexpr const char* kHistograms = "Histograms";
constexpr const char* kIterations = "Iterations";
constexpr const char* kCharts = "Charts";
// A chart's default height in rows of the default height (288 and 20 pixels), with a row to spare.
constexpr lxw_row_t kChartRows = 16;

class Workbook {
 public:
  explicit Workbook(const std::string& path) : path_(path) {
    // Rows go out as they are written: a long run's iterations need not be held twice.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    book_ = workbook_new_opt(path.c_str(), &options);
    if (book_ == nullptr) fail("cannot create");
    bold_ = workbook_add_format(book_);
    format_set_bold(bold_);
    share_ = workbook_add_format(book_);
    format_set_num_format(share_, "0.00%");
  }
  ~Workbook() {
    if (book_ != nullptr) workbook_close(book_);
  }
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

  lxw_workbook* get() const { return book_; }
  lxw_format* bold() const { return bold_; }
  lxw_format* share() const { return share_; }

  void close() {
    const lxw_error error = workbook_close(std::exchange(book_, nullptr));
    if (error != LXW_NO_ERROR) fail(lxw_strerror(error));
  }

 private:
  [[noreturn]] void fail(const std::string& why) const {
    throw kx::Failure(kx::error::kHostFailure, "cannot write " + path_ + ": " + why);
  }

  std::string path_;
  lxw_workbook* book_ = nullptr;
  lxw_format* bold_ = nullptr;
  lxw_format* share_ = nullptr;
};

void text(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column, const std::string& value, lxw_format* format = nullptr) {
  worksheet_write_string(sheet, row, column, value.c_str(), format);
}

void number(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column, const std::optional<double>& value,
            lxw_format* format = nullptr) {
  if (value) worksheet_write_number(sheet, row, column, *value, format);
}

// Statistics down column A, one output to a column.
void write_summary(Workbook& book, const SimulationReport& report) {
  lxw_worksheet* sheet = workbook_add_worksheet(book.get(), kSummary);
  worksheet_set_column(sheet, 0, 0, 34, nullptr);
  worksheet_set_column(sheet, 1, static_cast<lxw_col_t>(report.outputs.size()), 16, nullptr);
  lxw_row_t row = 0;
  text(sheet, row++, 0, "Simulation report", book.bold());
  const auto setting = [&](const std::string& name, const std::string& value) {
    text(sheet, row, 0, name);
    text(sheet, row++, 1, value);
  };
  setting("Model", report.model);
  text(sheet, row, 0, "Iterations");
  worksheet_write_number(sheet, row++, 1, static_cast<double>(report.iterations), nullptr);
  setting("Seed", std::to_string(report.seed));  // as text: a number cell keeps 15 digits
  setting("Sampling", sampling_name(report.sampling));
  if (report.precision)
    setting("Precision", fmt::format("{} ({})", precision_text(*report.precision),
                                     report.precision_met ? "met" : "not met within the iterations"));
  if (!report.locked.empty()) setting("Locked", fmt::format("{}", fmt::join(report.locked, ", ")));
  for (const host::CellSetting& set : report.set) setting("Set " + set.cell, set.text);
  for (const host::FixedCorrelations& fixed : report.fixed_correlations)
    setting("Correlations repaired", fmt::format("{} (largest change {:.4f})", fixed.range, fixed.largest_change));
  ++row;

  text(sheet, row, 0, "Output", book.bold());
  for (std::size_t o = 0; o < report.outputs.size(); ++o)
    text(sheet, row, static_cast<lxw_col_t>(o + 1), report.outputs[o].name, book.bold());
  ++row;
  // One line per statistic; `value` gives an output's figure or none.
  const auto line = [&](const std::string& name, const auto& value, lxw_format* format = nullptr) {
    text(sheet, row, 0, name);
    for (std::size_t o = 0; o < report.outputs.size(); ++o)
      number(sheet, row, static_cast<lxw_col_t>(o + 1), value(report.outputs[o]), format);
    ++row;
  };
  using Figure = std::optional<double>;
  text(sheet, row, 0, "Cell");
  for (std::size_t o = 0; o < report.outputs.size(); ++o) text(sheet, row, static_cast<lxw_col_t>(o + 1), report.outputs[o].cell);
  ++row;
  line("Iterations with a number", [](const OutputReport& o) -> Figure { return static_cast<double>(o.summary.count); });
  line("Failed", [](const OutputReport& o) -> Figure { return static_cast<double>(o.summary.failed); });
  const auto counted = [](const OutputReport& o) { return o.summary.count > 0; };
  line("Mean", [&](const OutputReport& o) -> Figure { return counted(o) ? Figure(o.summary.mean) : Figure(); });
  line("Mean, 95% interval from", [](const OutputReport& o) -> Figure {
    return o.mean_ci95 ? Figure(o.mean_ci95->low) : Figure();
  });
  line("Mean, 95% interval to", [](const OutputReport& o) -> Figure {
    return o.mean_ci95 ? Figure(o.mean_ci95->high) : Figure();
  });
  line("Standard deviation", [](const OutputReport& o) { return o.summary.std_dev; });
  line("Minimum", [&](const OutputReport& o) -> Figure { return counted(o) ? Figure(o.summary.minimum) : Figure(); });
  for (std::size_t p = 0; p < report.percentiles.size(); ++p) {
    const std::string label = report.percentile_labels[p] + "th percentile";
    line(label, [&](const OutputReport& o) -> Figure { return counted(o) ? Figure(o.summary.percentiles[p]) : Figure(); });
    line(label + ", 95% interval from", [&](const OutputReport& o) -> Figure {
      return counted(o) ? Figure(o.percentile_ci95[p].low) : Figure();
    });
    line(label + ", 95% interval to", [&](const OutputReport& o) -> Figure {
      return counted(o) ? Figure(o.percentile_ci95[p].high) : Figure();
    });
  }
  line("Maximum", [&](const OutputReport& o) -> Figure { return counted(o) ? Figure(o.summary.maximum) : Figure(); });
  line("Base case", [](const OutputReport& o) -> Figure {
    return o.base_case.is_number() ? Figure(o.base_case.number()) : Figure();
  });
  // Targets by value: an output's share where it was asked for, blank elsewhere.
  std::vector<double> values;
  for (const OutputReport& output : report.outputs) {
    for (const TargetShare& target : output.targets) {
      if (std::find(values.begin(), values.end(), target.value) == values.end()) values.push_back(target.value);
    }
  }
  for (const double value : values) {
    line(fmt::format("Share at or below {}", value), [&](const OutputReport& o) -> Figure {
      for (const TargetShare& target : o.targets) {
        if (target.value == value) return target.at_or_below;
      }
      return std::nullopt;
    }, book.share());
  }
}

// Per output a block: each input's rank correlation, contribution, swing, and the swing's ends
// from the output's mean that the tornado chart draws, the widest swing first as the tornado
// stands. Returns each block's first data row.
std::vector<lxw_row_t> write_sensitivity(Workbook& book, const SimulationReport& report) {
  lxw_worksheet* sheet = workbook_add_worksheet(book.get(), kSensitivity);
  worksheet_set_column(sheet, 0, 0, 24, nullptr);
  worksheet_set_column(sheet, 1, 6, 16, nullptr);
  std::vector<lxw_row_t> firsts;
  lxw_row_t row = 0;
  for (const OutputReport& output : report.outputs) {
    text(sheet, row++, 0, output.name, book.bold());
    const char* headings[] = {"Input", "Rank correlation", "Contribution to variance", "Mean over lowest tenth",
                              "Mean over highest tenth", "Lowest tenth from mean", "Highest tenth from mean"};
    for (lxw_col_t c = 0; c < std::size(headings); ++c) text(sheet, row, c, headings[c], book.bold());
    firsts.push_back(++row);
    for (const Sensitivity* one : by_swing(output)) {
      const Sensitivity& s = *one;
      text(sheet, row, 0, report.inputs[s.input].name);
      number(sheet, row, 1, s.rank_correlation);
      number(sheet, row, 2, s.contribution, book.share());
      number(sheet, row, 3, s.swing.low);
      number(sheet, row, 4, s.swing.high);
      if (output.summary.count > 0) {
        number(sheet, row, 5, s.swing.low ? std::optional(*s.swing.low - output.summary.mean) : std::nullopt);
        number(sheet, row, 6, s.swing.high ? std::optional(*s.swing.high - output.summary.mean) : std::nullopt);
      }
      ++row;
    }
    ++row;
  }
  return firsts;
}

// Three columns per output: class upper limit, count, cumulative share.
void write_histograms(Workbook& book, const SimulationReport& report) {
  lxw_worksheet* sheet = workbook_add_worksheet(book.get(), kHistograms);
  std::size_t longest = 0;
  for (const OutputReport& output : report.outputs) longest = std::max(longest, output.histogram.size());
  for (std::size_t o = 0; o < report.outputs.size(); ++o)
    text(sheet, 0, static_cast<lxw_col_t>(3 * o), report.outputs[o].name, book.bold());
  for (std::size_t o = 0; o < report.outputs.size(); ++o) {
    const auto c = static_cast<lxw_col_t>(3 * o);
    text(sheet, 1, c, "Upper limit", book.bold());
    text(sheet, 1, c + 1, "Count", book.bold());
    text(sheet, 1, c + 2, "Cumulative", book.bold());
  }
  for (std::size_t r = 0; r < longest; ++r) {
    for (std::size_t o = 0; o < report.outputs.size(); ++o) {
      if (r >= report.outputs[o].histogram.size()) continue;
      const HistogramClass& h = report.outputs[o].histogram[r];
      const auto c = static_cast<lxw_col_t>(3 * o);
      const auto at = static_cast<lxw_row_t>(r + 2);
      worksheet_write_number(sheet, at, c, h.upper_limit, nullptr);
      worksheet_write_number(sheet, at, c + 1, static_cast<double>(h.count), nullptr);
      worksheet_write_number(sheet, at, c + 2, h.cumulative, book.share());
    }
  }
}

void write_iterations(Workbook& book, const host::SimulationResult& result) {
  lxw_worksheet* sheet = workbook_add_worksheet(book.get(), kIterations);
  text(sheet, 0, 0, "Iteration", book.bold());
  std::vector<const host::Series*> series;
  lxw_col_t column = 1;
  for (std::size_t i = 0; i < result.model.inputs.size(); ++i, ++column) {
    text(sheet, 0, column, result.model.inputs[i].name, book.bold());
    series.push_back(&result.collection.inputs[i]);
  }
  for (std::size_t i = 0; i < result.model.outputs.size(); ++i, ++column) {
    text(sheet, 0, column, result.model.outputs[i].name, book.bold());
    series.push_back(&result.collection.outputs[i]);
  }
  worksheet_freeze_panes(sheet, 1, 1);
  std::vector<std::size_t> next_failure(series.size(), 0);
  for (std::int64_t i = 0; i < result.collection.iterations; ++i) {
    const auto row = static_cast<lxw_row_t>(i + 1);
    worksheet_write_number(sheet, row, 0, static_cast<double>(i + 1), nullptr);
    for (std::size_t s = 0; s < series.size(); ++s) {
      const auto& failures = series[s]->failures;
      const auto c = static_cast<lxw_col_t>(s + 1);
      if (next_failure[s] < failures.size() && failures[next_failure[s]].iteration == i) {
        const std::int32_t error = failures[next_failure[s]++].error;
        if (error != host::kNoNumber) text(sheet, row, c, value_text(kx::Value(kx::ErrorValue{error})));
        continue;
      }
      worksheet_write_number(sheet, row, c, series[s]->values[static_cast<std::size_t>(i)], nullptr);
    }
  }
}

// A number format that shows values a `step` apart by their differing digits: in millions
// ("-3.5M") or thousands ("458k") where the step is that large, with the decimals the step needs.
std::string number_format(double step) {
  if (!(step > 0) || !std::isfinite(step)) return "#,##0.###";
  const auto [scale, suffix] = step >= 1e5 ? std::pair{1e6, ",,\"M\""} : step >= 100 ? std::pair{1e3, ",\"k\""}
                                                                                : std::pair{1.0, ""};
  const int decimals = std::clamp(1 - static_cast<int>(std::floor(std::log10(step / scale))), 0, 6);
  std::string format = "#,##0";
  if (decimals > 0) format.append(".").append(static_cast<std::size_t>(decimals), '0');
  return format + suffix;
}

// The histogram and the cumulative share, side by side over the same classes: libxlsxwriter 1.1
// cannot combine a column chart with a line chart on a second axis.
void insert_histogram(Workbook& book, lxw_worksheet* sheet, const OutputReport& output, std::size_t o, lxw_row_t top) {
  const auto c = static_cast<lxw_col_t>(3 * o);
  const auto last = static_cast<lxw_row_t>(output.histogram.size() + 1);
  const double step = output.histogram.size() > 1 ? output.histogram[1].upper_limit - output.histogram[0].upper_limit : 0;
  const std::string classes = number_format(step);
  lxw_chart* histogram = workbook_add_chart(book.get(), LXW_CHART_COLUMN);
  lxw_chart_series* counts = chart_add_series(histogram, nullptr, nullptr);
  chart_series_set_categories(counts, kHistograms, 2, c, last, c);
  chart_series_set_values(counts, kHistograms, 2, c + 1, last, c + 1);
  chart_series_set_name(counts, "Iterations");
  chart_title_set_name(histogram, (output.name + ": histogram").c_str());
  chart_axis_set_name(histogram->x_axis, "Class upper limit");
  chart_axis_set_num_format(histogram->x_axis, classes.c_str());
  chart_axis_set_name(histogram->y_axis, "Iterations");
  chart_axis_set_num_format(histogram->y_axis, "#,##0");
  chart_set_series_gap(histogram, 10);
  chart_legend_set_position(histogram, LXW_CHART_LEGEND_NONE);
  worksheet_insert_chart(sheet, top, 0, histogram);

  lxw_chart* cumulative = workbook_add_chart(book.get(), LXW_CHART_LINE);
  lxw_chart_series* shares = chart_add_series(cumulative, nullptr, nullptr);
  chart_series_set_categories(shares, kHistograms, 2, c, last, c);
  chart_series_set_values(shares, kHistograms, 2, c + 2, last, c + 2);
  chart_series_set_name(shares, "Cumulative share");
  lxw_chart_line curve{};
  curve.color = 0x1A1A1F;
  curve.width = 2.25;
  chart_series_set_line(shares, &curve);
  chart_title_set_name(cumulative, (output.name + ": cumulative share").c_str());
  chart_axis_set_name(cumulative->x_axis, "Class upper limit");
  chart_axis_set_num_format(cumulative->x_axis, classes.c_str());
  chart_axis_set_name(cumulative->y_axis, "Share at or below");
  chart_axis_set_min(cumulative->y_axis, 0);
  chart_axis_set_max(cumulative->y_axis, 1);
  chart_axis_set_major_unit(cumulative->y_axis, 0.25);
  chart_axis_set_num_format(cumulative->y_axis, "0%");
  chart_legend_set_position(cumulative, LXW_CHART_LEGEND_NONE);
  worksheet_insert_chart(sheet, top, 8, cumulative);
}

// The swing of every input from the output's mean, the widest on top, as a tornado stands.
// Returns the rows it takes.
lxw_row_t insert_tornado(Workbook& book, lxw_worksheet* sheet, const OutputReport& output, lxw_row_t first,
                         lxw_row_t top) {
  const auto last = static_cast<lxw_row_t>(first + output.sensitivity.size() - 1);
  double widest = 0;
  for (const Sensitivity& s : output.sensitivity) {
    for (const auto& end : {s.swing.low, s.swing.high}) {
      if (end) widest = std::max(widest, std::abs(*end - output.summary.mean));
    }
  }
  const std::string values = number_format(widest / 2);
  lxw_chart* tornado = workbook_add_chart(book.get(), LXW_CHART_BAR);
  const char* names[] = {"Input in its lowest tenth", "Input in its highest tenth"};
  const lxw_color_t colours[] = {0x4579B5, 0xE68C26};
  for (lxw_col_t side = 0; side < 2; ++side) {
    lxw_chart_series* bars = chart_add_series(tornado, nullptr, nullptr);
    chart_series_set_categories(bars, kSensitivity, first, 0, last, 0);
    chart_series_set_values(bars, kSensitivity, first, 5 + side, last, 5 + side);
    chart_series_set_name(bars, names[side]);
    lxw_chart_fill fill{};
    fill.color = colours[side];
    chart_series_set_fill(bars, &fill);
  }
  chart_set_series_overlap(tornado, 100);
  chart_set_series_gap(tornado, 40);
  chart_title_set_name(tornado, (output.name + ": its mean over each input's lowest and highest tenth").c_str());
  // In a bar chart the categories stand on the vertical axis: reversed, the first row (the
  // widest swing) is on top; their names sit left of the bars, which reach either side.
  chart_axis_set_reverse(tornado->y_axis);
  chart_axis_set_label_position(tornado->y_axis, LXW_CHART_AXIS_LABEL_POSITION_LOW);
  chart_axis_set_interval_unit(tornado->y_axis, 1);  // every input named, none skipped
  chart_axis_set_num_format(tornado->x_axis, values.c_str());
  chart_axis_set_name(tornado->x_axis, "Change from its mean over every iteration");
  chart_legend_set_position(tornado, LXW_CHART_LEGEND_BOTTOM);
  lxw_chart_options place{};
  place.x_scale = 2;
  // Room for every input's name: 24 pixels a bar, beside some 140 for the title, axis and legend.
  place.y_scale = std::clamp((24 * static_cast<double>(output.sensitivity.size()) + 140) / 288, 1.0, 6.0);
  worksheet_insert_chart_opt(sheet, top, 0, tornado, &place);
  return static_cast<lxw_row_t>(std::ceil(place.y_scale * (kChartRows - 1))) + 1;
}

// For every output its histogram, cumulative share and tornado, from the cells of the other
// sheets; printed landscape, an output to a page.
void write_charts(Workbook& book, const SimulationReport& report, const std::vector<lxw_row_t>& sensitivity_rows) {
  lxw_worksheet* sheet = workbook_add_worksheet(book.get(), kCharts);
  worksheet_set_landscape(sheet);
  worksheet_fit_to_pages(sheet, 1, 0);
  std::vector<lxw_row_t> page_breaks;
  lxw_row_t top = 0;
  for (std::size_t o = 0; o < report.outputs.size(); ++o) {
    const OutputReport& output = report.outputs[o];
    // A row before each output's charts: a chart at the page's first row shows its top edge on the page before.
    if (o > 0) page_breaks.push_back(top++);
    if (!output.histogram.empty()) {
      insert_histogram(book, sheet, output, o, top);
      top += kChartRows;
    }
    if (!output.sensitivity.empty() && output.summary.count > 0) {
      top += insert_tornado(book, sheet, output, sensitivity_rows[o], top);
    }
    ++top;
  }
  page_breaks.push_back(0);  // the list's end
  worksheet_set_h_pagebreaks(sheet, page_breaks.data());
}

}  // namespace

void write_report_workbook(const std::string& path, const SimulationReport& report,
                           const host::SimulationResult& result) {
  Workbook book(path);
  write_summary(book, report);
  const std::vector<lxw_row_t> sensitivity_rows = write_sensitivity(book, report);
  write_histograms(book, report);
  write_iterations(book, result);
  write_charts(book, report, sensitivity_rows);
  book.close();
}

}  // namespace cli
