#include "cli/simulation_report.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <span>
#include <thread>

#include "common/conversions.hpp"
#include "common/failure.hpp"
#include "common/text_compare.hpp"
#include "riskfn/analysis/histogram.hpp"
#include "riskfn/analysis/run_count_stability.hpp"

namespace cli {
namespace {

// kxHISTO's classes of the numbers, ascending, with the class count chosen by its own rule;
// none when they cannot be formed (no numbers, or a range wider than a double holds).
std::vector<HistogramClass> histogram_of(kx::Application& host, std::span<const double> sorted) {
  if (sorted.empty()) return {};
  try {
    const kx::Array table = riskfn::analysis::histogram_of_sorted(host, sorted);
    std::vector<HistogramClass> classes;
    for (std::size_t r = 0; r < table.rows(); ++r) {
      const kx::Value& count = table.at(r, 2);
      classes.push_back({kx::to_double(table.at(r, 1)),
                         count.is_empty() ? 0 : static_cast<std::int64_t>(kx::to_double(count)),
                         kx::to_double(table.at(r, 3))});
    }
    return classes;
  } catch (const kx::Failure&) {
    return {};
  }
}

// The running mean, its interval and the running 5th and 95th percentiles at about kPoints
// iteration counts spaced evenly on a log scale.
std::vector<ConvergencePoint> convergence_of(std::span<const double> numbers) {
  constexpr int kPoints = 60;
  constexpr std::size_t kFirst = 20;
  std::vector<ConvergencePoint> points;
  if (numbers.size() < kFirst) return points;
  const double ratio = std::pow(static_cast<double>(numbers.size()) / kFirst, 1.0 / (kPoints - 1));
  std::vector<double> prefix;
  double sum = 0, squares = 0;
  std::size_t summed = 0;
  double at = kFirst;
  for (int p = 0; p < kPoints; ++p, at *= ratio) {
    const std::size_t n = p + 1 == kPoints ? numbers.size() : std::min(numbers.size(), static_cast<std::size_t>(at));
    if (!points.empty() && static_cast<std::size_t>(points.back().iterations) >= n) continue;
    for (; summed < n; ++summed) {
      sum += numbers[summed];
      squares += numbers[summed] * numbers[summed];
    }
    const double mean = sum / static_cast<double>(n);
    const double variance = std::max(0.0, (squares - sum * mean) / static_cast<double>(n - 1));
    prefix.assign(numbers.begin(), numbers.begin() + static_cast<std::ptrdiff_t>(n));
    std::sort(prefix.begin(), prefix.end());
    points.push_back({static_cast<std::int64_t>(n), mean, 1.96 * std::sqrt(variance / static_cast<double>(n)),
                      host::percentile(prefix, 5), host::percentile(prefix, 95)});
  }
  return points;
}

// fn(0) .. fn(count - 1) spread over `threads` threads, each index on one of them; the first
// thread's failure (running out of memory) is raised here once all have stopped.
template <class Fn>
void spread_over(int threads, std::size_t count, Fn fn) {
  const auto step = static_cast<std::size_t>(std::max(1, threads));
  std::vector<std::exception_ptr> failures(std::min(step, count));
  {
    std::vector<std::jthread> workers;
    for (std::size_t t = 0; t < failures.size(); ++t) {
      workers.emplace_back([&, t] {
        try {
          for (std::size_t i = t; i < count; i += step) fn(i);
        } catch (...) {
          failures[t] = std::current_exception();
        }
      });
    }
  }
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
}

}  // namespace

std::string precision_text(const host::Precision& precision) {
  return precision.relative ? fmt::format("{:g}%", 100 * precision.amount) : fmt::format("{:g}", precision.amount);
}

std::string sampling_name(host::Sampling sampling) {
  return sampling == host::Sampling::LatinHypercube ? "lhs" : "plain";
}

bool names_output(const std::string& name, const host::ModelCell& output) {
  return name == output.name || kx::equals_ignore_case(name, output.address);
}

std::vector<const Sensitivity*> by_swing(const OutputReport& output) {
  std::vector<const Sensitivity*> ordered;
  for (const Sensitivity& s : output.sensitivity) ordered.push_back(&s);
  const auto width = [](const Sensitivity* s) {
    return s->swing.low && s->swing.high ? std::abs(*s->swing.high - *s->swing.low) : -1.0;
  };
  std::stable_sort(ordered.begin(), ordered.end(), [&](const auto* a, const auto* b) { return width(a) > width(b); });
  return ordered;
}

bool targets_output(const Target& target, const host::ModelCell& output) {
  return target.output.empty() || names_output(target.output, output);
}

SimulationReport build_report(const std::string& model, const host::SimulationResult& result,
                              const host::SimulationOptions& run, const ReportSettings& settings, kx::Application& host) {
  SimulationReport report;
  report.model = model;
  report.iterations = result.collection.iterations;
  report.seed = result.seed;
  report.sampling = run.sampling;
  report.percentiles = settings.percentiles;
  report.percentile_labels = settings.percentile_labels;
  for (const host::ModelCell& cell : result.model.locked) report.locked.push_back(cell.address);
  report.set = run.overrides.set;
  report.precision = run.precision;
  report.iteration_cap = run.iterations;
  report.precision_met = result.precision_met;
  report.fixed_correlations = result.fixed_correlations;
  report.log_x = settings.log_x;
  report.asked_correlations = result.asked_correlations;
  const int threads = run.threads;

  std::vector<const host::Series*> series;
  for (const host::Series& input : result.collection.inputs) series.push_back(&input);
  for (const host::Series& output : result.collection.outputs) series.push_back(&output);
  std::vector<host::AnalysedSeries> all = host::analyse(series, threads, settings.percentiles);
  std::vector<const host::AnalysedSeries*> pointers;
  for (const host::AnalysedSeries& one : all) pointers.push_back(&one);
  const std::size_t input_count = result.collection.inputs.size();
  // Each input's lowest and highest tenth of iterations, for the swing of every output, taken on
  // the other threads while this one computes the rank correlations: both only read the series.
  std::vector<host::Tenths> tenths(input_count);
  std::exception_ptr tenths_failure;
  std::vector<std::vector<std::optional<double>>> correlations;
  {
    const std::jthread tenths_worker([&] {
      try {
        spread_over(threads, input_count,
                    [&](std::size_t i) { tenths[i] = host::tenths_of(result.collection.inputs[i], all[i].sorted()); });
      } catch (...) {
        tenths_failure = std::current_exception();
      }
    });
    // Each input with every input and output: the report shows no output against another.
    correlations =
        host::rank_correlations(std::span<const host::AnalysedSeries* const>(pointers.data(), input_count), pointers);
  }
  if (tenths_failure) std::rethrow_exception(tenths_failure);
  for (std::size_t i = 0; i < input_count; ++i) {
    const host::ModelCell& cell = result.model.inputs[i];
    report.inputs.push_back({cell.name, cell.address, all[i].summary()});
    report.input_correlations.emplace_back(correlations[i].begin(),
                                           correlations[i].begin() + static_cast<std::ptrdiff_t>(input_count));
  }

  const std::size_t output_count = result.collection.outputs.size();
  report.outputs.resize(output_count);
  spread_over(threads, output_count, [&](std::size_t o) {
    host::AnalysedSeries& output = all[input_count + o];
    const host::ModelCell& cell = result.model.outputs[o];
    OutputReport& entry = report.outputs[o];
    entry.name = cell.name;
    entry.cell = cell.address;
    entry.summary = output.summary();
    if (entry.summary.count > 0) {
      entry.mean_ci95 = host::mean_interval95(entry.summary);
      for (const double k : settings.percentiles)
        entry.percentile_ci95.push_back(host::percentile_interval95(output.sorted(), k));
      for (const Target& target : settings.targets) {
        if (targets_output(target, cell))
          entry.targets.push_back({target.value, host::share_at_or_below(output.sorted(), target.value)});
      }
    }
    if (o < result.base_case.size()) entry.base_case = result.base_case[o];
    std::vector<double> kept;
    entry.settled_after =
        static_cast<std::int64_t>(riskfn::analysis::settled_run_count(result.collection.outputs[o].numbers(kept)));
    double squares = 0;
    for (std::size_t i = 0; i < input_count; ++i) {
      const auto& rho = correlations[i][input_count + o];
      squares += rho ? *rho * *rho : 0;
    }
    for (std::size_t i = 0; i < input_count; ++i) {
      const auto& rho = correlations[i][input_count + o];
      entry.sensitivity.push_back({i, rho, rho && squares > 0 ? *rho * *rho / squares : 0,
                                   host::swing(tenths[i], result.collection.outputs[o])});
    }
    for (const Scenario& scenario : settings.scenarios) {
      if (!names_output(scenario.output, cell)) continue;
      const auto iterations =
          host::scenario_iterations(result.collection.outputs[o], output.sorted(), scenario.condition);
      ScenarioReport shown{scenario.text, static_cast<std::int64_t>(iterations.size()), {}};
      for (std::size_t i = 0; i < input_count; ++i) {
        shown.inputs.push_back({i, host::scenario_shift(result.collection.inputs[i], all[i].sorted(),
                                                        all[i].summary().std_dev, iterations)});
      }
      std::stable_sort(shown.inputs.begin(), shown.inputs.end(), [](const ScenarioInput& a, const ScenarioInput& b) {
        return (a.shift.shift ? std::abs(*a.shift.shift) : -1) > (b.shift.shift ? std::abs(*b.shift.shift) : -1);
      });
      entry.scenarios.push_back(std::move(shown));
    }
    std::stable_sort(entry.sensitivity.begin(), entry.sensitivity.end(),
                     [](const Sensitivity& a, const Sensitivity& b) {
                       const double left = a.rank_correlation ? std::abs(*a.rank_correlation) : -1;
                       const double right = b.rank_correlation ? std::abs(*b.rank_correlation) : -1;
                       return left > right;
                     });
    if (settings.convergence) entry.convergence = convergence_of(result.collection.outputs[o].numbers(kept));
    entry.sorted = output.take_sorted();
  });
  // The class tables reach the host's worksheet functions, so they are counted here, one thread.
  for (OutputReport& entry : report.outputs) entry.histogram = histogram_of(host, entry.sorted);
  return report;
}

}  // namespace cli
