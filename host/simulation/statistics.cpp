#include "host/simulation/statistics.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <thread>
#include <utility>

namespace host {
namespace {

// Neumaier's compensated sum: the mean of a million values stays exact to the last digits. The
// values are multiplied by `factor` first (a power of two, so exactly).
double compensated_sum(std::span<const double> values, double factor = 1) {
  double sum = 0;
  double compensation = 0;
  for (const double unscaled : values) {
    const double value = unscaled * factor;
    const double total = sum + value;
    compensation += std::abs(sum) >= std::abs(value) ? (sum - total) + value : (value - total) + sum;
    sum = total;
  }
  return sum + compensation;
}

// The exponent of the power of two at or above the largest magnitude among sorted values: in
// its units, sums of values near 1.7E308 and of their squared deviations stay finite.
int unit_exponent(std::span<const double> sorted) {
  int exponent = 0;
  std::frexp(std::max(std::abs(sorted.front()), std::abs(sorted.back())), &exponent);
  return exponent;
}

double sum_of_squared_deviations(std::span<const double> values, double mean, double factor = 1) {
  double squares = 0;
  for (const double value : values) squares += (value * factor - mean * factor) * (value * factor - mean * factor);
  return squares;
}

Summary summarise(std::span<const double> sorted, std::int64_t failed, std::span<const double> percentiles) {
  Summary summary;
  summary.count = static_cast<std::int64_t>(sorted.size());
  summary.failed = failed;
  if (sorted.empty()) return summary;
  const auto n = static_cast<double>(sorted.size());
  summary.mean = compensated_sum(sorted) / n;
  // The plain sums overflow only for values near the limits of a double; in the units of the
  // largest, the mean is always finite and the deviation is wherever it is at most 1.7E308.
  const int unit = unit_exponent(sorted);
  const double in_units = std::ldexp(1.0, -unit);
  if (!std::isfinite(summary.mean)) summary.mean = std::ldexp(compensated_sum(sorted, in_units) / n, unit);
  summary.mean = std::clamp(summary.mean, sorted.front(), sorted.back());  // rounding must not leave the range
  if (sorted.size() > 1) {
    double deviation = std::sqrt(sum_of_squared_deviations(sorted, summary.mean) / (n - 1));
    if (!std::isfinite(deviation))
      deviation = std::ldexp(std::sqrt(sum_of_squared_deviations(sorted, summary.mean, in_units) / (n - 1)), unit);
    if (std::isfinite(deviation)) summary.std_dev = deviation;
  }
  summary.minimum = sorted.front();
  summary.maximum = sorted.back();
  for (const double k : percentiles) summary.percentiles.push_back(percentile(sorted, k));
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

// Ranks of a series among the iterations it shares with another, from its ranks among all its
// `numbers`: a rank r loses one for every left-out number ranked below it and a half for every
// one tied with it, which is what ranking the shared numbers afresh gives, without a sort. Ranks
// are halves from 1 to `numbers`, so the left-out ones are counted by twice their rank.
void rerank(std::vector<double>& ranks, const std::vector<double>& left_out, std::size_t numbers) {
  if (left_out.empty()) return;
  thread_local std::vector<std::uint32_t> tied, below;
  tied.assign(2 * numbers + 2, 0);
  below.resize(tied.size());
  for (const double rank : left_out) ++tied[static_cast<std::size_t>(2 * rank)];
  std::uint32_t count = 0;
  for (std::size_t k = 0; k < tied.size(); ++k) {
    below[k] = count;
    count += tied[k];
  }
  for (double& rank : ranks) {
    const auto k = static_cast<std::size_t>(2 * rank);
    rank -= below[k] + tied[k] / 2.0;
  }
}

}  // namespace

double percentile(std::span<const double> sorted, double k) {
  const double position = (static_cast<double>(sorted.size()) - 1) * k / 100;
  const auto below = static_cast<std::size_t>(std::floor(position));
  if (below + 1 >= sorted.size()) return sorted.back();
  const double fraction = position - static_cast<double>(below);
  if (fraction == 0) return sorted[below];
  const double step = sorted[below + 1] - sorted[below];
  // Neighbours further apart than a double reaches are weighed apart instead.
  if (!std::isfinite(step)) return sorted[below] * (1 - fraction) + sorted[below + 1] * fraction;
  return sorted[below] + fraction * step;
}

double share_at_or_below(std::span<const double> sorted, double x) {
  if (sorted.empty()) return 0;
  const auto below = std::upper_bound(sorted.begin(), sorted.end(), x) - sorted.begin();
  return static_cast<double>(below) / static_cast<double>(sorted.size());
}

namespace {

// The bits of a double turned into an unsigned number with the same order: negative numbers
// flipped whole, the others with their sign bit set. -0 is keyed as 0, so that the two tie.
std::uint64_t order_key(double x) {
  const auto bits = std::bit_cast<std::uint64_t>(x == 0 ? 0.0 : x);
  return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

double from_order_key(std::uint64_t key) {
  return std::bit_cast<double>((key >> 63) != 0 ? key & ~(std::uint64_t{1} << 63) : ~key);
}

// Sorts the values with their positions and hands back the ranks by position, ties sharing
// their average rank; `sorted` receives the values in ascending order.
//
// The report ranks every series of a long run, so this is a radix sort over one word per value:
// the high bits of its order key above the low bits of its position. Least significant digit
// first and stable, it needs no passes over the position bits, as the words start in position
// order, and skips a digit that every key shares. Values whose keys differ only in the bits the
// position took are put in order afterwards, which is rare unless they are equal anyway.
std::vector<double> ranks_sorting(std::span<const double> values, std::vector<double>& sorted) {
  const std::size_t n = values.size();
  std::vector<double> ranks(n);
  sorted.resize(n);
  if (n == 0) return ranks;
  const auto position_bits = std::max<unsigned>(1, static_cast<unsigned>(std::bit_width(n - 1)));
  const std::uint64_t position_mask = (std::uint64_t{1} << position_bits) - 1;

  constexpr unsigned kDigitBits = 8;  // 256 buckets: every one's write position stays in the TLB
  constexpr std::size_t kBuckets = std::size_t{1} << kDigitBits;
  const unsigned passes = (64 - position_bits + kDigitBits - 1) / kDigitBits;
  std::vector<std::array<std::uint32_t, kBuckets>> counts(passes);
  // Kept by the thread for its next series: fresh pages of this size cost more than the sort.
  thread_local std::vector<std::uint64_t> order;
  thread_local std::vector<std::uint64_t> moved;
  order.resize(n);
  moved.resize(n);
  std::uint64_t lost_bits = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t key = order_key(values[i]);
    lost_bits |= key & position_mask;
    order[i] = (key & ~position_mask) | i;
    for (unsigned pass = 0; pass < passes; ++pass)
      ++counts[pass][(order[i] >> (position_bits + pass * kDigitBits)) & (kBuckets - 1)];
  }
  for (unsigned pass = 0; pass < passes; ++pass) {
    auto& count = counts[pass];
    const unsigned shift = position_bits + pass * kDigitBits;
    if (count[(order.front() >> shift) & (kBuckets - 1)] == n) continue;
    std::uint32_t next = 0;
    for (std::uint32_t& bucket : count) next += std::exchange(bucket, next);
    for (const std::uint64_t word : order) moved[count[(word >> shift) & (kBuckets - 1)]++] = word;
    order.swap(moved);
  }

  const auto position = [&](std::uint64_t word) { return static_cast<std::size_t>(word & position_mask); };
  if (lost_bits == 0) {
    for (std::size_t i = 0; i < n; ++i) sorted[i] = from_order_key(order[i] & ~position_mask);
  } else {
    for (std::size_t first = 0; first < n;) {
      std::size_t last = first + 1;
      while (last < n && (order[last] & ~position_mask) == (order[first] & ~position_mask)) ++last;
      if (last - first > 1) {
        std::sort(order.begin() + static_cast<std::ptrdiff_t>(first), order.begin() + static_cast<std::ptrdiff_t>(last),
                  [&](std::uint64_t a, std::uint64_t b) { return values[position(a)] < values[position(b)]; });
      }
      first = last;
    }
    for (std::size_t i = 0; i < n; ++i) sorted[i] = values[position(order[i])];
  }

  for (std::size_t first = 0; first < n;) {
    std::size_t last = first + 1;
    while (last < n && sorted[last] == sorted[first]) ++last;
    const double rank = static_cast<double>(first + 1 + last) / 2;  // the mean of first+1 .. last
    for (std::size_t i = first; i < last; ++i) ranks[position(order[i])] = rank;
    first = last;
  }
  return ranks;
}

}  // namespace

std::vector<double> average_ranks(std::span<const double> values) {
  std::vector<double> sorted;
  return ranks_sorting(values, sorted);
}

AnalysedSeries::AnalysedSeries(const Series& series, std::span<const double> percentiles) : series_(&series) {
  // The ranks serve the correlations; the sort is shared.
  std::vector<double> kept;
  std::vector<double> ranks = ranks_sorting(series.numbers(kept), sorted_);
  ranks_ = std::move(ranks);
  summary_ = summarise(sorted_, series.failed(), percentiles);
}

std::vector<AnalysedSeries> analyse(const std::vector<const Series*>& series, int threads,
                                    std::span<const double> percentiles) {
  threads = std::max(1, threads);
  std::vector<std::optional<AnalysedSeries>> done(series.size());
  {
    std::vector<std::jthread> workers;
    for (int t = 0; t < threads; ++t) {
      workers.emplace_back([&, t] {
        for (auto i = static_cast<std::size_t>(t); i < series.size(); i += static_cast<std::size_t>(threads))
          done[i].emplace(*series[i], percentiles);
      });
    }
  }
  std::vector<AnalysedSeries> result;
  result.reserve(done.size());
  for (auto& one : done) result.push_back(std::move(*one));
  return result;
}

std::optional<double> rank_correlation(const AnalysedSeries& a, const AnalysedSeries& b) {
  if (a.series_->failures.empty() && b.series_->failures.empty()) return pearson(a.ranks_, b.ranks_);
  // Both series walked in iteration order, each with its next failure and its next number.
  std::vector<double> shared_a, shared_b, left_out_a, left_out_b;
  shared_a.reserve(a.ranks_.size());
  shared_b.reserve(b.ranks_.size());
  auto failure_a = a.series_->failures.begin(), failure_b = b.series_->failures.begin();
  std::size_t number_a = 0, number_b = 0;
  for (std::int64_t i = 0; i < static_cast<std::int64_t>(a.series_->values.size()); ++i) {
    const bool failed_a = failure_a != a.series_->failures.end() && failure_a->iteration == i;
    const bool failed_b = failure_b != b.series_->failures.end() && failure_b->iteration == i;
    failure_a += failed_a;
    failure_b += failed_b;
    if (!failed_a) (failed_b ? left_out_a : shared_a).push_back(a.ranks_[number_a++]);
    if (!failed_b) (failed_a ? left_out_b : shared_b).push_back(b.ranks_[number_b++]);
  }
  rerank(shared_a, left_out_a, a.ranks_.size());
  rerank(shared_b, left_out_b, b.ranks_.size());
  return pearson(shared_a, shared_b);
}

std::vector<std::vector<std::optional<double>>> rank_correlations(std::span<const AnalysedSeries* const> rows,
                                                                  std::span<const AnalysedSeries* const> columns) {
  std::vector<std::vector<std::optional<double>>> matrix(rows.size(),
                                                         std::vector<std::optional<double>>(columns.size()));
  // Series without failures share their iterations: their sums are taken in one pass over their
  // ranks, each pair's in iteration order as rank_correlation takes them. `whole` holds each such
  // series once, whether it is a row, a column or both.
  std::vector<const AnalysedSeries*> whole;
  const auto whole_index = [&](const AnalysedSeries* series) -> std::optional<std::size_t> {
    if (!series->series_->failures.empty()) return std::nullopt;
    const auto known = std::find(whole.begin(), whole.end(), series);
    if (known != whole.end()) return static_cast<std::size_t>(known - whole.begin());
    whole.push_back(series);
    return whole.size() - 1;
  };
  std::vector<std::optional<std::size_t>> row_whole, column_whole;
  for (const AnalysedSeries* row : rows) row_whole.push_back(whole_index(row));
  // The columns are looked up among the rows only: a column is a row too only when it is among them.
  const std::size_t row_series = whole.size();
  for (const AnalysedSeries* column : columns) {
    if (!column->series_->failures.empty()) {
      column_whole.emplace_back();
      continue;
    }
    const auto among_rows = std::find(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(row_series), column);
    if (among_rows != whole.begin() + static_cast<std::ptrdiff_t>(row_series)) {
      column_whole.emplace_back(static_cast<std::size_t>(among_rows - whole.begin()));
    } else {
      whole.push_back(column);
      column_whole.emplace_back(whole.size() - 1);
    }
  }

  // The pairs summed: each series with itself first, then every whole row with every whole column.
  std::vector<std::pair<std::size_t, std::size_t>> pairs;
  for (std::size_t x = 0; x < whole.size(); ++x) pairs.emplace_back(x, x);
  std::vector<std::size_t> pair_of(rows.size() * columns.size(), 0);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (!row_whole[r] || !column_whole[c]) continue;
      if (*row_whole[r] == *column_whole[c]) {
        pair_of[r * columns.size() + c] = *row_whole[r];
      } else {
        pair_of[r * columns.size() + c] = pairs.size();
        pairs.emplace_back(*row_whole[r], *column_whole[c]);
      }
    }
  }
  const std::size_t n = whole.empty() ? 0 : whole.front()->ranks_.size();
  std::vector<double> products(pairs.size(), 0.0);
  if (n >= 2) {
    const double middle = (static_cast<double>(n) + 1) / 2;
    // Blocks of iterations whose ranks stay in cache, and four pairs summed side by side: each
    // sum still adds its terms in iteration order, but four additions no longer wait on each other.
    constexpr std::size_t kBlock = 1024;
    constexpr std::size_t kSideBySide = 4;
    std::vector<double> centred(whole.size() * kBlock);
    for (std::size_t first = 0; first < n; first += kBlock) {
      const std::size_t length = std::min(n, first + kBlock) - first;
      for (std::size_t x = 0; x < whole.size(); ++x) {
        const double* ranks = whole[x]->ranks_.data() + first;
        for (std::size_t i = 0; i < length; ++i) centred[x * kBlock + i] = ranks[i] - middle;
      }
      for (std::size_t p = 0; p < pairs.size(); p += kSideBySide) {
        std::array<const double*, kSideBySide> a{}, b{};
        std::array<double, kSideBySide> sums{};
        const std::size_t count = std::min(kSideBySide, pairs.size() - p);
        for (std::size_t q = 0; q < kSideBySide; ++q) {
          const auto [x, y] = pairs[p + std::min(q, count - 1)];
          a[q] = &centred[x * kBlock];
          b[q] = &centred[y * kBlock];
          sums[q] = products[p + std::min(q, count - 1)];
        }
        for (std::size_t i = 0; i < length; ++i) {
          for (std::size_t q = 0; q < kSideBySide; ++q) sums[q] += a[q][i] * b[q][i];
        }
        for (std::size_t q = 0; q < count; ++q) products[p + q] = sums[q];
      }
    }
  }
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (!row_whole[r] || !column_whole[c]) {
        matrix[r][c] = rank_correlation(*rows[r], *columns[c]);
      } else if (n >= 2) {
        const double ab = products[pair_of[r * columns.size() + c]];
        const double aa = products[*row_whole[r]];
        const double bb = products[*column_whole[c]];
        if (aa != 0 && bb != 0) matrix[r][c] = std::clamp(ab / std::sqrt(aa * bb), -1.0, 1.0);
      }
    }
  }
  return matrix;
}

std::vector<std::vector<std::optional<double>>> rank_correlations(std::span<const AnalysedSeries* const> series) {
  return rank_correlations(series, series);
}

}  // namespace host
