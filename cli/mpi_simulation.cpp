#include "cli/mpi_simulation.hpp"

#include <fmt/format.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cli/progress_bar.hpp"
#include "cli/terminal_text.hpp"
#include "common/failure.hpp"

#if KX_WITH_MPI
#include <mpi.h>

#include <nlohmann/json.hpp>
#include <random>
#include <thread>
#endif

namespace cli {
namespace {

[[noreturn]] void fail(const std::string& message) { throw kx::Failure(kx::error::kHostFailure, message); }

int environment_number(std::initializer_list<const char*> names, int otherwise) {
  for (const char* name : names) {
    if (const char* text = std::getenv(name)) return std::atoi(text);
  }
  return otherwise;
}

}  // namespace

Ranks launched_ranks() {
  // Open MPI's mpirun, then the process managers of MPICH and Slurm.
  return {environment_number({"OMPI_COMM_WORLD_RANK", "PMI_RANK", "PMIX_RANK"}, 0),
          environment_number({"OMPI_COMM_WORLD_SIZE", "PMI_SIZE"}, 1)};
}

#if !KX_WITH_MPI

namespace {

[[noreturn]] void fail_without_mpi() {
  fail(fmt::format("this kx was built without MPI, so its {} processes would each run the whole simulation; "
                   "build it where MPI is installed (libopenmpi-dev) or run one process",
                   launched_ranks().size));
}

}  // namespace

std::optional<host::SimulationResult> simulate_across_ranks(const host::ModelSource&, host::SimulationOptions) {
  fail_without_mpi();
}

std::optional<StreamedRun> stream_across_ranks(const host::ModelSource&, host::SimulationOptions,
                                               const OutputTargets&) {
  fail_without_mpi();
}

#else

namespace {

using json = nlohmann::json;
using Clock = std::chrono::steady_clock;

// MPI for the length of a run across ranks.
class MpiSession {
 public:
  MpiSession() {
    int provided = 0;
    // Only the main thread calls MPI; the workers only compute.
    MPI_Init_thread(nullptr, nullptr, MPI_THREAD_FUNNELED, &provided);
    MPI_Comm_rank(MPI_COMM_WORLD, &rank_);
    MPI_Comm_size(MPI_COMM_WORLD, &size_);
  }
  ~MpiSession() { MPI_Finalize(); }
  MpiSession(const MpiSession&) = delete;
  MpiSession& operator=(const MpiSession&) = delete;

  int rank() const { return rank_; }
  int size() const { return size_; }

 private:
  int rank_ = 0;
  int size_ = 1;
};

// Raised on every rank once the ranks know that one failed.
struct RankFailed {
  std::string message;
};

// Every rank says whether it got this far; when one did not, every rank raises RankFailed with
// the first failed rank's reason.
void agree(const MpiSession& mpi, const std::string& failure) {
  // A rank that is done first waits asleep: MPI's own wait spins, and would take the core that
  // a rank still running on the same machine needs.
  MPI_Request everyone;
  MPI_Ibarrier(MPI_COMM_WORLD, &everyone);
  for (int arrived = 0; MPI_Test(&everyone, &arrived, MPI_STATUS_IGNORE), !arrived;)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  constexpr int kLongest = 512;
  char mine[kLongest] = {};
  if (!failure.empty()) std::strncpy(mine, failure.c_str(), kLongest - 1);
  std::string all(static_cast<std::size_t>(kLongest) * static_cast<std::size_t>(mpi.size()), '\0');
  MPI_Allgather(mine, kLongest, MPI_CHAR, all.data(), kLongest, MPI_CHAR, MPI_COMM_WORLD);
  for (int r = 0; r < mpi.size(); ++r) {
    const char* said = all.data() + static_cast<std::size_t>(r) * kLongest;
    if (said[0] != '\0') throw RankFailed{fmt::format("rank {}: {}", r, said)};
  }
}

// What a rank found beside its values: the iterations where a cell failed and the failed calls.
std::string findings_of(const host::SimulationResult& result) {
  json cells = json::array();
  for (const auto* series : {&result.collection.inputs, &result.collection.outputs}) {
    for (const host::Series& one : *series) {
      json failures = json::array();
      for (const host::FailedIteration& failure : one.failures) failures.push_back({failure.iteration, failure.error});
      cells.push_back(std::move(failures));
    }
  }
  json calls = json::array();
  for (const auto& failed : result.call_failures)
    calls.push_back({failed.cell, failed.failure.function, failed.failure.number, failed.failure.message});
  return json{{"cells", std::move(cells)}, {"calls", std::move(calls)}}.dump();
}

// Adds another rank's findings to the whole run's, its failed iterations moved by its first.
void add_findings(const std::string& text, std::int64_t first, host::SimulationResult& into) {
  const json findings = json::parse(text);
  std::size_t k = 0;
  for (auto* series : {&into.collection.inputs, &into.collection.outputs}) {
    for (host::Series& one : *series) {
      for (const json& failure : findings.at("cells").at(k))
        one.failures.push_back({failure.at(0).get<std::int64_t>() + first, failure.at(1).get<std::int32_t>()});
      ++k;
    }
  }
  for (const json& call : findings.at("calls")) {
    host::add_call_failure(into.call_failures, {call.at(0).get<std::string>(),
                                                {call.at(1).get<std::string>(), call.at(2).get<std::int32_t>(),
                                                 call.at(3).get<std::string>()}});
  }
}

// Gathers every rank's bytes on rank 0, by rank.
std::vector<std::string> gather_bytes(const MpiSession& mpi, const std::string& mine) {
  int length = static_cast<int>(mine.size());
  std::vector<int> lengths(static_cast<std::size_t>(mpi.size()));
  MPI_Gather(&length, 1, MPI_INT, lengths.data(), 1, MPI_INT, 0, MPI_COMM_WORLD);
  std::vector<int> starts(lengths.size());
  std::string all;
  if (mpi.rank() == 0) {
    for (std::size_t r = 1; r < lengths.size(); ++r) starts[r] = starts[r - 1] + lengths[r - 1];
    all.resize(static_cast<std::size_t>(starts.back() + lengths.back()));
  }
  MPI_Gatherv(mine.data(), length, MPI_CHAR, all.data(), lengths.data(), starts.data(), MPI_CHAR, 0, MPI_COMM_WORLD);
  std::vector<std::string> by_rank;
  if (mpi.rank() != 0) return by_rank;
  for (std::size_t r = 0; r < lengths.size(); ++r)
    by_rank.push_back(all.substr(static_cast<std::size_t>(starts[r]), static_cast<std::size_t>(lengths[r])));
  return by_rank;
}

// Gathers every rank's share of a range of iterations into rank 0's result, in iteration order:
// every series' values straight into their place, then the findings.
void gather(const MpiSession& mpi, const std::vector<host::IterationRange>& shares, host::SimulationResult& result) {
  const bool root = mpi.rank() == 0;
  const std::int64_t first = shares.front().first;
  std::vector<int> counts, places;
  for (const host::IterationRange& share : shares) {
    counts.push_back(static_cast<int>(share.count));
    places.push_back(static_cast<int>(share.first - first));
  }
  const std::int64_t total = shares.back().first + shares.back().count - first;
  for (auto* series : {&result.collection.inputs, &result.collection.outputs}) {
    for (host::Series& one : *series) {
      if (root) {
        // Rank 0's share is the first: its values are in place already.
        one.values.resize(static_cast<std::size_t>(total), boost::container::default_init);
        MPI_Gatherv(MPI_IN_PLACE, 0, MPI_DOUBLE, one.values.data(), counts.data(), places.data(), MPI_DOUBLE, 0,
                    MPI_COMM_WORLD);
      } else {
        MPI_Gatherv(one.values.data(), static_cast<int>(one.values.size()), MPI_DOUBLE, nullptr, nullptr, nullptr,
                    MPI_DOUBLE, 0, MPI_COMM_WORLD);
      }
    }
  }
  const std::vector<std::string> by_rank = gather_bytes(mpi, root ? std::string() : findings_of(result));
  if (!root) return;
  for (std::size_t r = 1; r < by_rank.size(); ++r) add_findings(by_rank[r], shares[r].first - first, result);
  result.collection.first_iteration = first;
  result.collection.iterations = total;
}

// Every rank must draw from the same run: without a seed, rank 0's drawn one goes to all.
std::uint64_t shared_seed(std::optional<std::uint64_t> seed) {
  std::uint64_t shared =
      seed.value_or((static_cast<std::uint64_t>(std::random_device()()) << 32) ^ std::random_device()());
  MPI_Bcast(&shared, 1, MPI_UINT64_T, 0, MPI_COMM_WORLD);
  return shared;
}

// Runs this rank's share of `range` with `work`, given the options with the share set and the
// progress listener. The ranks agree twice: once the model is loaded and checked (so that a
// model one machine cannot load stops every rank before the run), and once every share has run.
// Returns every rank's share.
std::vector<host::IterationRange> run_share(
    const MpiSession& mpi, host::SimulationOptions options, host::IterationRange range,
    const std::function<void(const host::SimulationOptions&, const host::ProgressListener&)>& work) {
  const bool root = mpi.rank() == 0;
  bool loaded = false;
  const auto check_model = options.check_model;
  options.check_model = [&](const host::SimulationModel& model) {
    if (check_model) check_model(model);
    loaded = true;
    agree(mpi, "");
  };
  std::vector<host::IterationRange> shares;
  try {
    std::string failure;
    try {
      for (int r = 0; r < mpi.size(); ++r) {
        const host::IterationRange share = host::share_of(range.count, r, mpi.size());
        shares.push_back({range.first + share.first, share.count});
      }
      options.share = shares[static_cast<std::size_t>(mpi.rank())];
      ProgressBar bar;
      const double scale = static_cast<double>(range.count) / static_cast<double>(options.share->count);
      // Rank 0 stands for all: the shares are equal and run side by side.
      const host::ProgressListener on_root = [&](const host::SimulationProgress& progress) {
        bar.show({range.first + static_cast<std::int64_t>(static_cast<double>(progress.done) * scale),
                  options.iterations, progress.seconds});
      };
      work(options, root ? on_root : host::ProgressListener());
    } catch (const std::exception& error) {
      failure = error.what();
      if (failure.empty()) failure = "failed";
      if (!loaded) agree(mpi, failure);
    }
    agree(mpi, failure);
  } catch (const RankFailed& failed) {
    // Said before MPI ends: the launcher may stop rank 0 as soon as another rank has exited.
    if (root) print_error_line(failed.message);
    throw FailureSaid();
  }
  return shares;
}

}  // namespace

std::optional<host::SimulationResult> simulate_across_ranks(const host::ModelSource& source,
                                                            host::SimulationOptions options) {
  // The gather counts in ints.
  if (options.iterations > INT_MAX)
    fail(fmt::format("{} iterations are more than a run across MPI ranks gathers; --summary streaming runs them",
                     options.iterations));
  // As in one process: strata span a fixed number of iterations.
  if (options.precision && options.sampling == host::Sampling::LatinHypercube)
    fail("a run to a precision needs plain sampling: Latin hypercube sampling stratifies a fixed number of iterations");
  const MpiSession mpi;
  const Clock::time_point start = Clock::now();
  const bool root = mpi.rank() == 0;
  options.seed = shared_seed(options.seed);
  // A run to a precision goes in the rounds one process would run, each split over the ranks;
  // rank 0 checks every output's values so far and tells the others whether to go on.
  const std::optional<host::Precision> precision = options.precision;
  options.precision.reset();
  host::SimulationResult result;
  std::int64_t ran = 0;
  for (int more = 1; more;) {
    const std::int64_t next = precision ? host::next_precision_check(ran, options.iterations) : options.iterations;
    host::SimulationResult round;
    const std::vector<host::IterationRange> shares = run_share(
        mpi, options, {ran, next - ran}, [&](const host::SimulationOptions& share, const host::ProgressListener& progress) {
          round = host::simulate(source, share, progress);
        });
    gather(mpi, shares, round);
    if (root && ran == 0) {
      result = std::move(round);
    } else if (root) {
      result.collection = host::merge({std::move(result.collection), std::move(round.collection)});
      for (const auto& failure : round.call_failures) host::add_call_failure(result.call_failures, failure);
    }
    if (root && precision) result.precision_met = host::within_precision(result.collection, next, *precision);
    more = root && precision && !result.precision_met && next < options.iterations ? 1 : 0;
    MPI_Bcast(&more, 1, MPI_INT, 0, MPI_COMM_WORLD);
    ran = next;
  }
  if (!root) return std::nullopt;
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return result;
}

std::optional<StreamedRun> stream_across_ranks(const host::ModelSource& source, host::SimulationOptions options,
                                               const OutputTargets& targets) {
  const MpiSession mpi;
  const Clock::time_point start = Clock::now();
  options.seed = shared_seed(options.seed);
  StreamedRun streamed;
  run_share(mpi, options, {0, options.iterations}, [&](const host::SimulationOptions& share, const host::ProgressListener& progress) {
    streamed = stream_iterations(source, share, *share.share, targets, progress);
  });
  const std::vector<std::string> by_rank = gather_bytes(mpi, mpi.rank() == 0 ? std::string() : streamed_bytes(streamed));
  if (mpi.rank() != 0) return std::nullopt;
  for (std::size_t r = 1; r < by_rank.size(); ++r) add_streamed_bytes(streamed, by_rank[r]);
  streamed.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return streamed;
}

#endif

}  // namespace cli
