// Statistics functions: conditional aggregates over several criteria, counts, order
// statistics (median, mode, percentiles, quartiles, ranks), paired samples (correlation,
// covariance, regression), moments, and the newer names of the host's distributions.
#include <algorithm>
#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numeric>
#include <optional>
#include <vector>

#include "host/worksheet/arguments.hpp"
#include "host/worksheet/boost_policy.hpp"
#include "host/worksheet/criteria.hpp"
#include "host/worksheet/families.hpp"
#include "host/worksheet/sheet_functions.hpp"
#include "host/document/cell_range.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

// --- Several criteria --------------------------------------------------------------------------

// The cells (0-based, row by row) of `shape`-sized ranges at which every criterion range
// meets its criterion; criteria come in pairs from args[first] on.
std::vector<std::size_t> meeting_all(Arguments args, std::size_t first, std::size_t rows, std::size_t columns) {
  if ((args.size() - first) % 2 != 0 || args.size() == first) {
    raise_error(kx::error::kXlValue, "criteria ranges and criteria come in pairs");
  }
  std::vector<std::size_t> cells(rows * columns);
  std::iota(cells.begin(), cells.end(), std::size_t{0});
  for (std::size_t i = first; i < args.size(); i += 2) {
    const Grid tested(args[i]);
    if (tested.rows() != rows || tested.columns() != columns) {
      raise_error(kx::error::kXlValue, "every criteria range must have the same shape");
    }
    const Criterion criterion(args[i + 1]);
    std::erase_if(cells, [&](std::size_t cell) { return !criterion.matches(tested.at(cell)); });
  }
  return cells;
}

// The numbers of `values` at the cells meeting every criterion.
std::vector<double> numbers_meeting(Arguments args, const kx::Value& values, std::size_t first) {
  const Grid grid(values);
  std::vector<double> numbers;
  for (const std::size_t cell : meeting_all(args, first, grid.rows(), grid.columns())) {
    if (holds_number(grid.at(cell))) numbers.push_back(grid.at(cell).number());
  }
  return numbers;
}

kx::Value sum_ifs(Arguments args) {
  const std::vector<double> numbers = numbers_meeting(args, args[0], 1);
  return std::accumulate(numbers.begin(), numbers.end(), 0.0);
}

kx::Value count_ifs(Arguments args) {
  const Grid first(args[0]);
  double count = static_cast<double>(meeting_all(args, 0, first.rows(), first.columns()).size());
  // The blank cells past the used rows of whole columns count where every criterion takes a blank.
  const CellRange* first_range = cell_range_of(args[0]);
  std::int64_t beyond = first_range != nullptr ? first_range->cells_beyond() : 0;
  for (std::size_t i = 0; i + 1 < args.size() && beyond > 0; i += 2) {
    const CellRange* range = cell_range_of(args[i]);
    if (range == nullptr || range->cells_beyond() != beyond || !Criterion(args[i + 1]).matches(kx::Value())) beyond = 0;
  }
  return count + static_cast<double>(beyond);
}

double mean_of(const std::vector<double>& numbers) {
  if (numbers.empty()) raise_error(kx::error::kXlDiv0, "no cell meets the criteria");
  return std::accumulate(numbers.begin(), numbers.end(), 0.0) / static_cast<double>(numbers.size());
}

kx::Value average_ifs(Arguments args) { return mean_of(numbers_meeting(args, args[0], 1)); }

kx::Value average_if(Arguments args) {
  const Grid tested(args[0]);
  const Criterion criterion(args[1]);
  const kx::Value& averaged = is_omitted(args[2]) ? args[0] : args[2];
  const Grid averaged_grid(averaged);
  std::vector<double> numbers;
  for (std::size_t row = 0; row < tested.rows(); ++row) {
    for (std::size_t column = 0; column < tested.columns(); ++column) {
      if (!criterion.matches(tested.at(row, column))) continue;
      const kx::Value cell = paired_cell(averaged, averaged_grid, row, column);
      if (holds_number(cell)) numbers.push_back(cell.number());
    }
  }
  return mean_of(numbers);
}

template <bool Largest>
kx::Value extreme_ifs(Arguments args) {
  const std::vector<double> numbers = numbers_meeting(args, args[0], 1);
  if (numbers.empty()) return 0.0;
  return Largest ? *std::max_element(numbers.begin(), numbers.end())
                 : *std::min_element(numbers.begin(), numbers.end());
}

// --- Counts ------------------------------------------------------------------------------------

kx::Value count_all(Arguments args) {
  double count = 0.0;
  for (const kx::Value& argument : args) {
    if (is_omitted(argument)) continue;
    const Grid grid(argument);
    // The empty cells of a reference, even a one-cell one, are not counted.
    const bool skip_empty = argument.is_range() || !grid.is_single_value();
    for (std::size_t i = 0; i < grid.size(); ++i) count += grid.at(i).is_empty() && skip_empty ? 0 : 1;
  }
  return count;
}

kx::Value count_blank(Arguments args) {
  const Grid grid(args[0]);
  double count = 0.0;
  for (std::size_t i = 0; i < grid.size(); ++i) {
    const kx::Value& cell = grid.at(i);
    count += cell.is_empty() || (cell.is_text() && cell.text().empty()) ? 1 : 0;
  }
  // The blank rows below a whole column's used ones.
  if (const CellRange* range = cell_range_of(args[0])) count += static_cast<double>(range->cells_beyond());
  return count;
}

// --- Order statistics --------------------------------------------------------------------------

std::vector<double> sorted_numbers(Arguments args) {
  std::vector<double> numbers = numbers_of(args);
  if (numbers.empty()) raise_error(kx::error::kXlNum, "there are no numbers");
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

// The value at 0-based fractional position `rank` of sorted numbers, by linear interpolation.
double at_rank(const std::vector<double>& sorted, double rank) {
  const auto below = static_cast<std::size_t>(std::floor(rank));
  const double fraction = rank - std::floor(rank);
  if (below + 1 >= sorted.size()) return sorted.back();
  return sorted[below] + fraction * (sorted[below + 1] - sorted[below]);
}

kx::Value median(Arguments args) {
  const std::vector<double> sorted = sorted_numbers(args);
  return at_rank(sorted, (static_cast<double>(sorted.size()) - 1.0) / 2.0);
}

// Every number that occurs most often (at least twice), in order of first occurrence, as a column.
kx::Value modes(Arguments args) {
  const std::vector<double> numbers = numbers_of(args);
  std::vector<double> sorted = numbers;
  std::sort(sorted.begin(), sorted.end());
  std::size_t best_count = 1;
  std::vector<double> best;
  for (const double x : numbers) {
    const auto [low, high] = std::equal_range(sorted.begin(), sorted.end(), x);
    const auto count = static_cast<std::size_t>(high - low);
    if (count > best_count) {
      best_count = count;
      best.clear();
    }
    if (count == best_count && count > 1 && std::find(best.begin(), best.end(), x) == best.end()) best.push_back(x);
  }
  if (best.empty()) raise_error(kx::error::kXlNA, "no number occurs more than once");
  kx::Array column(best.size(), 1);
  for (std::size_t i = 0; i < best.size(); ++i) column.at(i) = best[i];
  return column;
}

// The most frequent number; of several, the one that comes first.
kx::Value mode(Arguments args) { return modes(args).array().at(0); }

double inclusive_percentile(const std::vector<double>& sorted, double k) {
  check_domain(k >= 0.0 && k <= 1.0, "k must lie between 0 and 1");
  return at_rank(sorted, k * (static_cast<double>(sorted.size()) - 1.0));
}

double exclusive_percentile(const std::vector<double>& sorted, double k) {
  const auto n = static_cast<double>(sorted.size());
  const double rank = k * (n + 1.0) - 1.0;
  check_domain(k > 0.0 && k < 1.0 && rank >= 0.0 && rank <= n - 1.0, "k lies outside the sample's range");
  return at_rank(sorted, rank);
}

kx::Value percentile_inc(Arguments args) {
  return inclusive_percentile(sorted_numbers(args.first(1)), number_arg(args[1]));
}

kx::Value percentile_exc(Arguments args) {
  return exclusive_percentile(sorted_numbers(args.first(1)), number_arg(args[1]));
}

kx::Value quartile_inc(Arguments args) {
  const double quart = whole_arg(args[1]);
  check_domain(quart >= 0.0 && quart <= 4.0, "the quartile must be 0 to 4");
  return inclusive_percentile(sorted_numbers(args.first(1)), quart / 4.0);
}

kx::Value quartile_exc(Arguments args) {
  const double quart = whole_arg(args[1]);
  check_domain(quart >= 1.0 && quart <= 3.0, "the quartile must be 1 to 3");
  return exclusive_percentile(sorted_numbers(args.first(1)), quart / 4.0);
}

// PERCENTRANK(array, x, [significance]): the share of the numbers below x, interpolated
// between neighbours, cut (not rounded) to `significance` digits. The exclusive form ranks
// the numbers 1 to n out of n + 1, the inclusive one 0 to n - 1 out of n - 1.
template <bool Exclusive>
kx::Value percent_rank(Arguments args) {
  const std::vector<double> sorted = sorted_numbers(args.first(1));
  const double x = number_arg(args[1]);
  const double digits = is_omitted(args[2]) ? 3.0 : whole_arg(args[2]);
  check_domain(digits >= 1.0, "the significance must be at least 1");
  if (x < sorted.front() || x > sorted.back()) raise_error(kx::error::kXlNA, "x lies outside the numbers");
  const auto n = static_cast<double>(sorted.size());
  if (sorted.size() == 1 && !Exclusive) return 1.0;
  const auto first_not_below = std::lower_bound(sorted.begin(), sorted.end(), x);
  const auto below = static_cast<double>(first_not_below - sorted.begin());
  double position = below;
  if (*first_not_below != x) {
    const double low = *(first_not_below - 1);
    const double high = *first_not_below;
    position = below - 1.0 + (x - low) / (high - low);
  }
  const double rank = Exclusive ? (position + 1.0) / (n + 1.0) : position / (n - 1.0);
  const double scale = std::pow(10.0, std::min(digits, 15.0));
  // Cut on the shown digits: 0.3 * 1000 is a hair below 300 in binary.
  return std::floor(rank * scale * (1.0 + 4.0 * std::numeric_limits<double>::epsilon())) / scale;
}

template <bool Largest>
kx::Value kth(Arguments args) {
  const std::vector<double> sorted = sorted_numbers(args.first(1));
  const double k = std::ceil(number_arg(args[1]));
  check_domain(k >= 1.0 && k <= static_cast<double>(sorted.size()), "k must lie between 1 and the count");
  const auto index = static_cast<std::size_t>(k) - 1;
  return Largest ? sorted[sorted.size() - 1 - index] : sorted[index];
}

// --- Paired samples ----------------------------------------------------------------------------

struct Pairs {
  std::vector<double> x;
  std::vector<double> y;
  double mean_x = 0.0;
  double mean_y = 0.0;
  double sxx = 0.0;  // sums of squared and crossed deviations
  double syy = 0.0;
  double sxy = 0.0;
};

// The pairs where both cells hold numbers; arrays of different sizes are #N/A.
Pairs pairs_of(const kx::Value& ys, const kx::Value& xs) {
  const Grid y_grid(ys);
  const Grid x_grid(xs);
  if (y_grid.size() != x_grid.size()) raise_error(kx::error::kXlNA, "the two arrays must hold as many values");
  Pairs pairs;
  for (std::size_t i = 0; i < y_grid.size(); ++i) {
    if (!holds_number(y_grid.at(i)) || !holds_number(x_grid.at(i))) continue;
    pairs.y.push_back(y_grid.at(i).number());
    pairs.x.push_back(x_grid.at(i).number());
  }
  if (pairs.x.empty()) raise_error(kx::error::kXlDiv0, "there are no pairs of numbers");
  const auto n = static_cast<double>(pairs.x.size());
  pairs.mean_x = std::accumulate(pairs.x.begin(), pairs.x.end(), 0.0) / n;
  pairs.mean_y = std::accumulate(pairs.y.begin(), pairs.y.end(), 0.0) / n;
  for (std::size_t i = 0; i < pairs.x.size(); ++i) {
    const double dx = pairs.x[i] - pairs.mean_x;
    const double dy = pairs.y[i] - pairs.mean_y;
    pairs.sxx += dx * dx;
    pairs.syy += dy * dy;
    pairs.sxy += dx * dy;
  }
  return pairs;
}

double divided(double numerator, double denominator) {
  if (denominator == 0.0) raise_error(kx::error::kXlDiv0, "the values do not vary");
  return numerator / denominator;
}

kx::Value correlation(Arguments args) {
  const Pairs p = pairs_of(args[0], args[1]);
  return divided(p.sxy, std::sqrt(p.sxx * p.syy));
}

kx::Value covariance(Arguments args) {
  const Pairs p = pairs_of(args[0], args[1]);
  return p.sxy / static_cast<double>(p.x.size());
}

kx::Value sample_covariance(Arguments args) {
  const Pairs p = pairs_of(args[0], args[1]);
  return divided(p.sxy, static_cast<double>(p.x.size()) - 1.0);
}

// The standard error of the y predicted by the regression line.
kx::Value standard_error_of_y(Arguments args) {
  const Pairs p = pairs_of(args[0], args[1]);
  const auto n = static_cast<double>(p.x.size());
  if (n < 3.0) raise_error(kx::error::kXlDiv0, "STEYX needs at least three pairs");
  return std::sqrt(std::max(0.0, p.syy - divided(p.sxy * p.sxy, p.sxx)) / (n - 2.0));
}

kx::Value slope(Arguments args) {
  const Pairs p = pairs_of(args[0], args[1]);
  return divided(p.sxy, p.sxx);
}

kx::Value intercept(Arguments args) {
  const Pairs p = pairs_of(args[0], args[1]);
  return p.mean_y - divided(p.sxy, p.sxx) * p.mean_x;
}

kx::Value r_squared(Arguments args) {
  const Pairs p = pairs_of(args[0], args[1]);
  return divided(p.sxy * p.sxy, p.sxx * p.syy);
}

kx::Value forecast(Arguments args) {
  const double x = number_arg(args[0]);
  const Pairs p = pairs_of(args[1], args[2]);
  return p.mean_y + divided(p.sxy, p.sxx) * (x - p.mean_x);
}

// --- Moments -----------------------------------------------------------------------------------

// The standardized deviations' sum of the given power, with the sample standard deviation.
double standardized_sum(const std::vector<double>& numbers, int power) {
  const auto n = static_cast<double>(numbers.size());
  const double mean = std::accumulate(numbers.begin(), numbers.end(), 0.0) / n;
  double squares = 0.0;
  for (const double x : numbers) squares += (x - mean) * (x - mean);
  const double sd = std::sqrt(squares / (n - 1.0));
  if (sd == 0.0) raise_error(kx::error::kXlDiv0, "the numbers do not vary");
  double total = 0.0;
  for (const double x : numbers) total += std::pow((x - mean) / sd, power);
  return total;
}

kx::Value skewness(Arguments args) {
  const std::vector<double> numbers = numbers_of(args);
  const auto n = static_cast<double>(numbers.size());
  if (n < 3.0) raise_error(kx::error::kXlDiv0, "SKEW needs at least three numbers");
  return n / ((n - 1.0) * (n - 2.0)) * standardized_sum(numbers, 3);
}

// The population's skewness: the third moment over the cube of the population deviation.
kx::Value population_skewness(Arguments args) {
  const std::vector<double> numbers = numbers_of(args);
  const auto n = static_cast<double>(numbers.size());
  if (n < 1.0) raise_error(kx::error::kXlDiv0, "SKEW.P needs numbers");
  const double mean = std::accumulate(numbers.begin(), numbers.end(), 0.0) / n;
  double second = 0.0;
  double third = 0.0;
  for (const double x : numbers) {
    second += (x - mean) * (x - mean);
    third += (x - mean) * (x - mean) * (x - mean);
  }
  if (second == 0.0) raise_error(kx::error::kXlDiv0, "the numbers do not vary");
  return third / n / std::pow(second / n, 1.5);
}

kx::Value kurtosis(Arguments args) {
  const std::vector<double> numbers = numbers_of(args);
  const auto n = static_cast<double>(numbers.size());
  if (n < 4.0) raise_error(kx::error::kXlDiv0, "KURT needs at least four numbers");
  return n * (n + 1.0) / ((n - 1.0) * (n - 2.0) * (n - 3.0)) * standardized_sum(numbers, 4) -
         3.0 * (n - 1.0) * (n - 1.0) / ((n - 2.0) * (n - 3.0));
}

kx::Value standardize(Arguments args) {
  const double x = number_arg(args[0]);
  const double mean = number_arg(args[1]);
  const double sd = number_arg(args[2]);
  check_domain(sd > 0.0, "the standard deviation must be positive");
  return (x - mean) / sd;
}

kx::Value confidence(Arguments args) {
  const double alpha = number_arg(args[0]);
  const double sd = number_arg(args[1]);
  const double size = whole_arg(args[2]);
  check_domain(alpha > 0.0 && alpha < 1.0, "alpha must lie inside (0, 1)");
  check_domain(sd > 0.0, "the standard deviation must be positive");
  check_domain(size >= 1.0, "the size must be at least 1");
  const boost::math::normal_distribution<double, BoostPolicy> normal;
  return boost::math::quantile(boost::math::complement(normal, alpha / 2.0)) * sd / std::sqrt(size);
}

constexpr SheetFunction kFunctions[] = {
    {"SUMIFS", 3, kUnlimited, kArrays, sum_ifs, "sum_range, criteria_range1, criteria1, ..."},
    {"COUNTIFS", 2, kUnlimited, kArrays, count_ifs, "criteria_range1, criteria1, ..."},
    {"AVERAGEIF", 2, 3, kArrays, average_if, "range, criteria, [average_range]"},
    {"AVERAGEIFS", 3, kUnlimited, kArrays, average_ifs, "average_range, criteria_range1, criteria1, ..."},
    {"MINIFS", 3, kUnlimited, kArrays, extreme_ifs<false>, "min_range, criteria_range1, criteria1, ..."},
    {"MAXIFS", 3, kUnlimited, kArrays, extreme_ifs<true>, "max_range, criteria_range1, criteria1, ..."},
    {"COUNTA", 1, kUnlimited, kArrays, count_all, "value1, ..."},
    {"COUNTBLANK", 1, 1, kArrays, count_blank, "range"},
    {"MEDIAN", 1, kUnlimited, kArrays, median, "number1, ..."},
    {"MODE", 1, kUnlimited, kArrays, mode, "number1, ..."},
    {"MODE.SNGL", 1, kUnlimited, kArrays, mode, "number1, ..."},
    {"MODE.MULT", 1, kUnlimited, kArrays, modes, "number1, ..."},
    {"PERCENTILE", 2, 2, kArrays, percentile_inc, "array, k"},
    {"PERCENTILE.INC", 2, 2, kArrays, percentile_inc, "array, k"},
    {"PERCENTILE.EXC", 2, 2, kArrays, percentile_exc, "array, k"},
    {"QUARTILE", 2, 2, kArrays, quartile_inc, "array, quart"},
    {"QUARTILE.INC", 2, 2, kArrays, quartile_inc, "array, quart"},
    {"QUARTILE.EXC", 2, 2, kArrays, quartile_exc, "array, quart"},
    {"PERCENTRANK", 2, 3, kArrays, percent_rank<false>, "array, x, [significance]"},
    {"PERCENTRANK.INC", 2, 3, kArrays, percent_rank<false>, "array, x, [significance]"},
    {"PERCENTRANK.EXC", 2, 3, kArrays, percent_rank<true>, "array, x, [significance]"},
    {"LARGE", 2, 2, kArrays, kth<true>, "array, k"},
    {"SMALL", 2, 2, kArrays, kth<false>, "array, k"},
    {"CORREL", 2, 2, kArrays, correlation, "array1, array2"},
    {"PEARSON", 2, 2, kArrays, correlation, "array1, array2"},
    {"COVAR", 2, 2, kArrays, covariance, "array1, array2"},
    {"COVARIANCE.P", 2, 2, kArrays, covariance, "array1, array2"},
    {"COVARIANCE.S", 2, 2, kArrays, sample_covariance, "array1, array2"},
    {"STEYX", 2, 2, kArrays, standard_error_of_y, "known_y's, known_x's"},
    {"SLOPE", 2, 2, kArrays, slope, "known_y's, known_x's"},
    {"INTERCEPT", 2, 2, kArrays, intercept, "known_y's, known_x's"},
    {"RSQ", 2, 2, kArrays, r_squared, "known_y's, known_x's"},
    {"FORECAST", 3, 3, kArrays, forecast, "x, known_y's, known_x's"},
    {"FORECAST.LINEAR", 3, 3, kArrays, forecast, "x, known_y's, known_x's"},
    {"SKEW", 1, kUnlimited, kArrays, skewness, "number1, ..."},
    {"SKEW.P", 1, kUnlimited, kArrays, population_skewness, "number1, ..."},
    {"KURT", 1, kUnlimited, kArrays, kurtosis, "number1, ..."},
    {"STANDARDIZE", 3, 3, kSingleValues, standardize, "x, mean, standard_dev"},
    {"CONFIDENCE", 3, 3, kSingleValues, confidence, "alpha, standard_dev, size"},
    {"CONFIDENCE.NORM", 3, 3, kSingleValues, confidence, "alpha, standard_dev, size"},
    // The newer names of the host's distributions and sample statistics.
    {"NORM.DIST", 4, 4, kSingleValues, norm_dist, "x, mean, standard_dev, cumulative"},
    {"NORM.INV", 3, 3, kSingleValues, norm_inv, "probability, mean, standard_dev"},
    {"NORM.S.DIST", 2, 2, kSingleValues, norm_s_dist_flagged, "z, cumulative"},
    {"NORM.S.INV", 1, 1, kSingleValues, norm_s_inv, "probability"},
    {"T.DIST", 3, 3, kSingleValues, t_dist_flagged, "x, deg_freedom, cumulative"},
    {"T.INV", 2, 2, kSingleValues, t_inv_left, "probability, deg_freedom"},
    {"T.INV.2T", 2, 2, kSingleValues, t_inv, "probability, deg_freedom"},
    {"CHISQ.INV.RT", 2, 2, kSingleValues, chi_inv, "probability, deg_freedom"},
    {"CHISQ.DIST.RT", 2, 2, kSingleValues, chi_dist_right, "x, deg_freedom"},
    {"CHIDIST", 2, 2, kSingleValues, chi_dist_right, "x, deg_freedom"},
    {"GAMMA.DIST", 4, 4, kSingleValues, gamma_dist, "x, alpha, beta, cumulative"},
    {"GAMMA.INV", 3, 3, kSingleValues, gamma_inv, "probability, alpha, beta"},
    {"BETA.DIST", 4, 6, kSingleValues, beta_dist_flagged, "x, alpha, beta, cumulative, [A], [B]"},
    {"BETA.INV", 3, 5, kSingleValues, beta_inv, "probability, alpha, beta, [A], [B]"},
    {"BINOM.DIST", 4, 4, kSingleValues, binom_dist, "number_s, trials, probability_s, cumulative"},
    {"POISSON.DIST", 3, 3, kSingleValues, poisson_dist, "x, mean, cumulative"},
    {"EXPON.DIST", 3, 3, kSingleValues, expon_dist, "x, lambda, cumulative"},
    {"WEIBULL.DIST", 4, 4, kSingleValues, weibull_dist, "x, alpha, beta, cumulative"},
    {"LOGNORM.DIST", 4, 4, kSingleValues, lognorm_dist, "x, mean, standard_dev, cumulative"},
    {"LOGNORMDIST", 3, 3, kSingleValues, lognorm_dist_cumulative, "x, mean, standard_dev"},
    {"LOGNORM.INV", 3, 3, kSingleValues, lognorm_inv, "probability, mean, standard_dev"},
    {"LOGINV", 3, 3, kSingleValues, lognorm_inv, "probability, mean, standard_dev"},
    {"FDIST", 3, 3, kSingleValues, f_dist_right, "x, deg_freedom1, deg_freedom2"},
    {"F.DIST.RT", 3, 3, kSingleValues, f_dist_right, "x, deg_freedom1, deg_freedom2"},
    {"FINV", 3, 3, kSingleValues, f_inv_right, "probability, deg_freedom1, deg_freedom2"},
    {"F.INV.RT", 3, 3, kSingleValues, f_inv_right, "probability, deg_freedom1, deg_freedom2"},
    {"STDEV.S", 1, kUnlimited, kArrays, stdev, "number1, ..."},
    {"STDEV.P", 1, kUnlimited, kArrays, stdevp, "number1, ..."},
    {"VAR.S", 1, kUnlimited, kArrays, var, "number1, ..."},
    {"VAR.P", 1, kUnlimited, kArrays, varp, "number1, ..."},
};

}  // namespace

Family statistics_functions() { return kFunctions; }

}  // namespace host::worksheet
