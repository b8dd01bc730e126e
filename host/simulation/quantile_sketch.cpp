#include "host/simulation/quantile_sketch.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "common/failure.hpp"

namespace host {

QuantileSketch::QuantileSketch(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 2)) {
  levels_.emplace_back();
  levels_.front().reserve(capacity_);
  offsets_.push_back(0);
}

void QuantileSketch::add(double x) {
  levels_.front().push_back(x);
  ++count_;
  if (levels_.front().size() >= capacity_) compact(0);
}

void QuantileSketch::compact(std::size_t level) {
  for (; level < levels_.size() && levels_[level].size() >= capacity_; ++level) {
    if (level + 1 == levels_.size()) {
      levels_.emplace_back();
      offsets_.push_back(0);
    }
    std::vector<double>& full = levels_[level];
    std::sort(full.begin(), full.end());
    // An odd number out stays behind: only pairs are halved.
    const std::size_t paired = full.size() & ~std::size_t{1};
    std::vector<double>& up = levels_[level + 1];
    for (std::size_t i = offsets_[level]; i < paired; i += 2) up.push_back(full[i]);
    offsets_[level] ^= 1;
    const bool odd = paired < full.size();
    const double left = odd ? full.back() : 0;
    full.clear();
    if (odd) full.push_back(left);
    rank_error_ += std::int64_t{1} << level;
  }
}

void QuantileSketch::merge(const QuantileSketch& other) {
  while (levels_.size() < other.levels_.size()) {
    levels_.emplace_back();
    offsets_.push_back(0);
  }
  for (std::size_t h = 0; h < other.levels_.size(); ++h)
    levels_[h].insert(levels_[h].end(), other.levels_[h].begin(), other.levels_[h].end());
  count_ += other.count_;
  rank_error_ += other.rank_error_;
  for (std::size_t h = 0; h < levels_.size(); ++h) {
    if (levels_[h].size() >= capacity_) compact(h);
  }
}

double QuantileSketch::at_rank(double rank) const {
  std::vector<std::pair<double, std::int64_t>> weighted;
  for (std::size_t h = 0; h < levels_.size(); ++h) {
    for (const double x : levels_[h]) weighted.emplace_back(x, std::int64_t{1} << h);
  }
  if (weighted.empty()) throw kx::Failure(kx::error::kHostFailure, "the quantile of no numbers");
  std::sort(weighted.begin(), weighted.end());
  double before = 0;
  for (const auto& [x, weight] : weighted) {
    before += static_cast<double>(weight);
    if (before > rank) return x;
  }
  return weighted.back().first;
}

double QuantileSketch::percentile(double k) const {
  return at_rank(k / 100 * static_cast<double>(count_ - 1));
}

std::string QuantileSketch::bytes() const {
  std::string out;
  const auto put = [&out](auto number) { out.append(reinterpret_cast<const char*>(&number), sizeof number); };
  put(static_cast<std::uint64_t>(capacity_));
  put(count_);
  put(rank_error_);
  put(static_cast<std::uint64_t>(levels_.size()));
  for (std::size_t h = 0; h < levels_.size(); ++h) {
    put(static_cast<std::uint64_t>(levels_[h].size()));
    put(offsets_[h]);
    out.append(reinterpret_cast<const char*>(levels_[h].data()), levels_[h].size() * sizeof(double));
  }
  return out;
}

QuantileSketch QuantileSketch::from_bytes(std::string_view bytes) {
  std::size_t at = 0;
  const auto take = [&](auto& number) {
    if (bytes.size() - at < sizeof number) throw kx::Failure(kx::error::kHostFailure, "a quantile summary cut short");
    std::memcpy(&number, bytes.data() + at, sizeof number);
    at += sizeof number;
  };
  std::uint64_t capacity = 0, levels = 0;
  take(capacity);
  QuantileSketch sketch(static_cast<std::size_t>(capacity));
  take(sketch.count_);
  take(sketch.rank_error_);
  take(levels);
  if (levels > 64) throw kx::Failure(kx::error::kHostFailure, "a damaged quantile summary");
  sketch.levels_.resize(static_cast<std::size_t>(levels));
  sketch.offsets_.resize(static_cast<std::size_t>(levels));
  for (std::size_t h = 0; h < levels; ++h) {
    std::uint64_t size = 0;
    take(size);
    take(sketch.offsets_[h]);
    if (size > (bytes.size() - at) / sizeof(double))
      throw kx::Failure(kx::error::kHostFailure, "a quantile summary cut short");
    sketch.levels_[h].resize(static_cast<std::size_t>(size));
    if (size > 0) std::memcpy(sketch.levels_[h].data(), bytes.data() + at, size * sizeof(double));
    at += size * sizeof(double);
  }
  if (sketch.levels_.empty()) {
    sketch.levels_.emplace_back();
    sketch.offsets_.push_back(0);
  }
  return sketch;
}

}  // namespace host
