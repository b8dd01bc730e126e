// Round trips to the mktfn server program: a small call (kxDHMS), one that asks the host back
// (kxMMS needs Fact), and one with a range argument.
#include <benchmark/benchmark.h>

#include <vector>

#include "common/automation/dispatch.hpp"
#include "host/document/spreadsheet.hpp"
#include "mktfn/client/connection.hpp"

namespace {

using kx::Value;

void run(benchmark::State& state, const char* name, const std::vector<Value>& arguments) {
  const auto connection = mktfn::client::Connection::start(KX_MKTFN_SERVER);
  const kx::ObjectRef main = connection->create_object("Main");
  auto application = host::Spreadsheet::create();
  kx::set_property(*main, "Application", Value(kx::ObjectRef(application)));
  kx::set_property(*main, "xlErrValue", Value(2015));
  for (auto _ : state) {
    std::vector<Value> given = arguments;
    benchmark::DoNotOptimize(kx::call_by_name(*main, name, given));
  }
}

void BM_Server_kxDHMS(benchmark::State& state) { run(state, "kxDHMS", {Value(30.5)}); }
BENCHMARK(BM_Server_kxDHMS)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();

void BM_Server_kxMMS(benchmark::State& state) { run(state, "kxMMS", {Value(9), Value(4), Value(3)}); }
BENCHMARK(BM_Server_kxMMS)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();

void BM_Server_kxMD1_Ranges(benchmark::State& state) {
  auto book = host::Book::create("bench");
  auto sheet = book->add_sheet("Sheet1");
  sheet->set_value(1, 1, 2.0);
  sheet->set_value(1, 2, 0.25);
  run(state, "kxMD1", {Value(sheet->range("A1")), Value(sheet->range("B1"))});
}
BENCHMARK(BM_Server_kxMD1_Ranges)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();

}  // namespace

BENCHMARK_MAIN();
