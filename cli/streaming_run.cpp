#include "cli/streaming_run.hpp"

#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <nlohmann/json.hpp>
#include <thread>

#include "cli/call_failure_text.hpp"
#include "cli/mpi_simulation.hpp"
#include "cli/progress_bar.hpp"
#include "cli/report_text.hpp"
#include "cli/simulate_command.hpp"
#include "cli/terminal_text.hpp"
#include "common/failure.hpp"

namespace cli {
namespace {

using Clock = std::chrono::steady_clock;
using json = nlohmann::ordered_json;

[[noreturn]] void fail(const std::string& message) { throw kx::Failure(kx::error::kHostFailure, message); }

// The largest rank error of any summary, as a share of its count.
double rank_error_share(const StreamedRun& run) {
  double share = 0;
  for (const auto* cells : {&run.inputs, &run.outputs}) {
    for (const host::StreamingSummary& summary : *cells) {
      if (summary.count() > 0)
        share = std::max(share, static_cast<double>(summary.sketch().rank_error()) / static_cast<double>(summary.count()));
    }
  }
  return share;
}

json summary_json(const host::ModelCell& cell, const host::StreamingSummary& summary, const ReportSettings& settings) {
  json entry = {{"name", cell.name}, {"cell", cell.address}, {"count", summary.count()}, {"failed", summary.failed()}};
  if (summary.count() == 0) return entry;
  entry["mean"] = summary.mean();
  entry["std_dev"] = summary.std_dev() ? json(*summary.std_dev()) : json(nullptr);
  entry["min"] = summary.minimum();
  json percentiles = json::object();
  for (std::size_t i = 0; i < settings.percentiles.size(); ++i)
    percentiles[settings.percentile_labels[i]] = summary.sketch().percentile(settings.percentiles[i]);
  entry["percentiles"] = std::move(percentiles);
  entry["max"] = summary.maximum();
  return entry;
}

std::string streamed_json(const std::string& model, const StreamedRun& streamed, const host::SimulationOptions& run,
                          const ReportSettings& settings) {
  json outputs = json::array();
  for (std::size_t o = 0; o < streamed.outputs.size(); ++o) {
    const host::StreamingSummary& summary = streamed.outputs[o];
    json entry = summary_json(streamed.model.outputs[o], summary, settings);
    json targets = json::array();
    const std::vector<double> shares = summary.target_shares();
    for (std::size_t t = 0; t < shares.size(); ++t)
      targets.push_back({{"value", summary.targets()[t]}, {"at_or_below", shares[t]}});
    entry["targets"] = std::move(targets);
    const kx::Value& base = o < streamed.base_case.size() ? streamed.base_case[o] : kx::Value();
    entry["base_case"] = base.is_number() ? json(base.number()) : json(nullptr);
    outputs.push_back(std::move(entry));
  }
  json inputs = json::array();
  for (std::size_t i = 0; i < streamed.inputs.size(); ++i)
    inputs.push_back(summary_json(streamed.model.inputs[i], streamed.inputs[i], settings));
  const json document = {{"model", model},
                         {"iterations", run.iterations},
                         {"seed", std::to_string(run.seed.value_or(0))},
                         {"sampling", sampling_name(run.sampling)},
                         {"summary", "streaming"},
                         // The percentiles come from quantile sketches: each is off in rank by at most this share.
                         {"approximate", true},
                         {"percentile_rank_error", rank_error_share(streamed)},
                         {"outputs", std::move(outputs)},
                         {"inputs", std::move(inputs)}};
  return document.dump(2) + "\n";
}

std::string streamed_text(const std::string& model, const StreamedRun& streamed, const host::SimulationOptions& run,
                          int threads, const ReportSettings& settings) {
  std::string out = fmt::format("{}: {} iterations, {} sampling, seed {}, {} thread{}, {:.2f} s\n", model,
                                run.iterations, sampling_name(run.sampling), run.seed.value_or(0), threads,
                                threads == 1 ? "" : "s", streamed.seconds);
  const double error = rank_error_share(streamed);
  out += error > 0 ? fmt::format("streaming summary: the percentiles are approximate, each within {:.3g}% of the "
                                 "iterations of its exact rank; no sensitivities\n",
                                 100 * error)
                   : "streaming summary: the percentiles are exact (the sketch held every value); no sensitivities\n";
  const auto line = [&](const host::ModelCell& cell, const host::StreamingSummary& summary, const char* kind) {
    out += fmt::format("\n{} {} ({})\n", kind, cell.name, cell.address);
    if (summary.count() == 0) {
      out += fmt::format("  no numbers: {} iterations failed\n", summary.failed());
      return;
    }
    out += fmt::format("  mean {}  std dev {}  min {}  max {}\n", readable(summary.mean()),
                       summary.std_dev() ? readable(*summary.std_dev()) : "-", readable(summary.minimum()),
                       readable(summary.maximum()));
    std::string percentiles = "  ";
    for (std::size_t i = 0; i < settings.percentiles.size(); ++i)
      percentiles += fmt::format("{}% ~{}  ", settings.percentile_labels[i],
                                 readable(summary.sketch().percentile(settings.percentiles[i])));
    out += percentiles.substr(0, percentiles.size() - 2) + "\n";
    if (summary.failed() > 0) out += fmt::format("  failed iterations: {}\n", summary.failed());
    const std::vector<double> shares = summary.target_shares();
    for (std::size_t t = 0; t < shares.size(); ++t)
      out += fmt::format("  at or below {}: {:.2f}%\n", readable(summary.targets()[t]), 100 * shares[t]);
  };
  for (std::size_t o = 0; o < streamed.outputs.size(); ++o) line(streamed.model.outputs[o], streamed.outputs[o], "Output");
  for (std::size_t i = 0; i < streamed.inputs.size(); ++i) line(streamed.model.inputs[i], streamed.inputs[i], "Input");
  return out;
}

}  // namespace

StreamedRun stream_iterations(const host::ModelSource& source, host::SimulationOptions run, host::IterationRange range,
                              const OutputTargets& targets,
                              const host::ProgressListener& progress) {
  StreamedRun streamed;
  const Clock::time_point start = Clock::now();
  for (std::int64_t first = range.first; first < range.first + range.count; first += kStreamBlock) {
    run.share = host::IterationRange{first, std::min(kStreamBlock, range.first + range.count - first)};
    const std::int64_t done_before = first - range.first;
    const double seconds_before = std::chrono::duration<double>(Clock::now() - start).count();
    host::SimulationResult block = host::simulate(source, run, [&](const host::SimulationProgress& now) {
      if (progress) progress({done_before + now.done, range.count, seconds_before + now.seconds});
    });
    if (first == range.first) {
      streamed.model = block.model;
      streamed.base_case = block.base_case;
      streamed.inputs.resize(block.model.inputs.size());
      for (const host::ModelCell& cell : block.model.outputs) streamed.outputs.emplace_back(targets(cell));
      // Every later block runs the model as the first did: the same seed, the checks already made.
      run.seed = block.seed;
      streamed.seed = block.seed;
      run.check_model = {};
    }
    for (const auto& failure : block.call_failures) host::add_call_failure(streamed.call_failures, failure);
    // Every series on its own thread, as many at once as the run has workers.
    const std::size_t inputs = streamed.inputs.size();
    const std::size_t series = inputs + streamed.outputs.size();
    const auto threads = static_cast<std::size_t>(std::max(1, run.threads));
    std::vector<std::jthread> summarising;
    for (std::size_t t = 0; t < std::min(threads, series); ++t) {
      summarising.emplace_back([&, t] {
        for (std::size_t s = t; s < series; s += threads) {
          if (s < inputs) streamed.inputs[s].add(block.collection.inputs[s]);
          else streamed.outputs[s - inputs].add(block.collection.outputs[s - inputs]);
        }
      });
    }
  }
  streamed.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return streamed;
}

void merge_streamed(StreamedRun& into, const StreamedRun& other) {
  for (std::size_t i = 0; i < into.inputs.size() && i < other.inputs.size(); ++i) into.inputs[i].merge(other.inputs[i]);
  for (std::size_t o = 0; o < into.outputs.size() && o < other.outputs.size(); ++o)
    into.outputs[o].merge(other.outputs[o]);
  for (const auto& failure : other.call_failures) host::add_call_failure(into.call_failures, failure);
}

std::string streamed_bytes(const StreamedRun& run) {
  std::string out;
  const auto put = [&out](std::string_view bytes) {
    const std::uint64_t size = bytes.size();
    out.append(reinterpret_cast<const char*>(&size), sizeof size);
    out.append(bytes);
  };
  for (const auto* cells : {&run.inputs, &run.outputs}) {
    for (const host::StreamingSummary& summary : *cells) put(summary.bytes());
  }
  for (const auto& failed : run.call_failures) {
    put(failed.cell);
    put(failed.failure.function);
    put(std::to_string(failed.failure.number));
    put(failed.failure.message);
  }
  return out;
}

void add_streamed_bytes(StreamedRun& into, std::string_view bytes) {
  std::size_t at = 0;
  const auto take = [&]() -> std::string_view {
    std::uint64_t size = 0;
    if (bytes.size() - at < sizeof size) fail("a rank's summaries cut short");
    std::memcpy(&size, bytes.data() + at, sizeof size);
    at += sizeof size;
    if (bytes.size() - at < size) fail("a rank's summaries cut short");
    const std::string_view part = bytes.substr(at, static_cast<std::size_t>(size));
    at += static_cast<std::size_t>(size);
    return part;
  };
  StreamedRun other;
  for (std::size_t i = 0; i < into.inputs.size(); ++i) other.inputs.push_back(host::StreamingSummary::from_bytes(take()));
  for (std::size_t o = 0; o < into.outputs.size(); ++o)
    other.outputs.push_back(host::StreamingSummary::from_bytes(take()));
  while (at < bytes.size()) {
    host::FormulaEngine::CellFailure failed;
    failed.cell = take();
    failed.failure.function = take();
    failed.failure.number = std::stoi(std::string(take()));
    failed.failure.message = take();
    other.call_failures.push_back(std::move(failed));
  }
  merge_streamed(into, other);
}

int run_streaming(const SimulateOptions& options, const std::string& model, const host::ModelSource& source,
                  host::SimulationOptions run) {
  const auto needs_values = [](const char* option) {
    fail(fmt::format("--summary streaming keeps no values: {} needs the exact report", option));
  };
  if (!options.csv_path.empty()) needs_values("--csv");
  if (!options.plot_path.empty()) needs_values("--plot");
  if (!options.xlsx_path.empty()) needs_values("--xlsx");
  if (!options.report.scenarios.empty()) needs_values("--scenario");
  if (options.part) needs_values("--part");
  if (run.precision) fail("--summary streaming runs a fixed number of iterations: --precision needs the exact report");
  run.check_model = [&options](const host::SimulationModel& found) { check_report_outputs(options.report, found); };
  const auto targets = [&options](const host::ModelCell& output) {
    std::vector<double> values;
    for (const Target& target : options.report.targets) {
      if (targets_output(target, output)) values.push_back(target.value);
    }
    return values;
  };
  int threads = run.threads;
  StreamedRun streamed;
  if (launched_ranks().size > 1) {
    std::optional<StreamedRun> gathered = stream_across_ranks(source, run, targets);
    if (!gathered) return 0;  // rank 0 reports
    streamed = std::move(*gathered);
    threads *= launched_ranks().size;
  } else {
    ProgressBar bar;
    streamed = stream_iterations(source, run, {0, run.iterations}, targets,
                                 [&bar](const host::SimulationProgress& progress) { bar.show(progress); });
  }
  run.seed = streamed.seed;
  for (const auto& failed : streamed.call_failures)
    print_error_line(fmt::format("warning: {}: {}", failed.cell, call_failure_text(failed.failure)));
  if (options.json) {
    fmt::print("{}", streamed_json(model, streamed, run, options.report));
  } else {
    fmt::print("{}", streamed_text(model, streamed, run, threads, options.report));
  }
  return 0;
}

}  // namespace cli
