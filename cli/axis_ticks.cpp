#include "cli/axis_ticks.hpp"

#include <fmt/format.h>

#include <cmath>

namespace cli {

std::vector<double> round_ticks(double low, double high, int count) {
  if (!std::isfinite(low) || !std::isfinite(high) || !(high > low) || count < 1) return {low};
  const double rough = (high - low) / count;
  const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
  double step = magnitude;
  for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
    step = factor * magnitude;
    if (step >= rough) break;
  }
  std::vector<double> ticks;
  for (double k = std::ceil(low / step); k * step <= high + step * 1e-9 && ticks.size() < 100; ++k)
    ticks.push_back(k * step == 0.0 ? 0.0 : k * step);
  return ticks;
}

std::string tick_label(double value, double step) {
  const double size = std::fabs(value);
  if (size >= 1e9 || (size > 0 && size < 1e-4)) return fmt::format("{:.3g}", value);
  const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
  const std::string digits = fmt::format("{:.{}f}", std::fabs(value), decimals);
  const std::size_t whole = std::min(digits.find('.'), digits.size());
  std::string text = value < 0 ? "-" : "";
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && i < whole && (whole - i) % 3 == 0) text.push_back(',');
    text.push_back(digits[i]);
  }
  return text;
}

}  // namespace cli
