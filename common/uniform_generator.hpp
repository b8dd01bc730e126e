// The uniform generator that sampling and correlated uniforms draw from: one per thread, so
// that the workers of a simulation each own theirs and never share a state.
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
  double next() {
    const double u = raw();
    return strata_ == 0 ? u : stratified(u);
  }

  // Reproducible mode: with a seed, the state restarts from it and every reseed mixes a
  // call counter instead of the clock, so a whole simulation repeats exactly.
  void set_fixed_seed(std::optional<std::uint64_t> seed);
  std::optional<std::uint64_t> fixed_seed() const { return fixed_seed_; }

  // Starts one iteration of a simulation in reproducible mode. Its numbers depend only on the
  // seed and the iteration, never on which worker runs it or what it ran before.
  void start_iteration(std::uint64_t seed, std::uint64_t iteration);
  // Draws the started iteration's numbers again from its first, for a recalculation that
  // repeats its pass within the iteration (a spilled result changed shape): the repeat must
  // draw what the first pass drew. Does nothing outside an iteration.
  void restart_iteration();
  // Latin hypercube sampling over `iterations` iterations (0 turns it off): the k-th draw of
  // every iteration falls into its own one of `iterations` equal strata of (0, 1), the strata
  // of each k visited in a random order fixed by the seed of start_iteration.
  void stratify(std::uint64_t iterations);

 private:
  double raw() {
    // 53 random bits, centred in their cell of width 2^-53: the result lies in (0, 1).
    const std::uint64_t bits = engine_() >> 11;
    return (static_cast<double>(bits) + 0.5) * 0x1.0p-53;
  }
  double stratified(double u);

  pcg64 engine_;
  std::optional<std::uint64_t> fixed_seed_;
  std::uint64_t reseeds_ = 0;
  std::uint64_t strata_ = 0;     // iterations of the stratified run, 0 when not stratified
  std::uint64_t seed_ = 0;       // of the current iteration's run
  std::uint64_t iteration_ = 0;  // the current iteration
  std::uint64_t draws_ = 0;      // draws so far in the current iteration
  bool in_iteration_ = false;    // start_iteration set the state, and nothing has replaced it
};

// This thread's generator: the process-wide one of a single-threaded host, a worker's own in
// a simulation.
UniformGenerator& uniform_generator();

}  // namespace kx
