// Cost of fitting all 26 candidates to 10,000 and 100,000 observations through the fitting
// dialog's stand-in, status-bar updates (one per observation and candidate) included, of
// kx fit's likelihood comparisons, of each searched maximum-likelihood fit and of kx fit's whole
// work on a million observations.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>
#include <random>
#include <string>
#include <vector>

#include "host/dialog/fitting_dialog.hpp"
#include "riskfn/fitting/bootstrap.hpp"
#include "riskfn/fitting/cumulative_values.hpp"
#include "riskfn/fitting/parallel_indices.hpp"
#include "riskfn/fitting/likelihood.hpp"
#include "host/document/book.hpp"
#include "host/document/sheet.hpp"
#include "host/session/session.hpp"
#include "riskfn/fitting/likelihood.hpp"
#include "riskfn/frame/classes.hpp"
#include "riskfn/frame/main.hpp"
#include "riskfn/frame/pdf.hpp"

namespace {

// Gamma observations, ascending, as the fitting code takes them.
std::vector<double> sorted_gamma_sample(std::size_t count) {
  std::mt19937_64 engine(42);
  std::gamma_distribution<double> gamma(2.5, 3.0);
  std::vector<double> sorted(count);
  for (double& x : sorted) x = gamma(engine);
  std::sort(sorted.begin(), sorted.end());
  return sorted;
}

void BM_FitAllCandidates(benchmark::State& state) {
  const auto main = std::dynamic_pointer_cast<riskfn::Main>(riskfn::create_object("Main"));
  host::Session session({main});
  session.open_blank();
  const auto sheet = session.application().active_book()->sheets().front();
  std::mt19937_64 engine(42);
  std::gamma_distribution<double> gamma(2.5, 3.0);
  const auto count = static_cast<std::int32_t>(state.range(0));
  for (std::int32_t row = 1; row <= count; ++row) sheet->set_value(row, 1, gamma(engine));
  const kx::RangeRef data = sheet->range("A1:A" + std::to_string(count));
  std::int64_t updates = 0;
  session.application().on_status_bar([&updates](std::string_view) { ++updates; });
  const auto dialog = host::FittingDialog::create(main->pdf()->risk_text(41), true, true);
  for (auto _ : state) {
    const host::FittingOutcome outcome = dialog->fit(*main->pdf(), data);
    benchmark::DoNotOptimize(outcome.fitted);
  }
  state.counters["status_updates_per_run"] =
      benchmark::Counter(static_cast<double>(updates) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_FitAllCandidates)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

// kx fit's comparison table: every candidate estimated by maximum likelihood where it can be,
// measured, and given its log-likelihood, Anderson-Darling and Kolmogorov-Smirnov statistics.
void BM_CompareByLikelihood(benchmark::State& state) {
  const auto main = std::dynamic_pointer_cast<riskfn::Main>(riskfn::create_object("Main"));
  host::Session session({main});
  session.open_blank();
  const std::vector<double> sorted = sorted_gamma_sample(static_cast<std::size_t>(state.range(0)));
  const riskfn::fitting::CandidateSet set(*main, sorted);
  for (auto _ : state) {
    for (const riskfn::fitting::Candidate& candidate : riskfn::fitting::candidates()) {
      const auto fitted = riskfn::fitting::has_likelihood_fit(candidate)
                              ? riskfn::fitting::fit_by_likelihood(set, candidate)
                              : set.fit(candidate);
      benchmark::DoNotOptimize(riskfn::fitting::fit_statistics(set, fitted));
    }
  }
}
BENCHMARK(BM_CompareByLikelihood)->Arg(100'000)->Unit(benchmark::kMillisecond);

// One candidate of kx fit --method mle on a million observations, by its code: estimated by
// maximum likelihood, measured and given its statistics.
void BM_LikelihoodFitOfOneCandidate(benchmark::State& state) {
  const auto main = std::dynamic_pointer_cast<riskfn::Main>(riskfn::create_object("Main"));
  host::Session session({main});
  session.open_blank();
  const riskfn::fitting::CandidateSet set(*main, sorted_gamma_sample(1'000'000));
  const riskfn::fitting::Candidate& candidate =
      *riskfn::fitting::CandidateSet::find(static_cast<std::int32_t>(state.range(0)));
  for (auto _ : state) {
    const auto fitted = riskfn::fitting::fit_by_likelihood(set, candidate);
    benchmark::DoNotOptimize(riskfn::fitting::fit_statistics(set, fitted));
  }
}
// Gumbel, gamma, logistic, Pareto2, Student's t and Weibull: the optimised likelihoods.
BENCHMARK(BM_LikelihoodFitOfOneCandidate)
    ->ArgName("code")
    ->Arg(12)
    ->Arg(13)
    ->Arg(20)
    ->Arg(27)
    ->Arg(33)
    ->Arg(37)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// What kx fit does with a column of a million observations, printing aside: the dialog's run
// over every candidate, then each candidate estimated (by moments, or by maximum likelihood
// with the argument 1) and given its statistics, on every core, reusing the dialog's F values.
// Wall time and the whole process's CPU time.
void BM_FitAMillionObservations(benchmark::State& state) {
  const auto main = std::dynamic_pointer_cast<riskfn::Main>(riskfn::create_object("Main"));
  host::Session session({main});
  session.open_blank();
  const auto sheet = session.application().active_book()->sheets().front();
  std::vector<double> sorted = sorted_gamma_sample(1'000'000);
  std::shuffle(sorted.begin(), sorted.end(), std::mt19937_64(7));
  for (std::size_t i = 0; i < sorted.size(); ++i) sheet->set_value(static_cast<std::int32_t>(i + 1), 1, sorted[i]);
  std::sort(sorted.begin(), sorted.end());
  const kx::RangeRef data = sheet->range("A1:A" + std::to_string(sorted.size()));
  const bool likelihood = state.range(0) == 1;
  riskfn::PDF& pdf = *main->pdf();
  const auto dialog = host::FittingDialog::create(pdf.risk_text(41), true, true);
  const auto candidates = riskfn::fitting::candidates();
  for (auto _ : state) {
    const auto kept = std::make_shared<riskfn::fitting::CumulativeMemo>();
    pdf.keep_cumulatives_in(kept);
    const host::FittingOutcome outcome = dialog->fit(pdf, data);
    pdf.keep_cumulatives_in(nullptr);
    const riskfn::fitting::CandidateSet set(*main, sorted, kx::Value(data), kept);
    std::vector<std::optional<riskfn::fitting::FitStatistics>> statistics(candidates.size());
    riskfn::fitting::run_indices_in_parallel(candidates.size(), [&](std::size_t i) {
      const riskfn::fitting::Candidate& candidate = candidates[i];
      const auto fitted = likelihood && riskfn::fitting::has_likelihood_fit(candidate)
                              ? riskfn::fitting::fit_by_likelihood(set, candidate)
                              : set.fit(candidate);
      statistics[i] = riskfn::fitting::fit_statistics(set, fitted);
    });
    benchmark::DoNotOptimize(outcome.fitted);
    benchmark::DoNotOptimize(statistics);
  }
}
BENCHMARK(BM_FitAMillionObservations)
    ->ArgName("mle")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(1);

// The parametric bootstrap of one candidate's p-values (kx fit --bootstrap), per replicate.
void BM_BootstrapOfAGammaFit(benchmark::State& state) {
  const auto main = std::dynamic_pointer_cast<riskfn::Main>(riskfn::create_object("Main"));
  host::Session session({main});
  session.open_blank();
  const std::vector<double> sorted = sorted_gamma_sample(10'000);
  const riskfn::fitting::CandidateSet set(*main, sorted);
  const auto fitted = riskfn::fitting::fit_by_likelihood(set, *riskfn::fitting::CandidateSet::find(13));
  const auto observed = *riskfn::fitting::fit_statistics(set, fitted);
  for (auto _ : state) {
    benchmark::DoNotOptimize(riskfn::fitting::bootstrap_p_values(set, fitted, observed,
                                                                 static_cast<int>(state.range(0)), 1));
  }
}
BENCHMARK(BM_BootstrapOfAGammaFit)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
