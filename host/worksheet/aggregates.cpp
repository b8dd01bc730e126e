// Aggregates over numbers, arrays and ranges: sums, counts, extremes, moments, conditional
// sums and ranks. Texts, booleans and empty cells inside arrays and ranges are ignored.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "common/host_services.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/criteria.hpp"
#include "host/worksheet/families.hpp"
#include "host/document/cell_range.hpp"

namespace host::worksheet {
namespace {

// The numbers of the arguments, at least `needed` of them.
std::vector<double> sample_of(Arguments args, std::size_t needed) {
  std::vector<double> numbers = numbers_of(args);
  if (numbers.size() < needed) {
    raise_error(kx::error::kXlDiv0, needed == 1 ? "there are no numbers" : "there are fewer than two numbers");
  }
  return numbers;
}

double sample_variance(Arguments args) {
  const std::vector<double> numbers = sample_of(args, 2);
  return squared_deviations(numbers) / static_cast<double>(numbers.size() - 1);
}

double population_variance(Arguments args) {
  const std::vector<double> numbers = sample_of(args, 1);
  return squared_deviations(numbers) / static_cast<double>(numbers.size());
}

}  // namespace

// By the corrected two-pass algorithm. Boost's one-pass variance loses digits in proportion
// to mean/deviation: for a dozen numbers near 1e9 that differ in their units it was 2e-8 off,
// where two passes keep all but a few ulp.
double squared_deviations(const std::vector<double>& numbers) {
  const double count = static_cast<double>(numbers.size());
  const double mean = std::accumulate(numbers.begin(), numbers.end(), 0.0) / count;
  double deviations = 0.0;
  double squares = 0.0;
  for (const double x : numbers) {
    deviations += x - mean;
    squares += (x - mean) * (x - mean);
  }
  return std::max(0.0, squares - deviations * deviations / count);
}

// The sum range may reach beyond its own block, as the spreadsheet reads it; an array has
// nothing there.
kx::Value paired_cell(const kx::Value& sum_range, const Grid& sum_grid, std::size_t row, std::size_t column) {
  if (row < sum_grid.rows() && column < sum_grid.columns()) return sum_grid.at(row, column);
  if (sum_range.is_range()) {
    return sum_range.range()->cells(static_cast<std::int32_t>(row + 1), static_cast<std::int32_t>(column + 1))->value();
  }
  return kx::Value();
}

kx::Value sum(Arguments args) {
  const std::vector<double> numbers = numbers_of(args);
  return std::accumulate(numbers.begin(), numbers.end(), 0.0);
}

kx::Value count(Arguments args) { return static_cast<double>(numbers_of(args, Unreadable::kSkip).size()); }

kx::Value minimum(Arguments args) {
  const std::vector<double> numbers = numbers_of(args);
  return numbers.empty() ? 0.0 : *std::min_element(numbers.begin(), numbers.end());
}

kx::Value maximum(Arguments args) {
  const std::vector<double> numbers = numbers_of(args);
  return numbers.empty() ? 0.0 : *std::max_element(numbers.begin(), numbers.end());
}

kx::Value average(Arguments args) {
  const std::vector<double> numbers = sample_of(args, 1);
  return std::accumulate(numbers.begin(), numbers.end(), 0.0) / static_cast<double>(numbers.size());
}

kx::Value stdev(Arguments args) { return std::sqrt(sample_variance(args)); }
kx::Value stdevp(Arguments args) { return std::sqrt(population_variance(args)); }
kx::Value var(Arguments args) { return sample_variance(args); }
kx::Value varp(Arguments args) { return population_variance(args); }

kx::Value sum_sq(Arguments args) {
  const std::vector<double> numbers = numbers_of(args);
  return std::inner_product(numbers.begin(), numbers.end(), numbers.begin(), 0.0);
}

kx::Value sum_x_m_y2(Arguments args) {
  const Grid x(args[0]);
  const Grid y(args[1]);
  if (x.size() != y.size()) raise_error(kx::error::kXlNA, "the two arrays must hold as many values");
  double total = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    // A pair takes part only when both of its cells hold numbers.
    if (!holds_number(x.at(i)) || !holds_number(y.at(i))) continue;
    const double difference = x.at(i).number() - y.at(i).number();
    total += difference * difference;
  }
  return total;
}

kx::Value sum_product(Arguments args) {
  std::vector<Grid> factors(args.begin(), args.end());
  for (const Grid& factor : factors) {
    if (factor.rows() != factors.front().rows() || factor.columns() != factors.front().columns()) {
      raise_error(kx::error::kXlValue, "the arrays must have the same shape");
    }
  }
  double total = 0.0;
  for (std::size_t i = 0; i < factors.front().size(); ++i) {
    double product = 1.0;
    for (const Grid& factor : factors) {
      // Texts, booleans and empty cells count as 0.
      product *= holds_number(factor.at(i)) ? factor.at(i).number() : 0.0;
    }
    total += product;
  }
  return total;
}

kx::Value sum_if(Arguments args) {
  const Grid tested(args[0]);
  const Criterion criterion(args[1]);
  const kx::Value& sum_range = is_omitted(args[2]) ? args[0] : args[2];
  const Grid sum_grid(sum_range);
  double total = 0.0;
  for (std::size_t row = 0; row < tested.rows(); ++row) {
    for (std::size_t column = 0; column < tested.columns(); ++column) {
      if (!criterion.matches(tested.at(row, column))) continue;
      const kx::Value cell = paired_cell(sum_range, sum_grid, row, column);
      if (holds_number(cell)) total += cell.number();
    }
  }
  return total;
}

kx::Value count_if(Arguments args) {
  const Grid tested(args[0]);
  const Criterion criterion(args[1]);
  double matches = 0.0;
  for (std::size_t i = 0; i < tested.size(); ++i) matches += criterion.matches(tested.at(i)) ? 1.0 : 0.0;
  // The blank rows below a whole column's used ones.
  const CellRange* range = cell_range_of(args[0]);
  if (range != nullptr && range->cells_beyond() > 0 && criterion.matches(kx::Value())) {
    matches += static_cast<double>(range->cells_beyond());
  }
  return matches;
}

kx::Value rank(Arguments args) {
  const double x = number_arg(args[0]);
  const Grid reference(args[1]);
  const bool ascending = number_or(args[2], 0.0) != 0.0;
  double ahead = 0.0;
  bool found = false;
  for (std::size_t i = 0; i < reference.size(); ++i) {
    if (!holds_number(reference.at(i))) continue;
    const double value = reference.at(i).number();
    found = found || value == x;
    if (ascending ? value < x : value > x) ahead += 1.0;
  }
  if (!found) raise_error(kx::error::kXlNA, "the number is not in the list");
  return ahead + 1.0;
}

}  // namespace host::worksheet
