#include "host/simulation/simulation.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
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

[[noreturn]] void fail(const std::string& message) { throw kx::Failure(kx::error::kHostFailure, message); }

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

  // Runs iterations first .. first+count-1, counting them in `done` for the progress line.
  Collection run(std::int64_t first, std::int64_t count, const SimulationOptions& options, std::uint64_t seed,
                 std::atomic<std::int64_t>& done) {
    Collection collection;
    collection.first_iteration = first;
    collection.iterations = count;
    collection.inputs.resize(inputs_.size());
    collection.outputs.resize(outputs_.size());
    for (Series& series : collection.inputs) series.values.reserve(static_cast<std::size_t>(count));
    for (Series& series : collection.outputs) series.values.reserve(static_cast<std::size_t>(count));

    kx::UniformGenerator& generator = kx::uniform_generator();
    generator.stratify(options.sampling == Sampling::LatinHypercube ? static_cast<std::uint64_t>(options.iterations)
                                                                    : 0);
    FormulaEngine& engine = session_.engine();
    for (std::int64_t i = 0; i < count; ++i) {
      generator.start_iteration(seed, static_cast<std::uint64_t>(first + i));
      engine.recalculate();
      for (std::size_t k = 0; k < inputs_.size(); ++k) collection.inputs[k].record(inputs_[k]->value);
      for (std::size_t k = 0; k < outputs_.size(); ++k) collection.outputs[k].record(outputs_[k]->value);
      done.store(i + 1, std::memory_order_relaxed);
    }
    generator.stratify(0);
    return collection;
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
  std::vector<Collection> blocks(workers.size());
  std::vector<std::exception_ptr> failures(workers.size());
  std::mutex finished_mutex;
  std::condition_variable finished_signal;
  int finished = 0;
  std::vector<std::jthread> running;
  for (std::size_t w = 0; w < workers.size(); ++w) {
    // Equal blocks of consecutive iterations; each worker's block is fixed before it starts.
    const std::int64_t first = options.iterations * static_cast<std::int64_t>(w) / threads;
    const std::int64_t last = options.iterations * static_cast<std::int64_t>(w + 1) / threads;
    running.emplace_back([&, w, first, last] {
      try {
        if (!workers[w]) workers[w] = std::make_unique<Worker>(source);
        blocks[w] = workers[w]->run(first, last - first, options, result.seed, done[w].iterations);
      } catch (...) {
        failures[w] = std::current_exception();
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
  result.collection = merge(std::move(blocks));
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return result;
}

}  // namespace host
