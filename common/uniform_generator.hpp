// The process-wide uniform generator that sampling and correlated uniforms draw from.
#pragma once

#include <cstdint>
#include <optional>
#include <pcg_random.hpp>

namespace kx {

class UniformGenerator {
 public:
  UniformGenerator();

  // Mixes fresh entropy into the current state: the clock, or in reproducible mode a call
  // counter. The state is kept, so two reseeds within one clock tick still differ.
  void reseed();
  // The next number, strictly inside (0, 1): never 0, so logarithms and inverse
  // distributions of a drawn number cannot fail.
  double next();

  // Reproducible mode: with a seed, the state restarts from it and every reseed mixes a
  // call counter instead of the clock, so a whole simulation repeats exactly.
  void set_fixed_seed(std::optional<std::uint64_t> seed);
  std::optional<std::uint64_t> fixed_seed() const { return fixed_seed_; }

 private:
  pcg64 engine_;
  std::optional<std::uint64_t> fixed_seed_;
  std::uint64_t reseeds_ = 0;
};

// The one generator of this process.
UniformGenerator& uniform_generator();

}  // namespace kx
