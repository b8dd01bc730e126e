// The distribution dialog's chart as a picture: the density, or the probabilities of a
// discrete distribution, over the chart range, with the interval between the markers shaded.
#pragma once

#include <string>
#include <vector>

namespace cli {

struct DensityChart {
  std::string title;  // the description, e.g. Normal (100;15)
  std::vector<double> x;
  std::vector<double> y;  // the chart's value at each x
  bool discrete = false;
  bool cumulative = false;  // y is P(X <= x), on an axis from 0 to 100%
  double left = 0;
  double right = 0;
  std::string footer;  // what the interval holds
};

// Writes a .png, .svg or .pdf; raises kx::Failure for another extension or a file that cannot be written.
void draw_density(const std::string& path, const DensityChart& chart);

}  // namespace cli
