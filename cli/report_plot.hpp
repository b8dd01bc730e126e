// The simulation report as a picture: for every output its histogram with the percentiles
// and the mean marked, beside a tornado chart of the inputs' rank correlations.
#pragma once

#include <string>

#include "cli/simulation_report.hpp"

namespace cli {

// Raises kx::Failure unless the path ends in .png or .svg: checked before a run, not after it.
void check_plot_path(const std::string& path);

// Writes a PNG or SVG file, chosen by the path's extension; both come from one drawing code.
// Raises kx::Failure for another extension or a file that cannot be written.
void draw_report(const std::string& path, const SimulationReport& report);

}  // namespace cli
