// Every iteration's inputs and outputs as a CSV file, one row per iteration.
#pragma once

#include <string>

#include "host/simulation/simulation.hpp"

namespace cli {

// Columns: the iteration (from 1), then each input, then each output, headed by their names.
// Numbers read back exactly; an iteration where a cell failed shows its error as #ERR(n), or
// nothing when the cell held no number. Raises kx::Failure when the file cannot be written.
void write_iterations_csv(const std::string& path, const host::SimulationResult& result);

}  // namespace cli
