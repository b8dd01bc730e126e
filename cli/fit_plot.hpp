// kx fit's picture, four views of how well the best candidates fit: the density over the data's
// histogram, the fitted and empirical distribution functions, the P-P plot and the Q-Q plot.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/plot_canvas.hpp"

namespace cli {

struct FitCurve {
  std::string name;
  std::string legend;                        // the parameters and the fit's statistic
  bool discrete = false;                     // a probability mass on whole numbers
  std::function<double(double)> cumulative;  // may raise; the curve then leaves that point out
  std::function<double(double)> density;     // likewise
};

// Writes a PNG or SVG file by the path's extension. Raises kx::Failure as write_picture does.
void draw_fit(const std::string& path, const std::string& title, const std::vector<double>& sorted,
              const std::vector<FitCurve>& curves);

}  // namespace cli
