// What drives an output: the output's mean over each input's lowest and highest tenth of
// iterations (the swing of a tornado), and how far the inputs stray from their medians in the
// iterations of a scenario (an output's bottom or top share, or the side of a value).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "host/simulation/collection.hpp"

namespace host {

// The iterations where the input holds one of its lowest or highest tenth of values, ordered by
// value and then by iteration (so that ties split the same way every run); the iterations where
// the input failed are left out. `sorted_numbers` are the input's numbers in ascending order,
// which the report has already sorted.
struct Tenths {
  std::vector<std::uint32_t> lowest;
  std::vector<std::uint32_t> highest;
};
Tenths tenths_of(const Series& input, std::span<const double> sorted_numbers);

// The output's mean over the lowest and the highest tenth; none where the output has no number there.
struct Swing {
  std::optional<double> low;
  std::optional<double> high;
};
Swing swing(const Tenths& tenths, const Series& output);

// Which iterations of an output a scenario takes: below or above a value, or below or above one
// of the output's own percentiles.
struct ScenarioCondition {
  bool below = true;
  double value = 0;
  bool percentile = false;  // value is a percentile from 0 to 100
};

// The iterations of the scenario, in order, among those where the output holds a number.
std::vector<std::uint32_t> scenario_iterations(const Series& output, std::span<const double> sorted_output,
                                               const ScenarioCondition& condition);

// How an input stands in the scenario's iterations.
struct ScenarioShift {
  std::optional<double> median;   // over the scenario's iterations where it holds a number
  double overall_median = 0;
  std::optional<double> shift;    // (median - overall median) / standard deviation
};
ScenarioShift scenario_shift(const Series& input, std::span<const double> sorted_input, std::optional<double> std_dev,
                             std::span<const std::uint32_t> iterations);

}  // namespace host
