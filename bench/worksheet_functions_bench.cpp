// Cost of a worksheet-function call through the host's entry point, against the bare Boost
// computation under the host's policy with and without promotion of doubles to long double.
#include <benchmark/benchmark.h>

#include <boost/math/distributions/beta.hpp>
#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/gamma.hpp>
#include <boost/math/distributions/hypergeometric.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/special_functions/beta.hpp>
#include <vector>

#include "common/host_services.hpp"
#include "common/value.hpp"
#include "host/worksheet/boost_policy.hpp"
#include "host/worksheet/worksheet_functions.hpp"

namespace {

namespace bm = boost::math;
namespace policies = boost::math::policies;
using kx::Value;

using Promoted = policies::normalise<host::BoostPolicy, policies::promote_double<true>>::type;
using InDouble = policies::normalise<host::BoostPolicy, policies::promote_double<false>>::type;

// Probabilities spread over (0, 1), so that each call starts afresh.
const std::vector<double>& probabilities() {
  static const std::vector<double> values = [] {
    std::vector<double> p;
    for (int i = 1; i < 64; ++i) p.push_back(i / 64.0);
    p.push_back(1e-9);
    return p;
  }();
  return values;
}

void through_host(benchmark::State& state, kx::WorksheetFn fn, std::vector<Value> arguments) {
  const auto& p = probabilities();
  std::size_t i = 0;
  for (auto _ : state) {
    arguments.front() = p[i++ % p.size()];
    benchmark::DoNotOptimize(host::compute_worksheet_fn(fn, arguments));
  }
}

void BM_HostNormInv(benchmark::State& state) { through_host(state, kx::WorksheetFn::NormInv, {0.5, 100.0, 15.0}); }
void BM_HostBetaInv(benchmark::State& state) {
  through_host(state, kx::WorksheetFn::BetaInv, {0.5, 2.5, 4.0, 0.0, 10.0});
}
void BM_HostGammaInv(benchmark::State& state) { through_host(state, kx::WorksheetFn::GammaInv, {0.5, 3.5, 2.0}); }
void BM_HostTInv(benchmark::State& state) { through_host(state, kx::WorksheetFn::TInv, {0.5, 7.0}); }
void BM_HostHypGeomDist(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        host::compute_worksheet_fn(kx::WorksheetFn::HypGeomDist, std::vector<Value>{3000.0, 10000.0, 300000.0, 1e6}));
  }
}

// CritBinom takes alpha last.
void BM_HostCritBinom(benchmark::State& state) {
  const auto& p = probabilities();
  std::vector<Value> arguments = {100.0, 0.3, 0.5};
  std::size_t i = 0;
  for (auto _ : state) {
    arguments.back() = p[i++ % p.size()];
    benchmark::DoNotOptimize(host::compute_worksheet_fn(kx::WorksheetFn::CritBinom, arguments));
  }
}

template <class Policy>
void BM_BoostNormalQuantile(benchmark::State& state) {
  const auto& p = probabilities();
  const bm::normal_distribution<double, Policy> distribution(100.0, 15.0);
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(bm::quantile(distribution, p[i++ % p.size()]));
}

template <class Policy>
void BM_BoostBetaQuantile(benchmark::State& state) {
  const auto& p = probabilities();
  const bm::beta_distribution<double, Policy> distribution(2.5, 4.0);
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(bm::quantile(distribution, p[i++ % p.size()]));
}

template <class Policy>
void BM_BoostGammaQuantile(benchmark::State& state) {
  const auto& p = probabilities();
  const bm::gamma_distribution<double, Policy> distribution(3.5, 2.0);
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(bm::quantile(distribution, p[i++ % p.size()]));
}

template <class Policy>
void BM_BoostBinomialQuantile(benchmark::State& state) {
  const auto& p = probabilities();
  const bm::binomial_distribution<double, Policy> distribution(100.0, 0.3);
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(bm::quantile(distribution, p[i++ % p.size()]));
}

// TINV's core: the inverse incomplete beta with its complement.
template <class Policy>
void BM_BoostIbetaInv(benchmark::State& state) {
  const auto& p = probabilities();
  std::size_t i = 0;
  double complement = 0.0;
  for (auto _ : state) benchmark::DoNotOptimize(bm::ibeta_inv(3.5, 0.5, p[i++ % p.size()], &complement, Policy()));
}

template <class Policy>
void BM_BoostHypergeometricPdf(benchmark::State& state) {
  const bm::hypergeometric_distribution<double, Policy> distribution(300000, 10000, 1000000);
  for (auto _ : state) benchmark::DoNotOptimize(bm::pdf(distribution, 3000u));
}

BENCHMARK(BM_HostNormInv);
BENCHMARK(BM_HostBetaInv);
BENCHMARK(BM_HostGammaInv);
BENCHMARK(BM_HostCritBinom);
BENCHMARK(BM_HostTInv);
BENCHMARK(BM_HostHypGeomDist);
BENCHMARK(BM_BoostNormalQuantile<InDouble>);
BENCHMARK(BM_BoostNormalQuantile<Promoted>);
BENCHMARK(BM_BoostBetaQuantile<InDouble>);
BENCHMARK(BM_BoostBetaQuantile<Promoted>);
BENCHMARK(BM_BoostGammaQuantile<InDouble>);
BENCHMARK(BM_BoostGammaQuantile<Promoted>);
BENCHMARK(BM_BoostBinomialQuantile<InDouble>);
BENCHMARK(BM_BoostBinomialQuantile<Promoted>);
BENCHMARK(BM_BoostIbetaInv<InDouble>);
BENCHMARK(BM_BoostIbetaInv<Promoted>);
BENCHMARK(BM_BoostHypergeometricPdf<InDouble>);
BENCHMARK(BM_BoostHypergeometricPdf<Promoted>);

}  // namespace

BENCHMARK_MAIN();
