#include "cli/merge_command.hpp"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>

#include "cli/memory_budget.hpp"
#include "cli/report_plot.hpp"
#include "common/failure.hpp"
#include "host/simulation/partial_result.hpp"

namespace cli {
namespace {

[[noreturn]] void fail(const std::string& message) { throw kx::Failure(kx::error::kHostFailure, message); }

host::PartialResult read_part(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) fail(path + ": cannot be read");
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) fail(path + ": cannot be read");
  return host::read_partial_result(bytes, path);
}

// Raises kx::Failure unless `part` belongs to the same run as `first`.
void check_same_run(const host::PartialResult& first, const std::string& first_path, const host::PartialResult& part,
                    const std::string& path) {
  const auto differ = [&](const std::string& what) {
    fail(fmt::format("{} and {} are parts of different runs: {}", first_path, path, what));
  };
  if (part.model_hash != first.model_hash) differ("their models differ");
  if (part.reading != first.reading) differ(fmt::format("the model read with {} and with {}", first.reading, part.reading));
  if (part.options.seed != first.options.seed)
    differ(fmt::format("seed {} and seed {}", first.options.seed.value_or(0), part.options.seed.value_or(0)));
  if (part.parts != first.parts) differ(fmt::format("{} parts and {} parts", first.parts, part.parts));
  if (host::run_settings_text(part.options) != host::run_settings_text(first.options)) differ("their options differ");
}

}  // namespace

int run_merge(const std::vector<std::string>& paths, const SimulateOptions& report) {
  if (paths.empty()) fail("kx merge needs the partial results of every part");
  if (!report.plot_path.empty()) check_plot_path(report.plot_path);
  std::vector<host::PartialResult> parts;
  std::map<std::int64_t, std::string> path_of_part;
  for (const std::string& path : paths) {
    host::PartialResult part = read_part(path);
    if (parts.empty()) {
      const host::SimulationModel& model = part.result.model;
      check_memory(part.options.iterations, model.inputs.size() + model.outputs.size(), report.max_memory);
    } else {
      check_same_run(parts.front(), paths.front(), part, path);
    }
    const auto [known, added] = path_of_part.emplace(part.part, path);
    if (!added) fail(fmt::format("part {} of {} is given twice: {} and {}", part.part, part.parts, known->second, path));
    const host::IterationRange share = host::share_of(part.options.iterations, part.part - 1, part.parts);
    if (share.first != part.result.collection.first_iteration || share.count != part.result.collection.iterations)
      fail(path + ": damaged (its iterations are not those of its part)");
    parts.push_back(std::move(part));
  }
  std::vector<std::int64_t> missing;
  for (std::int64_t k = 1; k <= parts.front().parts; ++k) {
    if (!path_of_part.contains(k)) missing.push_back(k);
  }
  if (!missing.empty()) {
    fail(fmt::format("{} {} of {} {} missing", missing.size() == 1 ? "part" : "parts", fmt::join(missing, ", "),
                     parts.front().parts, missing.size() == 1 ? "is" : "are"));
  }

  check_report_outputs(report.report, parts.front().result.model);
  host::SimulationOptions run = parts.front().options;
  host::SimulationResult result = std::move(parts.front().result);
  std::vector<host::Collection> blocks;
  blocks.push_back(std::move(result.collection));
  run.threads = 0;
  for (std::size_t p = 0; p < parts.size(); ++p) {
    host::PartialResult& part = parts[p];
    run.threads += part.options.threads;
    // Jobs of an array run side by side: the run took as long as its slowest part.
    result.seconds = std::max(result.seconds, part.result.seconds);
    if (p == 0) continue;
    blocks.push_back(std::move(part.result.collection));
    for (const auto& failure : part.result.call_failures) host::add_call_failure(result.call_failures, failure);
  }
  result.collection = host::merge(std::move(blocks));
  report_simulation(report, parts.front().model, result, run);
  return 0;
}

}  // namespace cli
