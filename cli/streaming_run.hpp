// `kx simulate --summary streaming`: a run of any length in the memory of one block of
// iterations. Blocks run one after another and only their summaries are kept (mean, standard
// deviation, minimum, maximum, target shares, percentiles from a quantile sketch), so the report
// is approximate in its percentiles, by a rank error it states; it has no sensitivities.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/simulation/simulation.hpp"
#include "host/simulation/streaming_summary.hpp"

namespace cli {

struct SimulateOptions;

// What a streamed run keeps.
struct StreamedRun {
  host::SimulationModel model;
  std::vector<kx::Value> base_case;
  std::uint64_t seed = 0;
  std::vector<host::FormulaEngine::CellFailure> call_failures;
  std::vector<host::StreamingSummary> inputs;
  std::vector<host::StreamingSummary> outputs;
  double seconds = 0;
};

// The targets that apply to an output.
using OutputTargets = std::function<std::vector<double>(const host::ModelCell&)>;

// Iterations run at a time: the values of one block are all a streamed run holds.
inline constexpr std::int64_t kStreamBlock = 1'000'000;

// Runs the iterations of `range` in blocks and summarises them; `targets` gives each output
// the targets that apply to it, once the model is known.
StreamedRun stream_iterations(const host::ModelSource& source, host::SimulationOptions run, host::IterationRange range,
                              const OutputTargets& targets,
                              const host::ProgressListener& progress);

// Adds another share's summaries (of the same model) to `into`.
void merge_streamed(StreamedRun& into, const StreamedRun& other);

// The summaries as bytes, and back (for the ranks of an MPI run).
std::string streamed_bytes(const StreamedRun& run);
void add_streamed_bytes(StreamedRun& into, std::string_view bytes);

// Prints the streamed report of `options`; raises kx::Failure for options that need every value.
int run_streaming(const SimulateOptions& options, const std::string& model, const host::ModelSource& source,
                  host::SimulationOptions run);

}  // namespace cli
