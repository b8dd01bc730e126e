// `kx merge PART... [report options]`: joins the partial results that `kx simulate --part K/N
// --partial FILE` wrote into the report one run of all the iterations gives.
#pragma once

#include <string>
#include <vector>

#include "cli/simulate_command.hpp"

namespace cli {

// Prints the report and writes the files `report` asks for; returns the exit status. Raises
// kx::Failure with one line for parts that cannot be read or do not make one whole run: of
// different models, seeds or options, missing, given twice, cut short or damaged.
int run_merge(const std::vector<std::string>& parts, const SimulateOptions& report);

}  // namespace cli
