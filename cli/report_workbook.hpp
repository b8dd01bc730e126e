// The simulation report as a workbook a colleague opens in any spreadsheet: a Summary sheet
// (statistics, intervals, targets, base case, settings and seed), a Sensitivity sheet, the
// histogram classes, every iteration's inputs and outputs, and the spreadsheet's own charts
// (histogram, cumulative share, tornado) built from those cells.
#pragma once

#include <string>

#include "cli/simulation_report.hpp"
#include "host/simulation/simulation.hpp"

namespace cli {

// Raises kx::Failure for a file that cannot be written.
void write_report_workbook(const std::string& path, const SimulationReport& report,
                           const host::SimulationResult& result);

}  // namespace cli
