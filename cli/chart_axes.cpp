#include "cli/chart_axes.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace cli {

Ticks round_ticks(double low, double high, int count) {
  Ticks ticks;
  if (!(high > low)) high = low + 1;
  // A span past the largest double has no round step: its ends alone.
  if (!std::isfinite(high - low)) {
    ticks.values = {low, high};
    ticks.step = high / 2 - low / 2;
    return ticks;
  }
  const double rough = (high - low) / std::max(1, count);
  const double power = std::pow(10, std::floor(std::log10(rough)));
  for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
    ticks.step = factor * power;
    if (ticks.step >= rough) break;
  }
  for (double k = std::ceil(low / ticks.step); k * ticks.step <= high + ticks.step * 1e-9 && ticks.values.size() < 100; ++k)
    ticks.values.push_back(k * ticks.step == 0 ? 0.0 : k * ticks.step);
  return ticks;
}

std::string tick_label(double x, double step) {
  // Beyond a thousand billion, or at steps finer than ten decimals, digits would fill the axis.
  if (std::fabs(x) >= 1e15 || step < 1e-10) return fmt::format("{:.3g}", x);
  const int decimals = std::clamp(-static_cast<int>(std::floor(std::log10(step) + 1e-9)), 0, 10);
  const std::string digits = fmt::format("{:.{}f}", std::abs(x), decimals);
  const std::size_t point = std::min(digits.find('.'), digits.size());
  const bool negative = x < 0 && digits.find_first_not_of("0.") != std::string::npos;
  std::string text = negative ? "-" : "";
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && i < point && (point - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return text;
}

void place_labels(cairo_t* cr, std::vector<Label>& labels, double size, int rows) {
  constexpr double kGap = 6;
  cairo_set_font_size(cr, size);
  std::vector<std::size_t> order(labels.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return labels[a].x < labels[b].x; });
  // The right edge of the last label on each row.
  std::vector<double> row_ends(static_cast<std::size_t>(std::max(1, rows)), -1e300);
  for (const std::size_t i : order) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, labels[i].text.c_str(), &extents);
    double left = labels[i].x - extents.x_advance / 2;
    std::size_t row = 0;
    while (row < row_ends.size() && row_ends[row] + kGap > left) ++row;
    if (row == row_ends.size()) {
      row = static_cast<std::size_t>(std::min_element(row_ends.begin(), row_ends.end()) - row_ends.begin());
      left = row_ends[row] + kGap;
    }
    row_ends[row] = left + extents.x_advance;
    labels[i].row = static_cast<int>(row);
    labels[i].text_x = left + extents.x_advance / 2;
  }
}

}  // namespace cli
