#include "common/uniform_generator.hpp"

#include <chrono>
#include <cmath>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace kx {
namespace {

// SplitMix64's finaliser: spreads every input bit over the whole word.
std::uint64_t mix(std::uint64_t x) {
  x += 0x9e3779b97f4a7c15ULL;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

// The processor's time-stamp counter where there is one: a reseed happens at every sampling
// call, and reading it costs a few nanoseconds against some twenty for the system clock.
std::uint64_t clock_ticks() {
#if defined(__x86_64__) || defined(__i386__)
  return __rdtsc();
#else
  return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
#endif
}

// A random permutation of 0 .. size-1 chosen by `key`, evaluated at one point without storing
// it: a balanced Feistel network on the smallest even number of bits that covers size, walked
// again from its own output until the result falls below size (at most four steps on average).
std::uint64_t permuted(std::uint64_t index, std::uint64_t size, std::uint64_t key) {
  int half_bits = 1;
  while ((std::uint64_t{1} << (2 * half_bits)) < size) ++half_bits;
  const std::uint64_t mask = (std::uint64_t{1} << half_bits) - 1;
  do {
    std::uint64_t left = index >> half_bits;
    std::uint64_t right = index & mask;
    for (std::uint64_t round = 0; round < 4; ++round) {
      const std::uint64_t next = left ^ (mix(key + round * 0x632be59bd9b4e019ULL + right) & mask);
      left = right;
      right = next;
    }
    index = (left << half_bits) | right;
  } while (index >= size);
  return index;
}

}  // namespace

UniformGenerator::UniformGenerator() : engine_(mix(clock_ticks())) {}

void UniformGenerator::reseed() {
  ++reseeds_;
  const std::uint64_t entropy = fixed_seed_ ? reseeds_ : clock_ticks();
  const std::uint64_t high = engine_();
  const std::uint64_t low = engine_();
  const pcg_extras::pcg128_t state = (pcg_extras::pcg128_t(mix(high ^ entropy)) << 64) | mix(low + entropy);
  engine_.seed(state);
}

void UniformGenerator::set_fixed_seed(std::optional<std::uint64_t> seed) {
  fixed_seed_ = seed;
  reseeds_ = 0;
  in_iteration_ = false;
  engine_.seed(mix(seed.value_or(clock_ticks())));
}

void UniformGenerator::start_iteration(std::uint64_t seed, std::uint64_t iteration) {
  seed_ = seed;
  iteration_ = iteration;
  draws_ = 0;
  set_fixed_seed(mix(seed) ^ mix(iteration + 0x5851f42d4c957f2dULL));
  in_iteration_ = true;
}

void UniformGenerator::restart_iteration() {
  if (in_iteration_) start_iteration(seed_, iteration_);
}

void UniformGenerator::stratify(std::uint64_t iterations) { strata_ = iterations; }

double UniformGenerator::stratified(double u) {
  const std::uint64_t key = mix(seed_ ^ mix(draws_++));
  const auto stratum = static_cast<double>(permuted(iteration_ % strata_, strata_, key));
  const double x = (stratum + u) / static_cast<double>(strata_);
  // Rounding may carry the top stratum's largest numbers up to 1 itself.
  return x < 1.0 ? x : std::nextafter(1.0, 0.0);
}

UniformGenerator& uniform_generator() {
  // The components are linked in when a program starts, never loaded later, so their thread's
  // generator can sit in the static thread storage: every draw then finds it without a call.
  [[gnu::tls_model("initial-exec")]] static thread_local UniformGenerator generator;
  return generator;
}

}  // namespace kx
