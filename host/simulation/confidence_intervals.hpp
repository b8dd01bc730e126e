// How sure a simulation's estimates are: 95% confidence intervals of an output's mean and of
// its percentiles, the latter free of any assumption on the output's distribution.
#pragma once

#include <optional>
#include <span>

#include "host/simulation/statistics.hpp"

namespace host {

struct Interval {
  double low = 0;
  double high = 0;
};

// The mean plus and minus Student's t quantile times the standard error; none for fewer than
// two values.
std::optional<Interval> mean_interval95(const Summary& summary);
std::optional<Interval> mean_interval95(std::span<const double> numbers);

// The k-th percentile's interval between two order statistics of the sorted values: the count
// of values below the true percentile is binomial, and the ranks bound its central 95%. Where
// that reaches beyond the sample, the interval stops at its smallest or largest value. The
// values must not be empty.
Interval percentile_interval95(std::span<const double> sorted, double k);

}  // namespace host
