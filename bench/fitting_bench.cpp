// Cost of fitting all 26 candidates to 10,000 and 100,000 observations through the fitting
// dialog's stand-in, status-bar updates (one per observation and candidate) included, and of
// kx fit's likelihood comparisons.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>
#include <random>
#include <string>
#include <vector>

#include "host/dialog/fitting_dialog.hpp"
#include "riskfn/fitting/bootstrap.hpp"
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
