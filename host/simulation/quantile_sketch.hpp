// A mergeable quantile summary of a stream of numbers, in memory that grows with the logarithm
// of their count: levels of at most `capacity` numbers, a number on level h standing for 2^h of
// the stream. A full level is sorted and every other number (alternately the first or the
// second) moves up a level. Each such halving of level h moves any number's estimated rank by at
// most 2^h, so the sketch counts the largest error its ranks can have, exactly; merged sketches
// add their bounds. With the default capacity a million numbers keep their ranks within about
// 0.1% of the count, a billion within about 0.2%.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace host {

class QuantileSketch {
 public:
  static constexpr std::size_t kDefaultCapacity = 8192;

  explicit QuantileSketch(std::size_t capacity = kDefaultCapacity);

  void add(double x);
  // Adds the other's numbers, as if they had come to this sketch.
  void merge(const QuantileSketch& other);

  std::int64_t count() const { return count_; }
  // The most by which the rank of any number in the sketch can be off, in numbers.
  std::int64_t rank_error() const { return rank_error_; }
  // The number whose estimated rank, from 0, is `rank` (0 .. count-1); the sketch must not be
  // empty. Its true rank is within rank_error() of it.
  double at_rank(double rank) const;
  // The k-th percentile (0..100) as the spreadsheet's PERCENTILE places it: at rank k/100*(n-1).
  double percentile(double k) const;

  // The sketch as bytes, and back; the latter raises kx::Failure for bytes that are no sketch.
  std::string bytes() const;
  static QuantileSketch from_bytes(std::string_view bytes);

 private:
  void compact(std::size_t level);

  std::size_t capacity_;
  std::int64_t count_ = 0;
  std::int64_t rank_error_ = 0;
  std::vector<std::vector<double>> levels_;
  std::vector<std::uint8_t> offsets_;  // per level: which of each pair the next halving keeps
};

}  // namespace host
