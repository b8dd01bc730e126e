#include "host/simulation/drivers.hpp"

#include <algorithm>
#include <cmath>

#include "host/simulation/statistics.hpp"

namespace host {
namespace {

// Whether each iteration failed, by iteration; empty when none did, which spares a long run's
// report a mask per input and output.
std::vector<char> failed_mask(const Series& series) {
  if (series.failures.empty()) return {};
  std::vector<char> failed(series.values.size(), 0);
  for (const FailedIteration& failure : series.failures) failed[static_cast<std::size_t>(failure.iteration)] = 1;
  return failed;
}

bool failed_at(const std::vector<char>& failed, std::size_t iteration) {
  return !failed.empty() && failed[iteration] != 0;
}

double median_of(std::vector<double>& values) {
  const std::size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
  const double upper = values[middle];
  if (values.size() % 2 == 1) return upper;
  const double lower = *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle));
  return lower + (upper - lower) / 2;
}

}  // namespace

Tenths tenths_of(const Series& input, std::span<const double> sorted_numbers) {
  const std::vector<char> failed = failed_mask(input);
  const std::size_t n = sorted_numbers.size();
  const std::size_t k = n / 10;
  Tenths tenths;
  if (k == 0) return tenths;
  tenths.lowest.reserve(k);
  tenths.highest.reserve(k);
  // The k-th smallest and k-th largest values bound the tenths; of the values equal to a bound,
  // the earliest iterations join the lowest tenth and the latest the highest.
  const double low_bound = sorted_numbers[k - 1];
  const double high_bound = sorted_numbers[n - k];
  const auto below = static_cast<std::size_t>(
      std::lower_bound(sorted_numbers.begin(), sorted_numbers.end(), low_bound) - sorted_numbers.begin());
  const auto [high_first, high_last] = std::equal_range(sorted_numbers.begin(), sorted_numbers.end(), high_bound);
  const auto above = static_cast<std::size_t>(sorted_numbers.end() - high_last);
  std::size_t low_ties_left = k - below;  // values equal to the low bound still to take, earliest first
  std::size_t high_ties_to_skip =         // values equal to the high bound left out, earliest first
      static_cast<std::size_t>(high_last - high_first) - (k - above);
  for (std::size_t i = 0; i < input.values.size(); ++i) {
    if (failed_at(failed, i)) continue;
    const double x = input.values[i];
    const auto at = static_cast<std::uint32_t>(i);
    if (x < low_bound) {
      tenths.lowest.push_back(at);
    } else if (x == low_bound && low_ties_left > 0) {
      tenths.lowest.push_back(at);
      --low_ties_left;
    }
    if (x > high_bound) {
      tenths.highest.push_back(at);
    } else if (x == high_bound) {
      if (high_ties_to_skip > 0) {
        --high_ties_to_skip;
      } else {
        tenths.highest.push_back(at);
      }
    }
  }
  return tenths;
}

Swing swing(const Tenths& tenths, const Series& output) {
  const std::vector<char> failed = failed_mask(output);
  // The sum is taken again in units of 2^1024 when values near 1.7E308 overflow it.
  const auto sum_over = [&](const std::vector<std::uint32_t>& iterations, double factor) {
    double sum = 0;
    for (const std::uint32_t i : iterations) sum += failed_at(failed, i) ? 0 : output.values[i] * factor;
    return sum;
  };
  const auto mean_over = [&](const std::vector<std::uint32_t>& iterations) -> std::optional<double> {
    const auto count = static_cast<double>(
        std::count_if(iterations.begin(), iterations.end(), [&](std::uint32_t i) { return !failed_at(failed, i); }));
    if (count == 0) return std::nullopt;
    const double sum = sum_over(iterations, 1);
    if (std::isfinite(sum)) return sum / count;
    return std::ldexp(sum_over(iterations, std::ldexp(1.0, -1024)) / count, 1024);
  };
  return {mean_over(tenths.lowest), mean_over(tenths.highest)};
}

std::vector<std::uint32_t> scenario_iterations(const Series& output, std::span<const double> sorted_output,
                                               const ScenarioCondition& condition) {
  std::vector<std::uint32_t> iterations;
  if (sorted_output.empty()) return iterations;
  const double bound = condition.percentile ? percentile(sorted_output, condition.value) : condition.value;
  const std::vector<char> failed = failed_mask(output);
  for (std::size_t i = 0; i < output.values.size(); ++i) {
    if (failed_at(failed, i)) continue;
    const double x = output.values[i];
    if (condition.below ? x < bound : x > bound) iterations.push_back(static_cast<std::uint32_t>(i));
  }
  return iterations;
}

ScenarioShift scenario_shift(const Series& input, std::span<const double> sorted_input, std::optional<double> std_dev,
                             std::span<const std::uint32_t> iterations) {
  ScenarioShift shift;
  if (sorted_input.empty()) return shift;
  shift.overall_median = percentile(sorted_input, 50);
  const std::vector<char> failed = failed_mask(input);
  std::vector<double> chosen;
  chosen.reserve(iterations.size());
  for (const std::uint32_t i : iterations) {
    if (!failed_at(failed, i)) chosen.push_back(input.values[i]);
  }
  if (chosen.empty()) return shift;
  shift.median = median_of(chosen);
  if (std_dev && *std_dev > 0) shift.shift = (*shift.median - shift.overall_median) / *std_dev;
  return shift;
}

}  // namespace host
