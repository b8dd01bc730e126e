// The simulation report as a picture: for every output its histogram with the percentiles
// and the mean marked, beside a tornado chart of the inputs' rank correlations.
#pragma once

#include <string>

#include "cli/plot_canvas.hpp"
#include "cli/simulation_report.hpp"

namespace cli {

// Writes a PNG or SVG file, chosen by the path's extension; both come from one drawing code.
// Raises kx::Failure for another extension or a file that cannot be written.
void draw_report(const std::string& path, const SimulationReport& report);

}  // namespace cli
