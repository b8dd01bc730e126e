// The simulation loop: a model workbook recalculated once per iteration on several workers,
// each with its own copy of the workbook, its own components and its own generator, and the
// values of its inputs and outputs collected at every iteration.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "common/failure.hpp"
#include "common/object.hpp"
#include "host/document/book.hpp"
#include "host/formula/formula_engine.hpp"
#include <Eigen/Dense>

#include "host/simulation/collection.hpp"
#include "host/simulation/correlation_matrices.hpp"
#include "host/simulation/iteration_share.hpp"
#include "host/simulation/simulation_model.hpp"

namespace host {

enum class Sampling { Plain, LatinHypercube };

// How close the 95% interval of every output's mean must come: within plus or minus an amount,
// or a share of the mean.
struct Precision {
  double amount = 0;
  bool relative = false;
};

struct SimulationOptions {
  std::int64_t iterations = 10'000;
  // With a seed, every iteration draws from a stream fixed by the seed and its number, so the
  // results are the same for every thread count; without one, a seed is drawn.
  std::optional<std::uint64_t> seed;
  int threads = 1;
  Sampling sampling = Sampling::Plain;
  ModelOverrides overrides;
  // With a precision, the run stops at the first check where every output meets it, or at
  // `iterations`; checks fall after iteration counts fixed in advance.
  std::optional<Precision> precision;
  // A correlation matrix that kxCORREL reads and that is not valid stops the run, unless it
  // is to be replaced by the nearest valid one.
  bool fix_correlations = false;
  // Only these of the run's iterations: the result's collection holds them alone, from its
  // first. Latin hypercube strata still span all `iterations`, so shares merge into the run.
  std::optional<IterationRange> share;
  // Called with the model once it is known, before any iteration runs: a caller checks there
  // what it asks of the model's cells, so that a mistake does not wait for the run to end.
  std::function<void(const SimulationModel&)> check_model;
  // Iterations a worker computes together, each formula over all of them before the next; 1
  // recalculates the workbook once per iteration. Seeded results are the same for every size.
  std::int64_t evaluation_block = 256;
};

// Where each worker gets its own copy of the model and of the components.
struct ModelSource {
  std::function<std::shared_ptr<Book>()> workbook;
  std::function<std::vector<kx::ObjectRef>()> components;
};

struct SimulationProgress {
  std::int64_t done = 0;
  std::int64_t total = 0;  // of the share, when the run has one
  double seconds = 0;  // since the iterations started
};
using ProgressListener = std::function<void(const SimulationProgress&)>;

// A correlation matrix replaced for the run by the nearest valid one.
struct FixedCorrelations {
  std::string range;
  std::string problem;
  Eigen::MatrixXd asked;
  Eigen::MatrixXd used;
  double largest_change = 0;
};

struct SimulationResult {
  SimulationModel model;  // names and addresses (no sheets: the workers' workbooks are gone)
  Collection collection;
  std::uint64_t seed = 0;
  double seconds = 0;  // the iterations, from the start of the workers to the merged collection
  // The first failed call of each cell where one failed, on any worker (at most a few cells).
  std::vector<FormulaEngine::CellFailure> call_failures;
  // Every output's value with every input at its deterministic value, as a locked cell has it.
  std::vector<kx::Value> base_case;
  bool precision_met = false;  // a run to a precision stopped because every output met it
  std::vector<FixedCorrelations> fixed_correlations;
  std::vector<AskedCorrelation> asked_correlations;
};

// Where a run to a precision looks next, after `ran` iterations of at most `cap`: at counts that
// depend on the cap alone, so that a seeded run stops at the same iteration however it is split.
std::int64_t next_precision_check(std::int64_t ran, std::int64_t cap);

// Whether the 95% interval of every output's mean over the first `iterations` is within the precision.
bool within_precision(const Collection& collection, std::int64_t iterations, const Precision& precision);

// Adds a cell's failed call to those a run reports, unless the cell has one there already or
// the list is full: the first of each cell, whichever worker, block or rank found it.
void add_call_failure(std::vector<FormulaEngine::CellFailure>& known, const FormulaEngine::CellFailure& failure);

// A run whose out-of-process server is gone: every iteration after the loss would fail, so the
// workers stop at their next iteration or block and the run raises this. `failed` is the call
// that found the server gone.
class ServerLost : public kx::Failure {
 public:
  explicit ServerLost(FormulaEngine::CellFailure failed)
      : kx::Failure(failed.failure.number, failed.cell + ": " + failed.failure.message), failed_(std::move(failed)) {}
  const FormulaEngine::CellFailure& failed() const { return failed_; }

 private:
  FormulaEngine::CellFailure failed_;
};

// Runs the simulation. Raises kx::Failure with a one-line message for options or a model that
// cannot run (see prepare_model), ServerLost for a server lost during the run. `progress` is
// called now and then from the calling thread.
SimulationResult simulate(const ModelSource& source, const SimulationOptions& options,
                          const ProgressListener& progress = {});

}  // namespace host
