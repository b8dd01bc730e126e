#include "cli/simulation_report.hpp"

#include <algorithm>
#include <cmath>
#include <span>

#include "common/conversions.hpp"
#include "common/failure.hpp"
#include "riskfn/analysis/histogram.hpp"
#include "riskfn/analysis/run_count_stability.hpp"

namespace cli {
namespace {

// kxHISTO's classes of the numbers, with the class count chosen by its own rule; none when
// they cannot be formed (no numbers, or a range wider than a double holds).
std::vector<HistogramClass> histogram_of(kx::Application& host, std::span<const double> numbers) {
  if (numbers.empty()) return {};
  try {
    const kx::Array table = riskfn::analysis::histogram_of_numbers(host, numbers);
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

}  // namespace

std::string sampling_name(host::Sampling sampling) {
  return sampling == host::Sampling::LatinHypercube ? "lhs" : "plain";
}

SimulationReport build_report(const std::string& model, const host::SimulationResult& result, host::Sampling sampling,
                              int threads, kx::Application& host) {
  SimulationReport report;
  report.model = model;
  report.iterations = result.collection.iterations;
  report.seed = result.seed;
  report.sampling = sampling;
  for (const host::ModelCell& cell : result.model.locked) report.locked.push_back(cell.address);

  std::vector<const host::Series*> series;
  for (const host::Series& input : result.collection.inputs) series.push_back(&input);
  for (const host::Series& output : result.collection.outputs) series.push_back(&output);
  std::vector<host::AnalysedSeries> all = host::analyse(series, threads);
  std::vector<const host::AnalysedSeries*> pointers;
  for (const host::AnalysedSeries& one : all) pointers.push_back(&one);
  const auto correlations = host::rank_correlations(pointers);
  const std::size_t input_count = result.collection.inputs.size();
  for (std::size_t i = 0; i < input_count; ++i) {
    const host::ModelCell& cell = result.model.inputs[i];
    report.inputs.push_back({cell.name, cell.address, all[i].summary()});
    report.input_correlations.emplace_back(correlations[i].begin(),
                                           correlations[i].begin() + static_cast<std::ptrdiff_t>(input_count));
  }

  for (std::size_t o = 0; o < result.collection.outputs.size(); ++o) {
    host::AnalysedSeries& output = all[input_count + o];
    const host::ModelCell& cell = result.model.outputs[o];
    OutputReport entry;
    entry.name = cell.name;
    entry.cell = cell.address;
    entry.summary = output.summary();
    entry.histogram = histogram_of(host, output.sorted());
    std::vector<double> kept;
    entry.settled_after =
        static_cast<std::int64_t>(riskfn::analysis::settled_run_count(result.collection.outputs[o].numbers(kept)));
    for (std::size_t i = 0; i < input_count; ++i) entry.sensitivity.push_back({i, correlations[i][input_count + o]});
    std::stable_sort(entry.sensitivity.begin(), entry.sensitivity.end(),
                     [](const Sensitivity& a, const Sensitivity& b) {
                       const double left = a.rank_correlation ? std::abs(*a.rank_correlation) : -1;
                       const double right = b.rank_correlation ? std::abs(*b.rank_correlation) : -1;
                       return left > right;
                     });
    entry.sorted = output.take_sorted();
    report.outputs.push_back(std::move(entry));
  }
  return report;
}

}  // namespace cli
