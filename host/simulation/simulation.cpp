#include "host/simulation/simulation.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <iterator>
#include <mutex>
#include <random>
#include <span>
#include <thread>

#include "common/failure.hpp"
#include "common/uniform_generator.hpp"
#include "host/formula/block_recalculation.hpp"
#include "host/simulation/confidence_intervals.hpp"
#include "host/simulation/correlation_matrices.hpp"
#include "host/simulation/run_limits.hpp"
#include "host/session/session.hpp"

namespace host {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kProgressInterval = std::chrono::milliseconds(100);
// Enough blocks per worker to even out their speeds, few enough to keep each block's overhead small.
constexpr std::int64_t kBlocksPerWorker = 64;
constexpr std::int64_t kLargestBlock = 16384;
// Iterations a worker computes together at most: a block's values of every cell and its
// generators stay in the caches, and a block size asked for by mistake cannot exhaust memory.
constexpr std::int64_t kLargestEvaluationBlock = 4096;
// A run to a precision first looks after this many iterations, then after every quarter more.
constexpr std::int64_t kFirstPrecisionCheck = 1000;

[[noreturn]] void fail(const std::string& message) { throw kx::Failure(kx::error::kHostFailure, message); }

// The iterations of one block of a run where a cell held no number, by cell.
struct BlockFailures {
  std::int64_t first = 0;
  std::vector<std::vector<FailedIteration>> inputs;
  std::vector<std::vector<FailedIteration>> outputs;
};

// One worker: its own session with the model open, and the iterations it runs.
class Worker {
 public:
  Worker(const ModelSource& source, const ModelOverrides& overrides) : session_(source.components()) {
    const std::shared_ptr<Book> book = source.workbook();
    apply_settings(*book, overrides.set);
    session_.open(book);
    model_ = prepare_model(session_.engine(), overrides);
    for (const ModelCell& cell : model_.inputs) inputs_.push_back(cell_of(cell));
    for (const ModelCell& cell : model_.outputs) outputs_.push_back(cell_of(cell));
  }

  const SimulationModel& model() const { return model_; }
  FormulaEngine& engine() { return session_.engine(); }
  const std::vector<FormulaEngine::CellFailure>& call_failures() { return session_.engine().call_failures(); }
  // The call that found the worker's server gone, if one did.
  const FormulaEngine::CellFailure* lost_server() {
    for (const auto& failed : call_failures()) {
      if (failed.failure.number == kx::error::kServerUnavailable) return &failed;
    }
    return nullptr;
  }
  std::vector<kx::Value> output_values() const {
    std::vector<kx::Value> values;
    for (const Cell* cell : outputs_) values.push_back(cell ? cell->value : kx::Value());
    return values;
  }

  // Runs iterations first .. first+count-1 and writes their values into `into`, sized for the
  // whole run, adding each to `done` for the progress line. Stops early once `stop` is set, and
  // sets it when its own server is found gone.
  BlockFailures run(std::int64_t first, std::int64_t count, const SimulationOptions& options, std::uint64_t seed,
                    Collection& into, std::atomic<std::int64_t>& done, std::atomic<bool>& stop) {
    BlockFailures failures{first, std::vector<std::vector<FailedIteration>>(inputs_.size()),
                           std::vector<std::vector<FailedIteration>>(outputs_.size())};
    const std::uint64_t strata =
        options.sampling == Sampling::LatinHypercube ? static_cast<std::uint64_t>(options.iterations) : 0;
    kx::UniformGenerator& generator = kx::uniform_generator();
    generator.stratify(strata);
    FormulaEngine& engine = session_.engine();
    const std::int64_t block = std::min(options.evaluation_block, kLargestEvaluationBlock);
    if (!block_bound_ && block > 1) {
      blocks_ = BlockRecalculation::bind(engine, static_cast<std::size_t>(block));
      if (blocks_) {
        for (const ModelCell& cell : model_.inputs)
          input_slots_.push_back(blocks_->slot_of(cell.sheet, cell.row, cell.column));
        for (const ModelCell& cell : model_.outputs)
          output_slots_.push_back(blocks_->slot_of(cell.sheet, cell.row, cell.column));
      }
    }
    block_bound_ = true;
    for (std::int64_t i = first; i < first + count;) {
      if (stop.load(std::memory_order_relaxed)) break;
      if (lost_server()) {
        stop = true;
        break;
      }
      if (blocks_) {
        const std::int64_t n = std::min(block, first + count - i);
        if (blocks_->run(seed, static_cast<std::uint64_t>(i), static_cast<std::size_t>(n), strata)) {
          record_block(i, n, into, failures);
          i += n;
          done.store(done.load(std::memory_order_relaxed) + n, std::memory_order_relaxed);
          continue;
        }
        // A spill moved, which changes what reads what: from here on each iteration alone.
        blocks_.reset();
        generator.stratify(strata);
      }
      generator.start_iteration(seed, static_cast<std::uint64_t>(i));
      engine.recalculate();
      const auto at = static_cast<std::size_t>(i);
      for (std::size_t k = 0; k < inputs_.size(); ++k)
        into.inputs[k].record_at(at, inputs_[k]->value, failures.inputs[k]);
      for (std::size_t k = 0; k < outputs_.size(); ++k)
        into.outputs[k].record_at(at, outputs_[k]->value, failures.outputs[k]);
      done.store(done.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
      ++i;
    }
    generator.stratify(0);
    return failures;
  }

 private:
  // A formula cell of the model: it exists, and the sheet's cells keep their places.
  const Cell* cell_of(const ModelCell& cell) const { return cell.sheet->find(cell.row, cell.column); }

  // The values of iterations first .. first+n-1 that the block computed.
  void record_block(std::int64_t first, std::int64_t n, Collection& into, BlockFailures& failures) const {
    const auto record = [&](Series& series, const std::optional<std::size_t>& slot, const Cell* cell,
                            std::vector<FailedIteration>& failed) {
      for (std::int64_t i = 0; i < n; ++i) {
        const auto at = static_cast<std::size_t>(first + i);
        const auto in_block = static_cast<std::size_t>(i);
        if (!slot) {
          series.record_at(at, cell->value, failed);
        } else if (blocks_->is_number(*slot, in_block)) {
          series.values[at] = blocks_->number(*slot, in_block);
        } else {
          series.record_at(at, blocks_->value(*slot, in_block), failed);
        }
      }
    };
    for (std::size_t k = 0; k < inputs_.size(); ++k)
      record(into.inputs[k], input_slots_[k], inputs_[k], failures.inputs[k]);
    for (std::size_t k = 0; k < outputs_.size(); ++k)
      record(into.outputs[k], output_slots_[k], outputs_[k], failures.outputs[k]);
  }

  Session session_;
  SimulationModel model_;
  std::vector<const Cell*> inputs_;
  std::vector<const Cell*> outputs_;
  // Bound at the first run, once the workbook has been recalculated; null where each
  // iteration is recalculated alone.
  bool block_bound_ = false;
  std::unique_ptr<BlockRecalculation> blocks_;
  std::vector<std::optional<std::size_t>> input_slots_;
  std::vector<std::optional<std::size_t>> output_slots_;
};

// Each worker's count of finished iterations, on a cache line of its own.
struct alignas(64) DoneCount {
  std::atomic<std::int64_t> iterations{0};
};

// The outputs of the model with every input locked.
std::vector<kx::Value> base_case(const ModelSource& source, ModelOverrides overrides) {
  overrides.lock_every_input = true;
  return Worker(source, overrides).output_values();
}

// Each series' failures from the blocks run so far, in iteration order.
void gather_failures(const std::vector<std::vector<BlockFailures>>& blocks, Collection& collection) {
  std::vector<const BlockFailures*> all_blocks;
  for (const auto& of_worker : blocks) {
    for (const BlockFailures& block : of_worker) all_blocks.push_back(&block);
  }
  std::sort(all_blocks.begin(), all_blocks.end(),
            [](const BlockFailures* a, const BlockFailures* b) { return a->first < b->first; });
  for (auto* cells : {&collection.inputs, &collection.outputs}) {
    for (Series& series : *cells) series.failures.clear();
  }
  for (const BlockFailures* block : all_blocks) {
    for (std::size_t k = 0; k < block->inputs.size(); ++k) {
      auto& into = collection.inputs[k].failures;
      into.insert(into.end(), block->inputs[k].begin(), block->inputs[k].end());
    }
    for (std::size_t k = 0; k < block->outputs.size(); ++k) {
      auto& into = collection.outputs[k].failures;
      into.insert(into.end(), block->outputs[k].begin(), block->outputs[k].end());
    }
  }
}


// Keeps of each series only a share's values, written at their iteration's numbers.
void keep_share(Collection& collection, const IterationRange& range) {
  const auto first = static_cast<std::ptrdiff_t>(range.first);
  for (auto* cells : {&collection.inputs, &collection.outputs}) {
    for (Series& series : *cells) {
      series.values = boost::container::vector<double>(series.values.begin() + first, series.values.end());
      for (FailedIteration& failure : series.failures) failure.iteration -= range.first;
    }
  }
  collection.first_iteration = range.first;
  collection.iterations = range.count;
}

std::uint64_t drawn_seed() {
  std::random_device device;
  return (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

}  // namespace

std::int64_t next_precision_check(std::int64_t ran, std::int64_t cap) {
  return std::min(cap, ran == 0 ? kFirstPrecisionCheck : ran + std::max<std::int64_t>(1, ran / 4));
}

bool within_precision(const Collection& collection, std::int64_t iterations, const Precision& precision) {
  for (const Series& output : collection.outputs) {
    std::span<const double> numbers(output.values.data(), static_cast<std::size_t>(iterations));
    std::vector<double> kept;
    if (!output.failures.empty()) {
      auto failure = output.failures.begin();
      for (std::int64_t i = 0; i < iterations; ++i) {
        if (failure != output.failures.end() && failure->iteration == i) {
          ++failure;
        } else {
          kept.push_back(numbers[static_cast<std::size_t>(i)]);
        }
      }
      numbers = kept;
    }
    const auto interval = mean_interval95(numbers);
    if (!interval) return false;
    const double half = (interval->high - interval->low) / 2;
    const double allowed = precision.relative ? precision.amount * std::abs((interval->high + interval->low) / 2)
                                              : precision.amount;
    if (!(half <= allowed)) return false;
  }
  return true;
}

void add_call_failure(std::vector<FormulaEngine::CellFailure>& known, const FormulaEngine::CellFailure& failure) {
  const bool listed = std::any_of(known.begin(), known.end(),
                                  [&](const FormulaEngine::CellFailure& one) { return one.cell == failure.cell; });
  if (!listed && known.size() < FormulaEngine::kMostCallFailures) known.push_back(failure);
}

SimulationResult simulate(const ModelSource& source, const SimulationOptions& options,
                          const ProgressListener& progress) {
  if (options.iterations <= 0)
    fail("the number of iterations must be positive, not " + std::to_string(options.iterations));
  if (options.threads <= 0) fail("the number of threads must be positive, not " + std::to_string(options.threads));
  // Latin hypercube strata span the whole run: one stopped early would not be stratified.
  if (options.precision && options.sampling == Sampling::LatinHypercube)
    fail("a run to a precision needs plain sampling: Latin hypercube sampling stratifies a fixed number of iterations");
  if (options.precision && !(options.precision->amount > 0))
    fail("the precision must be positive");
  // Each share would stop at its own round: the run's stopping point needs every output's values.
  if (options.precision && options.share)
    fail("a run to a precision cannot be split into shares: it stops once all its iterations meet it");
  const IterationRange range = options.share.value_or(IterationRange{0, options.iterations});
  if (range.first < 0 || range.count <= 0 || range.first > options.iterations - range.count)
    fail("the share of iterations " + std::to_string(range.first) + " to " +
         std::to_string(range.first + range.count - 1) + " is not within the run's " +
         std::to_string(options.iterations));

  SimulationResult result;
  result.seed = options.seed.value_or(drawn_seed());
  const int threads = static_cast<int>(std::min<std::int64_t>({options.threads, range.count, kMostWorkers}));

  // The first worker is set up here, so that a model that cannot run fails before any thread starts.
  std::vector<std::unique_ptr<Worker>> workers(static_cast<std::size_t>(threads));
  ModelOverrides overrides = options.overrides;
  workers[0] = std::make_unique<Worker>(source, overrides);
  for (const CorrelationMatrix& matrix : correlation_matrices(workers[0]->engine())) {
    const auto problem = correlation_problem(matrix);
    if (!problem) continue;
    const bool repairable = matrix.values.rows() == matrix.values.cols() && !matrix.values.hasNaN();
    if (!options.fix_correlations || !repairable) {
      fail("the correlation matrix " + matrix.range + ": " + *problem +
           (repairable ? "; --fix-correlations runs with the nearest valid one" : ""));
    }
    FixedCorrelations fixed{matrix.range, *problem, matrix.values, nearest_correlation(matrix.values), 0};
    fixed.largest_change = (fixed.used - fixed.asked).cwiseAbs().maxCoeff();
    const auto settings = settings_of(matrix, fixed.used);
    overrides.set.insert(overrides.set.end(), settings.begin(), settings.end());
    result.fixed_correlations.push_back(std::move(fixed));
  }
  // Every worker, the first too, runs with the repaired matrices in its cells.
  if (!result.fixed_correlations.empty()) workers[0] = std::make_unique<Worker>(source, overrides);
  result.model = workers[0]->model();
  result.asked_correlations = asked_correlations(correlation_matrices(workers[0]->engine()), result.model);
  // The caller's checks first: theirs may name its own limits.
  if (options.check_model) options.check_model(result.model);
  check_memory_for(range.count, result.model.inputs.size() + result.model.outputs.size());
  result.base_case = base_case(source, overrides);
  // The workers' workbooks go with them; the result names cells by their addresses only.
  for (auto* cells : {&result.model.inputs, &result.model.outputs, &result.model.locked}) {
    for (ModelCell& cell : *cells) cell.sheet = nullptr;
  }

  const Clock::time_point start = Clock::now();
  std::vector<DoneCount> done(workers.size());
  // Workers take blocks of consecutive iterations as they finish the last one, so that a worker
  // that runs slower (a busier core) does not hold up the others. What an iteration draws
  // depends only on its number, so the split does not change the results.
  const std::int64_t block_size =
      std::clamp<std::int64_t>(range.count / (threads * kBlocksPerWorker), 1, kLargestBlock);
  // Every value is written in place, by whichever worker runs its iteration: nothing is copied
  // once the run ends. Values go at their iteration's number; a share's are moved to the front
  // afterwards (the pages before the share are never touched, so they take no memory).
  const std::int64_t end = range.first + range.count;
  Collection& collection = result.collection;
  collection.iterations = end;
  collection.inputs.resize(result.model.inputs.size());
  collection.outputs.resize(result.model.outputs.size());
  for (auto* cells : {&collection.inputs, &collection.outputs}) {
    for (Series& series : *cells)
      series.values.resize(static_cast<std::size_t>(end), boost::container::default_init);
  }
  std::vector<std::vector<BlockFailures>> blocks(workers.size());
  std::vector<std::exception_ptr> failures(workers.size());
  std::atomic<bool> server_lost{false};

  // Runs iterations from .. to-1 on every worker and returns once all are done.
  const auto run_iterations = [&](std::int64_t from, std::int64_t to) {
    const std::int64_t block_count = (to - from) / block_size + ((to - from) % block_size != 0);
    std::atomic<std::int64_t> next_block{0};
    std::mutex finished_mutex;
    std::condition_variable finished_signal;
    int finished = 0;
    std::vector<std::jthread> running;
    for (std::size_t w = 0; w < workers.size(); ++w) {
      running.emplace_back([&, w] {
        try {
          if (!workers[w]) workers[w] = std::make_unique<Worker>(source, overrides);
          for (std::int64_t block; (block = next_block.fetch_add(1)) < block_count;) {
            const std::int64_t first = from + block * block_size;
            const std::int64_t count = std::min(block_size, to - first);
            blocks[w].push_back(
                workers[w]->run(first, count, options, result.seed, collection, done[w].iterations, server_lost));
          }
        } catch (...) {
          failures[w] = std::current_exception();
          next_block = block_count;  // the others stop after their current block
        }
        const std::lock_guard lock(finished_mutex);
        ++finished;
        finished_signal.notify_all();
      });
    }
    const auto report = [&] {
      if (!progress) return;
      SimulationProgress now{0, range.count, std::chrono::duration<double>(Clock::now() - start).count()};
      for (const DoneCount& count : done) now.done += count.iterations.load(std::memory_order_relaxed);
      progress(now);
    };
    {
      std::unique_lock lock(finished_mutex);
      while (!finished_signal.wait_for(lock, kProgressInterval, [&] { return finished == threads; })) {
        lock.unlock();
        report();
        lock.lock();
      }
    }
    running.clear();
    for (const auto& failure : failures) {
      if (failure) std::rethrow_exception(failure);
    }
    for (const auto& worker : workers) {
      if (const FormulaEngine::CellFailure* lost = worker ? worker->lost_server() : nullptr) throw ServerLost(*lost);
    }
    gather_failures(blocks, collection);
  };

  if (!options.precision) {
    run_iterations(range.first, end);
    if (range.first > 0) keep_share(collection, range);
  } else {
    // Checked after rounds whose ends depend on the iteration count alone, so that a seeded run
    // stops at the same iteration for every thread count.
    std::int64_t ran = 0;
    for (std::int64_t next = next_precision_check(0, options.iterations);;
         next = next_precision_check(next, options.iterations)) {
      run_iterations(ran, next);
      ran = next;
      result.precision_met = within_precision(collection, ran, *options.precision);
      if (result.precision_met || ran == options.iterations) break;
    }
    collection.iterations = ran;
    for (auto* cells : {&collection.inputs, &collection.outputs}) {
      for (Series& series : *cells) series.values.resize(static_cast<std::size_t>(ran));
    }
  }
  for (const auto& worker : workers) {
    for (const auto& failure : worker->call_failures()) add_call_failure(result.call_failures, failure);
  }
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return result;
}

}  // namespace host
