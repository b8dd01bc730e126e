// A simulation across the ranks of an MPI run (`mpirun -np N kx simulate …`): every rank loads
// the model and runs an equal share of the iterations on its threads; rank 0 gathers every value
// and reports. What an iteration draws depends only on the seed and its number, so the report is
// the one a single process gives.
#pragma once

#include <optional>
#include <stdexcept>

#include "cli/streaming_run.hpp"
#include "host/simulation/simulation.hpp"

namespace cli {

struct Ranks {
  int rank = 0;
  int size = 1;
};

// This process's place in the run its MPI launcher (mpirun, srun) started, as the launcher puts
// it in the environment; rank 0 of 1 when no launcher started it.
Ranks launched_ranks();

// A failure already said on standard error.
struct FailureSaid : std::runtime_error {
  FailureSaid() : std::runtime_error("") {}
};

// Runs this rank's share of the iterations, with the progress bar on rank 0. Rank 0 returns the
// result of the whole run, the others none. A rank that fails, in loading the model or in the
// run, ends the run on every rank: rank 0 says "rank R: reason" and every rank raises
// FailureSaid. Raises kx::Failure when this kx was built without MPI.
std::optional<host::SimulationResult> simulate_across_ranks(const host::ModelSource& source,
                                                            host::SimulationOptions options);

// The same for a streamed run: rank 0 returns the merged summaries of every rank's share.
std::optional<StreamedRun> stream_across_ranks(const host::ModelSource& source, host::SimulationOptions options,
                                               const OutputTargets& targets);

}  // namespace cli
