#include "host/simulation/streaming_summary.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/failure.hpp"

namespace host {

StreamingSummary::StreamingSummary(std::vector<double> targets)
    : targets_(std::move(targets)), at_or_below_(targets_.size(), 0) {}

void StreamingSummary::add(const Series& series) {
  failed_ += series.failed();
  auto failure = series.failures.begin();
  for (std::size_t i = 0; i < series.values.size(); ++i) {
    if (failure != series.failures.end() && failure->iteration == static_cast<std::int64_t>(i)) {
      ++failure;
      continue;
    }
    const double x = series.values[i];
    minimum_ = count_ == 0 ? x : std::min(minimum_, x);
    maximum_ = count_ == 0 ? x : std::max(maximum_, x);
    ++count_;
    const double delta = x - mean_;
    mean_ += delta / static_cast<double>(count_);
    squares_ += delta * (x - mean_);
    for (std::size_t t = 0; t < targets_.size(); ++t) at_or_below_[t] += x <= targets_[t] ? 1 : 0;
    sketch_.add(x);
  }
}

void StreamingSummary::merge(const StreamingSummary& other) {
  if (other.count_ == 0 || count_ == 0) {
    const std::int64_t failed = failed_ + other.failed_;
    if (count_ == 0) *this = other;
    failed_ = failed;
    return;
  }
  failed_ += other.failed_;
  const double n = static_cast<double>(count_), m = static_cast<double>(other.count_);
  const double delta = other.mean_ - mean_;
  mean_ += delta * m / (n + m);
  squares_ += other.squares_ + delta * delta * n * m / (n + m);
  count_ += other.count_;
  minimum_ = std::min(minimum_, other.minimum_);
  maximum_ = std::max(maximum_, other.maximum_);
  for (std::size_t t = 0; t < targets_.size() && t < other.at_or_below_.size(); ++t)
    at_or_below_[t] += other.at_or_below_[t];
  sketch_.merge(other.sketch_);
}

std::optional<double> StreamingSummary::std_dev() const {
  if (count_ < 2) return std::nullopt;
  return std::sqrt(std::max(0.0, squares_ / static_cast<double>(count_ - 1)));
}

std::vector<double> StreamingSummary::target_shares() const {
  std::vector<double> shares;
  for (const std::int64_t counted : at_or_below_)
    shares.push_back(count_ == 0 ? 0 : static_cast<double>(counted) / static_cast<double>(count_));
  return shares;
}

std::string StreamingSummary::bytes() const {
  std::string out;
  const auto put = [&out](auto number) { out.append(reinterpret_cast<const char*>(&number), sizeof number); };
  put(count_);
  put(failed_);
  put(mean_);
  put(squares_);
  put(minimum_);
  put(maximum_);
  put(static_cast<std::uint64_t>(targets_.size()));
  for (std::size_t t = 0; t < targets_.size(); ++t) {
    put(targets_[t]);
    put(at_or_below_[t]);
  }
  return out + sketch_.bytes();
}

StreamingSummary StreamingSummary::from_bytes(std::string_view bytes) {
  std::size_t at = 0;
  const auto take = [&](auto& number) {
    if (bytes.size() - at < sizeof number) throw kx::Failure(kx::error::kHostFailure, "a summary cut short");
    std::memcpy(&number, bytes.data() + at, sizeof number);
    at += sizeof number;
  };
  StreamingSummary summary;
  take(summary.count_);
  take(summary.failed_);
  take(summary.mean_);
  take(summary.squares_);
  take(summary.minimum_);
  take(summary.maximum_);
  std::uint64_t targets = 0;
  take(targets);
  if (targets > bytes.size()) throw kx::Failure(kx::error::kHostFailure, "a summary cut short");
  summary.targets_.resize(static_cast<std::size_t>(targets));
  summary.at_or_below_.resize(static_cast<std::size_t>(targets));
  for (std::size_t t = 0; t < targets; ++t) {
    take(summary.targets_[t]);
    take(summary.at_or_below_[t]);
  }
  summary.sketch_ = QuantileSketch::from_bytes(bytes.substr(at));
  return summary;
}

}  // namespace host
