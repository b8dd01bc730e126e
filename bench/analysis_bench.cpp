// Cost of the analysis functions over simulation results: kxOPTNUM and kxHISTO over 1,000,000
// results given as an array (as the add-in passes collected results) and as a column of
// cells, and one set of correlated uniforms from a 10 x 10 matrix.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "host/document/book.hpp"
#include "host/document/sheet.hpp"
#include "host/document/spreadsheet.hpp"
#include "riskfn/frame/main.hpp"

namespace {

using kx::Value;

struct Analysis {
  std::shared_ptr<host::Spreadsheet> spreadsheet = host::Spreadsheet::create();
  std::shared_ptr<riskfn::Main> main = riskfn::Main::create();
  Analysis() { main->set_application(Value(kx::ObjectRef(spreadsheet))); }
};
Analysis& analysis() {
  static Analysis shared;
  return shared;
}

std::vector<double> simulated_results(std::size_t count) {
  std::mt19937_64 engine(42);
  std::lognormal_distribution<double> lognormal(4.0, 0.5);
  std::vector<double> results(count);
  for (double& x : results) x = lognormal(engine);
  return results;
}

Value results_array(std::size_t count) {
  const auto numbers = simulated_results(count);
  return kx::Array::vector(std::vector<Value>(numbers.begin(), numbers.end()), 1);
}

Value results_column(std::size_t count) {
  static int books = 0;
  auto sheet = analysis().spreadsheet->add_book("results" + std::to_string(++books))->add_sheet("Sheet1");
  const auto numbers = simulated_results(count);
  for (std::size_t i = 0; i < count; ++i) sheet->set_value(static_cast<std::int32_t>(i + 1), 1, numbers[i]);
  return Value(sheet->range("A1:A" + std::to_string(count)));
}

// A SelectionLimit of 0 never settles on noisy results, so the whole series is followed.
void run_count(benchmark::State& state, Value results) {
  Value periods = 20.0;
  Value limit = 0.0;
  for (auto _ : state) benchmark::DoNotOptimize(analysis().main->kxOPTNUM(results, periods, limit));
}

void histogram(benchmark::State& state, Value values) {
  Value classes = 21.0;
  Value labels = 1.0;
  for (auto _ : state) benchmark::DoNotOptimize(analysis().main->kxHISTO(values, classes, labels));
}

void BM_OptNumArray(benchmark::State& state) { run_count(state, results_array(1000000)); }
void BM_OptNumColumn(benchmark::State& state) { run_count(state, results_column(1000000)); }
void BM_HistoArray(benchmark::State& state) { histogram(state, results_array(1000000)); }
void BM_HistoColumn(benchmark::State& state) { histogram(state, results_column(1000000)); }

// A 10 x 10 matrix with correlation 0.6^|i - j|, positive definite.
void BM_Correl10x10(benchmark::State& state) {
  kx::Array matrix(10, 10);
  for (std::size_t i = 0; i < 10; ++i) {
    for (std::size_t j = 0; j < 10; ++j) {
      matrix.at(i, j) = std::pow(0.6, std::fabs(static_cast<double>(i) - static_cast<double>(j)));
    }
  }
  Value correlations(std::move(matrix));
  for (auto _ : state) benchmark::DoNotOptimize(analysis().main->kxCORREL(correlations));
}

}  // namespace

BENCHMARK(BM_OptNumArray)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OptNumColumn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoArray)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoColumn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Correl10x10)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
