// The labelled output table of the queueing models: one row per measure (label, value), and
// for the multi-server models optionally the chart block of the state probabilities.
#pragma once

#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "common/value.hpp"

namespace mktfn {

enum class Measure { Utilisation, P0, Pw, Pb, Lq, L, Wq, Ws, Wt, ChartBars };

struct MeasureRow {
  Measure measure;
  double value;
};

struct OutputOptions {
  bool long_labels = true;      // Labels = 0
  bool show_time = false;       // the times as days, hours, minutes and seconds
  double chart_boundary = 0.0;  // shown in the label of the chart-bar row
};

// The chart block below the measures: a header ("Units" and the probability's label) and one
// row per bar, numbered from 0.
struct ChartBlock {
  const char* long_header;
  std::vector<double> bars;
};

kx::Value output_table(std::span<const MeasureRow> rows, const OutputOptions& options,
                       const std::optional<ChartBlock>& chart = std::nullopt);

}  // namespace mktfn
