// kxOPTNUM's run count for results held in memory rather than in cells: a simulation report
// judges a million results without building a million-cell array for them.
#pragma once

#include <span>

namespace riskfn::analysis {

// What kxOPTNUM gives for an array of these results with its default settings.
double settled_run_count(std::span<const double> results);

}  // namespace riskfn::analysis
