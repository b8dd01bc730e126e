// Tick marks at round numbers (1, 2 or 5 times a power of ten) for a chart's axis.
#pragma once

#include <string>
#include <vector>

namespace cli {

// About `count` ticks that lie within [low, high], at multiples of one round step.
std::vector<double> round_ticks(double low, double high, int count = 6);

// A tick's label: no more digits than the step needs, thousands separated (12,500; 0.25; 1e+09).
std::string tick_label(double value, double step);

}  // namespace cli
