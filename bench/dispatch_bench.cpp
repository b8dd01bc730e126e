// Cost of a call through the automation layer against the same direct C++ call.
#include <benchmark/benchmark.h>

#include <vector>

#include "common/automation/binding.hpp"
#include "common/automation/dispatch.hpp"

namespace {

using kx::Value;

// Shaped like a sampling function: two numbers by value, a variant and a text by reference.
class Probe : public kx::Object {
 public:
  const kx::Interface* automation_interface() const override {
    static const kx::Interface interface = [] {
      kx::InterfaceBuilder<Probe> builder("Probe");
      builder.method<&Probe::Scale>("kxPROBE", {"Mean", "StDeviation", "corFactor", "ModeSheet"});
      return builder.build();
    }();
    return &interface;
  }

  double Scale(double mean, double sd, Value& factor, std::string& mode) {
    return mode.size() == 8 ? mean : mean + sd * (factor.is_number() ? factor.number() : 0.5);
  }
};

void BM_DirectCall(benchmark::State& state) {
  Probe probe;
  Value factor(0.25);
  std::string mode;
  double mean = 100;
  for (auto _ : state) {
    benchmark::DoNotOptimize(mean);
    benchmark::DoNotOptimize(probe.Scale(mean, 15, factor, mode));
  }
}
BENCHMARK(BM_DirectCall);

void BM_CallByName(benchmark::State& state) {
  Probe probe;
  std::vector<Value> arguments = {100.0, 15.0, 0.25, ""};
  for (auto _ : state) benchmark::DoNotOptimize(kx::call_by_name(probe, "kxPROBE", arguments));
}
BENCHMARK(BM_CallByName);

// The formula engine resolves a name once and keeps the member.
void BM_CallResolvedMember(benchmark::State& state) {
  Probe probe;
  const kx::Member& member = kx::find_member(probe, "kxPROBE");
  std::vector<Value> arguments = {100.0, 15.0, 0.25, ""};
  for (auto _ : state) benchmark::DoNotOptimize(kx::call_member(probe, member, arguments));
}
BENCHMARK(BM_CallResolvedMember);

void BM_CallByNameConvertingText(benchmark::State& state) {
  Probe probe;
  std::vector<Value> arguments = {"100", "15", 0.25, ""};
  for (auto _ : state) benchmark::DoNotOptimize(kx::call_by_name(probe, "kxPROBE", arguments));
}
BENCHMARK(BM_CallByNameConvertingText);

}  // namespace

BENCHMARK_MAIN();
