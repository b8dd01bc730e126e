// The gather at the end of a simulation across MPI ranks: every output's values of every rank's
// share into rank 0's series, in place, as `kx simulate` under mpirun gathers them. Run it under
// mpirun (`mpirun -np 2 build/bench/mpi_gather_bench`); every rank runs the same fixed number of
// gathers, and rank 0 reports.
#include <benchmark/benchmark.h>
#include <mpi.h>

#include <cstdint>
#include <vector>

namespace {

void BM_GatherOutputs(benchmark::State& state) {
  const auto iterations = static_cast<std::int64_t>(state.range(0));
  const int outputs = 3;
  int rank = 0, size = 1;
  MPI_Comm_rank(MPI_COMM_WORLD, &rank);
  MPI_Comm_size(MPI_COMM_WORLD, &size);
  std::vector<int> counts, places;
  for (int r = 0; r < size; ++r) {
    places.push_back(static_cast<int>(iterations * r / size));
    counts.push_back(static_cast<int>(iterations * (r + 1) / size) - places.back());
  }
  std::vector<std::vector<double>> series(outputs);
  for (auto& values : series) values.assign(static_cast<std::size_t>(rank == 0 ? iterations : counts[rank]), 1.0);
  for (auto _ : state) {
    MPI_Barrier(MPI_COMM_WORLD);
    for (auto& values : series) {
      if (rank == 0) {
        MPI_Gatherv(MPI_IN_PLACE, 0, MPI_DOUBLE, values.data(), counts.data(), places.data(), MPI_DOUBLE, 0,
                    MPI_COMM_WORLD);
      } else {
        MPI_Gatherv(values.data(), counts[rank], MPI_DOUBLE, nullptr, nullptr, nullptr, MPI_DOUBLE, 0, MPI_COMM_WORLD);
      }
    }
  }
  state.counters["ranks"] = size;
}
// A fixed count: every rank must make the same collective calls.
BENCHMARK(BM_GatherOutputs)->ArgName("iterations")->Arg(1'000'000)->Iterations(20)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  MPI_Init(&argc, &argv);
  int rank = 0;
  MPI_Comm_rank(MPI_COMM_WORLD, &rank);
  benchmark::Initialize(&argc, argv);
  // Only rank 0 reports; the others run the same gathers silently.
  struct Silent : benchmark::BenchmarkReporter {
    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>&) override {}
  } silent;
  if (rank == 0) {
    benchmark::RunSpecifiedBenchmarks();
  } else {
    benchmark::RunSpecifiedBenchmarks(&silent);
  }
  MPI_Finalize();
  return 0;
}
