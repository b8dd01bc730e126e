// Descriptive statistics beyond the aggregates: geometric, harmonic and trimmed means,
// deviations, the forms that count texts and booleans in ranges (MAXA, AVERAGEA, STDEVA, ...),
// frequency tables, probabilities of a discrete table, and sums over paired squares.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "host/worksheet/arguments.hpp"
#include "host/worksheet/families.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

std::vector<double> some_numbers(Arguments args) {
  std::vector<double> numbers = numbers_of(args);
  if (numbers.empty()) raise_error(kx::error::kXlNum, "there are no numbers");
  return numbers;
}

double mean(const std::vector<double>& numbers) {
  return std::accumulate(numbers.begin(), numbers.end(), 0.0) / static_cast<double>(numbers.size());
}

kx::Value geometric_mean(Arguments args) {
  const std::vector<double> numbers = some_numbers(args);
  double logs = 0.0;
  for (const double x : numbers) {
    check_domain(x > 0.0, "GEOMEAN needs positive numbers");
    logs += std::log(x);
  }
  return std::exp(logs / static_cast<double>(numbers.size()));
}

kx::Value harmonic_mean(Arguments args) {
  const std::vector<double> numbers = some_numbers(args);
  double reciprocals = 0.0;
  for (const double x : numbers) {
    check_domain(x > 0.0, "HARMEAN needs positive numbers");
    reciprocals += 1.0 / x;
  }
  return static_cast<double>(numbers.size()) / reciprocals;
}

// The mean without the given share of the numbers, half from each end, rounded down to an
// even count.
kx::Value trimmed_mean(Arguments args) {
  std::vector<double> numbers = some_numbers(args.first(1));
  const double share = number_arg(args[1]);
  check_domain(share >= 0.0 && share < 1.0, "the share to leave out must lie in [0, 1)");
  std::sort(numbers.begin(), numbers.end());
  const auto each_end = static_cast<std::size_t>(std::floor(static_cast<double>(numbers.size()) * share / 2.0));
  const std::vector<double> kept(numbers.begin() + static_cast<std::ptrdiff_t>(each_end),
                                 numbers.end() - static_cast<std::ptrdiff_t>(each_end));
  return mean(kept);
}

kx::Value average_deviation(Arguments args) {
  const std::vector<double> numbers = some_numbers(args);
  const double m = mean(numbers);
  double total = 0.0;
  for (const double x : numbers) total += std::fabs(x - m);
  return total / static_cast<double>(numbers.size());
}

kx::Value deviations_squared(Arguments args) {
  const std::vector<double> numbers = numbers_of(args);
  if (numbers.empty()) return 0.0;
  return squared_deviations(numbers);
}

// The values MAXA, AVERAGEA, STDEVA and the like take: in arrays and ranges a text counts
// as 0 and a boolean as 1 or 0, empty cells not at all; values given directly as other
// aggregates read them.
std::vector<double> values_of(Arguments args) {
  std::vector<double> values;
  for (const kx::Value& argument : args) {
    if (!argument.is_array() && !argument.is_range()) {
      if (argument.is_empty()) continue;
      values.push_back(number_arg(argument));
      continue;
    }
    const Grid grid(argument);
    for (std::size_t i = 0; i < grid.size(); ++i) {
      const kx::Value& cell = grid.at(i);
      if (cell.is_empty()) continue;
      if (cell.is_boolean()) {
        values.push_back(cell.boolean() ? 1.0 : 0.0);
      } else if (cell.is_text()) {
        values.push_back(0.0);
      } else if (holds_number(cell)) {
        values.push_back(cell.number());
      }
    }
  }
  return values;
}

template <bool Largest>
kx::Value extreme_a(Arguments args) {
  const std::vector<double> values = values_of(args);
  if (values.empty()) return 0.0;
  return Largest ? *std::max_element(values.begin(), values.end()) : *std::min_element(values.begin(), values.end());
}

kx::Value average_a(Arguments args) {
  const std::vector<double> values = values_of(args);
  if (values.empty()) raise_error(kx::error::kXlDiv0, "there are no values");
  return mean(values);
}

// The variance of the A functions: the sample's (n - 1) or the population's (n).
template <bool Sample>
double variance_a(Arguments args) {
  const std::vector<double> values = values_of(args);
  const std::size_t needed = Sample ? 2 : 1;
  if (values.size() < needed) raise_error(kx::error::kXlDiv0, "there are too few values");
  return squared_deviations(values) / static_cast<double>(values.size() - (Sample ? 1 : 0));
}

template <bool Sample>
kx::Value var_a(Arguments args) {
  return variance_a<Sample>(args);
}

template <bool Sample>
kx::Value stdev_a(Arguments args) {
  return std::sqrt(variance_a<Sample>(args));
}

// The numbers of a range, texts and empty cells left out, errors raised.
std::vector<double> numbers_in(const kx::Value& argument) { return numbers_of(std::span(&argument, 1)); }

// How many data fall in each bin: above the next smaller bin up to and including this one;
// the last count is of the data above every bin. Counts stand in the bins' own order.
kx::Value frequency(Arguments args) {
  const std::vector<double> data = numbers_in(args[0]);
  const std::vector<double> bins = numbers_in(args[1]);
  std::vector<double> sorted_bins = bins;
  std::sort(sorted_bins.begin(), sorted_bins.end());
  std::vector<double> counts(sorted_bins.size() + 1, 0.0);
  for (const double x : data) {
    counts[static_cast<std::size_t>(std::lower_bound(sorted_bins.begin(), sorted_bins.end(), x) -
                                    sorted_bins.begin())] += 1.0;
  }
  kx::Array column(bins.size() + 1, 1);
  std::vector<bool> taken(sorted_bins.size(), false);
  for (std::size_t i = 0; i < bins.size(); ++i) {
    // A bin listed twice takes its count at the first listing.
    const auto at = static_cast<std::size_t>(std::lower_bound(sorted_bins.begin(), sorted_bins.end(), bins[i]) -
                                             sorted_bins.begin());
    column.at(i) = taken[at] ? 0.0 : counts[at];
    taken[at] = true;
  }
  column.at(bins.size()) = counts.back();
  return column;
}

// The probability that a value of the table lies between the limits (equals the lower one
// without an upper limit).
kx::Value probability(Arguments args) {
  const Grid xs(args[0]);
  const Grid ps(args[1]);
  if (xs.size() != ps.size()) raise_error(kx::error::kXlNA, "the values and probabilities must be as many");
  const double lower = number_arg(args[2]);
  const double upper = number_or(args[3], lower);
  double total = 0.0;
  double within = 0.0;
  for (std::size_t i = 0; i < xs.size(); ++i) {
    if (!holds_number(ps.at(i))) continue;
    const double p = ps.at(i).number();
    check_domain(p >= 0.0 && p <= 1.0, "every probability must lie between 0 and 1");
    total += p;
    if (holds_number(xs.at(i)) && xs.at(i).number() >= lower && xs.at(i).number() <= upper) within += p;
  }
  check_domain(std::fabs(total - 1.0) <= 1e-7, "the probabilities must add up to 1");
  return within;
}

// Sums over the pairs of numbers of two arrays of the same size.
template <double (*Term)(double, double)>
kx::Value paired_sum(Arguments args) {
  const Grid xs(args[0]);
  const Grid ys(args[1]);
  if (xs.size() != ys.size()) raise_error(kx::error::kXlNA, "the two arrays must hold as many values");
  double total = 0.0;
  for (std::size_t i = 0; i < xs.size(); ++i) {
    if (holds_number(xs.at(i)) && holds_number(ys.at(i))) total += Term(xs.at(i).number(), ys.at(i).number());
  }
  return total;
}

double squares_difference(double x, double y) { return x * x - y * y; }
double squares_sum(double x, double y) { return x * x + y * y; }

constexpr SheetFunction kFunctions[] = {
    {"GEOMEAN", 1, kUnlimited, kArrays, geometric_mean, "number1, ..."},
    {"HARMEAN", 1, kUnlimited, kArrays, harmonic_mean, "number1, ..."},
    {"TRIMMEAN", 2, 2, kArrays, trimmed_mean, "array, percent"},
    {"AVEDEV", 1, kUnlimited, kArrays, average_deviation, "number1, ..."},
    {"DEVSQ", 1, kUnlimited, kArrays, deviations_squared, "number1, ..."},
    {"MAXA", 1, kUnlimited, kArrays, extreme_a<true>, "value1, ..."},
    {"MINA", 1, kUnlimited, kArrays, extreme_a<false>, "value1, ..."},
    {"AVERAGEA", 1, kUnlimited, kArrays, average_a, "value1, ..."},
    {"STDEVA", 1, kUnlimited, kArrays, stdev_a<true>, "value1, ..."},
    {"STDEVPA", 1, kUnlimited, kArrays, stdev_a<false>, "value1, ..."},
    {"VARA", 1, kUnlimited, kArrays, var_a<true>, "value1, ..."},
    {"VARPA", 1, kUnlimited, kArrays, var_a<false>, "value1, ..."},
    {"FREQUENCY", 2, 2, kArrays, frequency, "data_array, bins_array"},
    {"PROB", 3, 4, kArrays, probability, "x_range, prob_range, lower_limit, [upper_limit]"},
    {"SUMX2MY2", 2, 2, kArrays, paired_sum<squares_difference>, "array_x, array_y"},
    {"SUMX2PY2", 2, 2, kArrays, paired_sum<squares_sum>, "array_x, array_y"},
};

}  // namespace

Family descriptive_statistics_functions() { return kFunctions; }

}  // namespace host::worksheet
