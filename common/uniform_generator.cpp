#include "common/uniform_generator.hpp"

#include <chrono>

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

double UniformGenerator::next() {
  // 53 random bits, centred in their cell of width 2^-53: the result lies in (0, 1).
  const std::uint64_t bits = engine_() >> 11;
  return (static_cast<double>(bits) + 0.5) * 0x1.0p-53;
}

void UniformGenerator::set_fixed_seed(std::optional<std::uint64_t> seed) {
  fixed_seed_ = seed;
  reseeds_ = 0;
  engine_.seed(mix(seed.value_or(clock_ticks())));
}

UniformGenerator& uniform_generator() {
  static UniformGenerator generator;
  return generator;
}

}  // namespace kx
