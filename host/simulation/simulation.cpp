#include "host/simulation/simulation.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <iterator>
#include <mutex>
#include <random>
#include <thread>

#include "common/failure.hpp"
#include "common/uniform_generator.hpp"
#include "host/session/session.hpp"

namespace host {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kProgressInterval = std::chrono::milliseconds(100);
// Enough blocks per worker to even out their speeds, few enough to keep each block's overhead small.
constexpr std::int64_t kBlocksPerWorker = 64;
constexpr std::int64_t kLargestBlock = 16384;

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
  explicit Worker(const ModelSource& source) : session_(source.components()) {
    session_.open(source.workbook());
    model_ = prepare_model(session_.engine());
    for (const ModelCell& cell : model_.inputs) inputs_.push_back(cell_of(cell));
    for (const ModelCell& cell : model_.outputs) outputs_.push_back(cell_of(cell));
  }

  const SimulationModel& model() const { return model_; }
  const std::vector<FormulaEngine::CellFailure>& call_failures() { return session_.engine().call_failures(); }

  // Runs iterations first .. first+count-1 and writes their values into `into`, sized for the
  // whole run, adding each to `done` for the progress line.
  BlockFailures run(std::int64_t first, std::int64_t count, const SimulationOptions& options, std::uint64_t seed,
                    Collection& into, std::atomic<std::int64_t>& done) {
    BlockFailures failures{first, std::vector<std::vector<FailedIteration>>(inputs_.size()),
                           std::vector<std::vector<FailedIteration>>(outputs_.size())};
    kx::UniformGenerator& generator = kx::uniform_generator();
    generator.stratify(options.sampling == Sampling::LatinHypercube ? static_cast<std::uint64_t>(options.iterations)
                                                                    : 0);
    FormulaEngine& engine = session_.engine();
    for (std::int64_t i = first; i < first + count; ++i) {
      generator.start_iteration(seed, static_cast<std::uint64_t>(i));
      engine.recalculate();
      const auto at = static_cast<std::size_t>(i);
      for (std::size_t k = 0; k < inputs_.size(); ++k)
        into.inputs[k].record_at(at, inputs_[k]->value, failures.inputs[k]);
      for (std::size_t k = 0; k < outputs_.size(); ++k)
        into.outputs[k].record_at(at, outputs_[k]->value, failures.outputs[k]);
      done.store(done.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    }
    generator.stratify(0);
    return failures;
  }

 private:
  // A formula cell of the model: it exists, and the sheet's cells keep their places.
  const Cell* cell_of(const ModelCell& cell) const { return cell.sheet->find(cell.row, cell.column); }

  Session session_;
  SimulationModel model_;
  std::vector<const Cell*> inputs_;
  std::vector<const Cell*> outputs_;
};

// Each worker's count of finished iterations, on a cache line of its own.
struct alignas(64) DoneCount {
  std::atomic<std::int64_t> iterations{0};
};

std::uint64_t drawn_seed() {
  std::random_device device;
  return (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

}  // namespace

SimulationResult simulate(const ModelSource& source, const SimulationOptions& options,
                          const ProgressListener& progress) {
  if (options.iterations <= 0)
    fail("the number of iterations must be positive, not " + std::to_string(options.iterations));
  if (options.threads <= 0) fail("the number of threads must be positive, not " + std::to_string(options.threads));

  SimulationResult result;
  result.seed = options.seed.value_or(drawn_seed());
  const int threads = static_cast<int>(std::min<std::int64_t>(options.threads, options.iterations));

  // The first worker is set up here, so that a model that cannot run fails before any thread starts.
  std::vector<std::unique_ptr<Worker>> workers(static_cast<std::size_t>(threads));
  workers[0] = std::make_unique<Worker>(source);
  result.model = workers[0]->model();
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
      std::clamp<std::int64_t>(options.iterations / (threads * kBlocksPerWorker), 1, kLargestBlock);
  const std::int64_t block_count = (options.iterations + block_size - 1) / block_size;
  std::atomic<std::int64_t> next_block{0};
  // Every value is written in place, by whichever worker runs its iteration: nothing is copied
  // once the run ends.
  Collection& collection = result.collection;
  collection.iterations = options.iterations;
  collection.inputs.resize(result.model.inputs.size());
  collection.outputs.resize(result.model.outputs.size());
  for (auto* cells : {&collection.inputs, &collection.outputs}) {
    for (Series& series : *cells)
      series.values.resize(static_cast<std::size_t>(options.iterations), boost::container::default_init);
  }
  std::vector<std::vector<BlockFailures>> blocks(workers.size());
  std::vector<std::exception_ptr> failures(workers.size());
  std::mutex finished_mutex;
  std::condition_variable finished_signal;
  int finished = 0;
  std::vector<std::jthread> running;
  for (std::size_t w = 0; w < workers.size(); ++w) {
    running.emplace_back([&, w] {
      try {
        if (!workers[w]) workers[w] = std::make_unique<Worker>(source);
        for (std::int64_t block; (block = next_block.fetch_add(1)) < block_count;) {
          const std::int64_t first = block * block_size;
          const std::int64_t count = std::min(block_size, options.iterations - first);
          blocks[w].push_back(workers[w]->run(first, count, options, result.seed, collection, done[w].iterations));
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
    SimulationProgress now{0, options.iterations, std::chrono::duration<double>(Clock::now() - start).count()};
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
    for (const auto& failure : worker->call_failures()) {
      const bool known =
          std::any_of(result.call_failures.begin(), result.call_failures.end(),
                      [&](const FormulaEngine::CellFailure& known) { return known.cell == failure.cell; });
      if (!known && result.call_failures.size() < FormulaEngine::kMostCallFailures)
        result.call_failures.push_back(failure);
    }
  }
  std::vector<BlockFailures> all_blocks;
  for (auto& of_worker : blocks) std::move(of_worker.begin(), of_worker.end(), std::back_inserter(all_blocks));
  std::sort(all_blocks.begin(), all_blocks.end(),
            [](const BlockFailures& a, const BlockFailures& b) { return a.first < b.first; });
  for (const BlockFailures& block : all_blocks) {
    for (std::size_t k = 0; k < block.inputs.size(); ++k) {
      auto& into = collection.inputs[k].failures;
      into.insert(into.end(), block.inputs[k].begin(), block.inputs[k].end());
    }
    for (std::size_t k = 0; k < block.outputs.size(); ++k) {
      auto& into = collection.outputs[k].failures;
      into.insert(into.end(), block.outputs[k].begin(), block.outputs[k].end());
    }
  }
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return result;
}

}  // namespace host
