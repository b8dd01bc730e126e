// What makes a chart readable: axes ticked at round numbers, numbers with thousands
// separators, and marker labels that never sit on top of each other.
#pragma once

#include <cairo.h>

#include <string>
#include <vector>

namespace cli {

// Round values (1, 2 or 5 times a power of ten apart) covering low..high, about `count` of them.
struct Ticks {
  std::vector<double> values;
  double step = 1;
};
Ticks round_ticks(double low, double high, int count);

// "12,345,678", "0.25", "-1,500.5": as many decimals as the step between ticks needs.
std::string tick_label(double x, double step);

// Labels wanted at x positions, given back each with the row (0 nearest the axis) and the
// centre where it does not touch the others: on the first of `rows` rows with room at x, else
// moved right of the row that ends first (the caller draws a leader to it).
struct Label {
  double x = 0;
  std::string text;
  int row = 0;
  double text_x = 0;
};
void place_labels(cairo_t* cr, std::vector<Label>& labels, double size, int rows);

}  // namespace cli
