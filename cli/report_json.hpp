// The simulation report for programs: one JSON document, described in the README.
#pragma once

#include <string>

#include "cli/simulation_report.hpp"

namespace cli {

// The same seed and model give the same text, whatever the thread count.
std::string report_json(const SimulationReport& report);

}  // namespace cli
