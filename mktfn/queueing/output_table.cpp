#include "mktfn/queueing/output_table.hpp"

#include <string>

#include "common/number_format.hpp"
#include "mktfn/queueing/duration_text.hpp"

namespace mktfn {
namespace {

struct Labels {
  const char* long_label;
  const char* short_label;
};

// By Measure.
constexpr Labels kLabels[] = {
    {"U, Full system utilization", "Busy"},
    {"P(0), probability that the system is empty", "P empty"},
    {"Pw, probability that a unit waits", "P wait"},
    {"Pb, Probability that a unit balks", "P bulk"},
    {"Lq, expected queue length", "Queue length"},
    {"L, expected number in system", "N in system"},
    {"Wq, expected time in queue", "Queue time"},
    {"Ws, expected serve time", "Serve time"},
    {"Wt, expected total time in system", "Tot time"},
    {"Number of chart bars, threshhold=>", "Chart =>"},
};

std::string label(Measure measure, const OutputOptions& options) {
  const Labels& labels = kLabels[static_cast<int>(measure)];
  std::string text = options.long_labels ? labels.long_label : labels.short_label;
  if (measure == Measure::ChartBars) text += kx::format_number(options.chart_boundary, "0.0000%");
  return text;
}

bool is_time(Measure measure) { return measure == Measure::Wq || measure == Measure::Ws || measure == Measure::Wt; }

}  // namespace

kx::Value output_table(std::span<const MeasureRow> rows, const OutputOptions& options,
                       const std::optional<ChartBlock>& chart) {
  const std::size_t chart_rows = chart ? chart->bars.size() + 1 : 0;
  kx::Array table(rows.size() + chart_rows, 2, 0, 0);
  std::size_t row = 0;
  for (const MeasureRow& measure : rows) {
    table.at(row, 0) = label(measure.measure, options);
    table.at(row, 1) = options.show_time && is_time(measure.measure) ? kx::Value(duration_text(measure.value))
                                                                     : kx::Value(measure.value);
    ++row;
  }
  if (chart) {
    table.at(row, 0) = "Units";
    table.at(row, 1) = options.long_labels ? chart->long_header : "P";
    ++row;
    for (std::size_t k = 0; k < chart->bars.size(); ++k, ++row) {
      table.at(row, 0) = static_cast<double>(k);
      table.at(row, 1) = chart->bars[k];
    }
  }
  return table;
}

}  // namespace mktfn
