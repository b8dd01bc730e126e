// The simulation report as pictures: for every output its histogram with the cumulative share,
// percentiles, mean, base case and targets marked, a tornado of the inputs' swings, their
// contributions to variance and the convergence of the mean and the 5th and 95th percentiles.
#pragma once

#include <string>
#include <vector>

#include "cli/plot_canvas.hpp"
#include "cli/simulation_report.hpp"

namespace cli {

// Writes a PNG, SVG or PDF file, chosen by the path's extension, from one drawing code: a PDF
// holds a page per output; a PNG or SVG one output, so that several outputs make a file each,
// the output's name added to the file's ("report-Net_present_value.png"). Returns the files
// written. Raises kx::Failure for another extension or a file that cannot be written.
std::vector<std::string> draw_report(const std::string& path, const SimulationReport& report);

}  // namespace cli
