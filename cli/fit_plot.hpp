// kx fit's picture: the empirical distribution function of the data with the cumulative
// functions of the best candidates.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/plot_canvas.hpp"

namespace cli {

struct FitCurve {
  std::string name;
  std::function<double(double)> cumulative;  // may raise; the curve then leaves that point out
};

// Writes a PNG or SVG file by the path's extension. Raises kx::Failure as write_picture does.
void draw_fit(const std::string& path, const std::string& title, const std::vector<double>& sorted,
              const std::vector<FitCurve>& curves);

}  // namespace cli
