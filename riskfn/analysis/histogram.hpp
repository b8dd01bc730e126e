// kxHISTO's class table for numbers held in memory rather than in cells: a simulation report
// counts a million results without building a million-cell array for them.
#pragma once

#include <span>

#include "common/host_services.hpp"
#include "common/value.hpp"

namespace riskfn::analysis {

// What kxHISTO gives for an array of these numbers with the class count omitted and labels
// asked for. Raises kx::Failure for no numbers, as kxHISTO does.
kx::Array histogram_of_numbers(kx::Application& host, std::span<const double> numbers);
// The same for numbers already in ascending order, without visiting each.
kx::Array histogram_of_sorted(kx::Application& host, std::span<const double> sorted);

}  // namespace riskfn::analysis
