// The simulation report as people read it on a terminal.
#pragma once

#include <string>

#include "cli/simulation_report.hpp"

namespace cli {

// A number with about six significant digits (whole from a thousand on), without an exponent
// for everyday magnitudes.
std::string readable(double x);

// The whole report; `threads` and `seconds` say how the run went (they vary between runs of
// the same model, so the JSON report leaves them out). No line is wider than `width` columns,
// unless a single word is; 0 leaves the width free.
std::string report_text(const SimulationReport& report, int threads, double seconds, int width = 0);

}  // namespace cli
