#include "host/simulation/statistics.hpp"

#include <algorithm>
#include <bit>
#include <boost/sort/spreadsort/integer_sort.hpp>
#include <cmath>

namespace host {
namespace {

// Neumaier's compensated sum: the mean of a million values stays exact to the last digits.
double compensated_sum(std::span<const double> values) {
  double sum = 0;
  double compensation = 0;
  for (const double value : values) {
    const double total = sum + value;
    compensation += std::abs(sum) >= std::abs(value) ? (sum - total) + value : (value - total) + sum;
    sum = total;
  }
  return sum + compensation;
}

Summary summarise(std::span<const double> sorted, std::int64_t failed) {
  Summary summary;
  summary.count = static_cast<std::int64_t>(sorted.size());
  summary.failed = failed;
  if (sorted.empty()) return summary;
  summary.mean = compensated_sum(sorted) / static_cast<double>(sorted.size());
  if (sorted.size() > 1) {
    double squares = 0;
    for (const double value : sorted) squares += (value - summary.mean) * (value - summary.mean);
    summary.std_dev = std::sqrt(squares / static_cast<double>(sorted.size() - 1));
  }
  summary.minimum = sorted.front();
  summary.maximum = sorted.back();
  for (std::size_t i = 0; i < kReportedPercentiles.size(); ++i)
    summary.percentiles[i] = percentile(sorted, kReportedPercentiles[i]);
  return summary;
}

// Pearson's coefficient of two rank lists of equal length.
std::optional<double> pearson(std::span<const double> a, std::span<const double> b) {
  const auto n = static_cast<double>(a.size());
  if (a.size() < 2) return std::nullopt;
  const double middle = (n + 1) / 2;  // the mean of average ranks 1..n
  double ab = 0, aa = 0, bb = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const double da = a[i] - middle;
    const double db = b[i] - middle;
    ab += da * db;
    aa += da * da;
    bb += db * db;
  }
  if (aa == 0 || bb == 0) return std::nullopt;
  return std::clamp(ab / std::sqrt(aa * bb), -1.0, 1.0);
}

// The values of the iterations where neither series failed.
std::vector<double> shared_numbers(const Series& series, const Series& other) {
  std::vector<char> failed(series.values.size(), 0);
  for (const auto& failure : series.failures) failed[static_cast<std::size_t>(failure.iteration)] = 1;
  for (const auto& failure : other.failures) failed[static_cast<std::size_t>(failure.iteration)] = 1;
  std::vector<double> kept;
  for (std::size_t i = 0; i < series.values.size(); ++i) {
    if (!failed[i]) kept.push_back(series.values[i]);
  }
  return kept;
}

}  // namespace

double percentile(std::span<const double> sorted, double k) {
  const double position = (static_cast<double>(sorted.size()) - 1) * k / 100;
  const auto below = static_cast<std::size_t>(std::floor(position));
  if (below + 1 >= sorted.size()) return sorted.back();
  return sorted[below] + (position - static_cast<double>(below)) * (sorted[below + 1] - sorted[below]);
}

namespace {

struct Ranked {
  std::uint64_t key;  // orders as the value does
  double value;
  std::uint32_t position;
};

// The bits of a double turned into an unsigned number with the same order: negative numbers
// flipped whole, the others with their sign bit set.
std::uint64_t order_key(double x) {
  const auto bits = std::bit_cast<std::uint64_t>(x);
  return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

// Sorts the values with their positions and hands back the ranks by position; `sorted`, when
// given, receives the values in ascending order. A radix sort on unsigned keys: the report ranks
// every series of a long run, and this is several times quicker than a comparison sort.
std::vector<double> ranks_sorting(std::span<const double> values, std::vector<double>* sorted) {
  std::vector<Ranked> order(values.size());
  for (std::size_t i = 0; i < values.size(); ++i)
    order[i] = {order_key(values[i]), values[i], static_cast<std::uint32_t>(i)};
  boost::sort::spreadsort::integer_sort(
      order.begin(), order.end(), [](const Ranked& x, unsigned offset) { return x.key >> offset; },
      [](const Ranked& a, const Ranked& b) { return a.key < b.key; });
  std::vector<double> ranks(values.size());
  for (std::size_t first = 0; first < order.size();) {
    std::size_t last = first + 1;
    while (last < order.size() && order[last].value == order[first].value) ++last;
    const double rank = static_cast<double>(first + 1 + last) / 2;  // the mean of first+1 .. last
    for (std::size_t i = first; i < last; ++i) ranks[order[i].position] = rank;
    first = last;
  }
  if (sorted != nullptr) {
    sorted->resize(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) (*sorted)[i] = order[i].value;
  }
  return ranks;
}

}  // namespace

std::vector<double> average_ranks(std::span<const double> values) { return ranks_sorting(values, nullptr); }

AnalysedSeries::AnalysedSeries(const Series& series) : series_(&series) {
  // Ranks by iteration serve correlations only when no iteration failed; the sort is shared.
  std::vector<double> ranks = ranks_sorting(series.numbers(), &sorted_);
  if (series.failures.empty()) ranks_ = std::move(ranks);
  summary_ = summarise(sorted_, series.failed());
}

std::optional<double> rank_correlation(const AnalysedSeries& a, const AnalysedSeries& b) {
  if (a.series_->failures.empty() && b.series_->failures.empty()) return pearson(a.ranks_, b.ranks_);
  return pearson(average_ranks(shared_numbers(*a.series_, *b.series_)),
                 average_ranks(shared_numbers(*b.series_, *a.series_)));
}

}  // namespace host
