// The simulation report as people read it on a terminal.
#pragma once

#include <string>

#include "cli/simulation_report.hpp"

namespace cli {

// A number with about six significant digits (whole from a thousand on), without an exponent
// for everyday magnitudes.
std::string readable(double x);

// The whole report; `threads` and `seconds` say how the run went (they vary between runs of
// the same model, so the JSON report leaves them out).
std::string report_text(const SimulationReport& report, int threads, double seconds);

}  // namespace cli
