#include "host/simulation/statistics.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <thread>
#include <utility>

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

Summary summarise(std::span<const double> sorted, std::int64_t failed, std::span<const double> percentiles) {
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
  // Ranks by iteration serve correlations only when no iteration failed; the sort is shared.
  std::vector<double> kept;
  std::vector<double> ranks = ranks_sorting(series.numbers(kept), sorted_);
  if (series.failures.empty()) ranks_ = std::move(ranks);
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
  return pearson(average_ranks(shared_numbers(*a.series_, *b.series_)),
                 average_ranks(shared_numbers(*b.series_, *a.series_)));
}

std::vector<std::vector<std::optional<double>>> rank_correlations(std::span<const AnalysedSeries* const> series) {
  const std::size_t k = series.size();
  std::vector<std::vector<std::optional<double>>> matrix(k, std::vector<std::optional<double>>(k));
  // Series without failures share their iterations: their sums are taken in one pass over all
  // the ranks, each pair's in iteration order as rank_correlation takes them.
  std::vector<std::size_t> whole;
  for (std::size_t a = 0; a < k; ++a) {
    if (series[a]->series_->failures.empty()) whole.push_back(a);
  }
  const std::size_t n = whole.empty() ? 0 : series[whole.front()]->ranks_.size();
  std::vector<double> products(whole.size() * whole.size(), 0.0);
  if (n >= 2) {
    const double middle = (static_cast<double>(n) + 1) / 2;
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (std::size_t x = 0; x < whole.size(); ++x) {
      for (std::size_t y = x; y < whole.size(); ++y) pairs.emplace_back(x, y);
    }
    // Blocks of iterations whose ranks stay in cache, and four pairs summed side by side: each
    // sum still adds its terms in iteration order, but four additions no longer wait on each other.
    constexpr std::size_t kBlock = 1024;
    constexpr std::size_t kSideBySide = 4;
    std::vector<double> centred(whole.size() * kBlock);
    for (std::size_t first = 0; first < n; first += kBlock) {
      const std::size_t length = std::min(n, first + kBlock) - first;
      for (std::size_t x = 0; x < whole.size(); ++x) {
        const double* ranks = series[whole[x]]->ranks_.data() + first;
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
          sums[q] = products[x * whole.size() + y];
        }
        for (std::size_t i = 0; i < length; ++i) {
          for (std::size_t q = 0; q < kSideBySide; ++q) sums[q] += a[q][i] * b[q][i];
        }
        for (std::size_t q = 0; q < count; ++q)
          products[pairs[p + q].first * whole.size() + pairs[p + q].second] = sums[q];
      }
    }
  }
  for (std::size_t a = 0; a < k; ++a) {
    for (std::size_t b = a; b < k; ++b) {
      const auto x = std::find(whole.begin(), whole.end(), a);
      const auto y = std::find(whole.begin(), whole.end(), b);
      if (x == whole.end() || y == whole.end()) {
        matrix[a][b] = rank_correlation(*series[a], *series[b]);
      } else if (n >= 2) {
        const std::size_t i = static_cast<std::size_t>(x - whole.begin());
        const std::size_t j = static_cast<std::size_t>(y - whole.begin());
        const double ab = products[i * whole.size() + j];
        const double aa = products[i * whole.size() + i];
        const double bb = products[j * whole.size() + j];
        if (aa != 0 && bb != 0) matrix[a][b] = std::clamp(ab / std::sqrt(aa * bb), -1.0, 1.0);
      }
      matrix[b][a] = matrix[a][b];
    }
  }
  return matrix;
}

}  // namespace host
