// The multi-server queueing models in-process: kxMMS keeps its 60001-row state table.
#include <benchmark/benchmark.h>

#include <vector>

#include "common/automation/dispatch.hpp"
#include "host/document/spreadsheet.hpp"
#include "mktfn/frame/main.hpp"

namespace {

using kx::Value;

std::shared_ptr<mktfn::Main> started_main() {
  auto main = mktfn::Main::create();
  main->set_application(Value(kx::ObjectRef(host::Spreadsheet::create())));
  main->xlErrValue = 2015.0;
  return main;
}

void run(benchmark::State& state, const char* name, const std::vector<Value>& arguments) {
  const auto main = started_main();
  for (auto _ : state) {
    std::vector<Value> given = arguments;
    benchmark::DoNotOptimize(kx::call_by_name(*main, name, given));
  }
}

void BM_kxMMS(benchmark::State& state) { run(state, "kxMMS", {Value(9), Value(4), Value(3)}); }
BENCHMARK(BM_kxMMS)->Unit(benchmark::kMicrosecond);

void BM_kxMMS_WithChart(benchmark::State& state) {
  run(state, "kxMMS", {Value(45), Value(1), Value(50), Value(0), Value(true), Value::missing(), Value(true)});
}
BENCHMARK(BM_kxMMS_WithChart)->Unit(benchmark::kMicrosecond);

void BM_doArr_MMS(benchmark::State& state) {
  run(state, "doArr", {Value("MMS"), Value(2.25), Value(2.0), Value(3), Value(1.5), Value(2)});
}
BENCHMARK(BM_doArr_MMS)->Unit(benchmark::kMicrosecond);

void BM_kxMMSQ_LongestQueue(benchmark::State& state) {
  run(state, "kxMMSQ", {Value(6), Value(2), Value(3), Value(242)});
}
BENCHMARK(BM_kxMMSQ_LongestQueue)->Unit(benchmark::kMicrosecond);

void BM_kxDHMS(benchmark::State& state) { run(state, "kxDHMS", {Value(30.5)}); }
BENCHMARK(BM_kxDHMS);

}  // namespace

BENCHMARK_MAIN();
