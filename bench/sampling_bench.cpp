// Cost of one sampling call with a drawn uniform (volatile mark and reseed included) against
// the bare cost of one generator draw plus Boost.Math's quantile of the same distribution, with
// and without promotion of doubles to long double inside Boost. Ends with a side-by-side table.
#include <benchmark/benchmark.h>

#include <boost/math/distributions/beta.hpp>
#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/exponential.hpp>
#include <boost/math/distributions/extreme_value.hpp>
#include <boost/math/distributions/gamma.hpp>
#include <boost/math/distributions/geometric.hpp>
#include <boost/math/distributions/hypergeometric.hpp>
#include <boost/math/distributions/inverse_gaussian.hpp>
#include <boost/math/distributions/logistic.hpp>
#include <boost/math/distributions/lognormal.hpp>
#include <boost/math/distributions/negative_binomial.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/pareto.hpp>
#include <boost/math/distributions/poisson.hpp>
#include <boost/math/distributions/rayleigh.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <boost/math/distributions/triangular.hpp>
#include <boost/math/distributions/uniform.hpp>
#include <boost/math/distributions/weibull.hpp>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/uniform_generator.hpp"
#include "host/document/spreadsheet.hpp"
#include "riskfn/frame/main.hpp"

namespace {

namespace bm = boost::math;
namespace policies = boost::math::policies;
using kx::Value;

// Discrete quantiles as the smallest value whose cumulative probability reaches u.
using Direct =
    policies::policy<policies::promote_double<false>, policies::discrete_quantile<policies::integer_round_up>>;
using Promoting =
    policies::policy<policies::promote_double<true>, policies::discrete_quantile<policies::integer_round_up>>;

// The arguments every call shares: a missing corFactor draws, an empty ModeSheet samples.
struct Call {
  std::shared_ptr<riskfn::Main> main = riskfn::Main::create();
  Value missing = Value::missing();
  std::string mode;
  Call() { main->set_application(Value(kx::ObjectRef(host::Spreadsheet::create()))); }
};
Call& shared_call() {
  static Call call;
  return call;
}

double u() { return kx::uniform_generator().next(); }

struct Row {
  const char* function;
  std::function<double(Call&)> call;
  // The bare draw and quantile, given as a template on Boost's policy.
  std::function<double()> bare;
  std::function<double()> bare_promoting;
};

template <class Quantile>
Row row(const char* function, std::function<double(Call&)> call, Quantile quantile) {
  return {function, std::move(call), [quantile] { return quantile(Direct()); },
          [quantile] { return quantile(Promoting()); }};
}

double number(const Value& value) { return value.is_number() ? value.number() : 0.0; }

std::vector<Row> rows() {
  const double pert_mean = (1.0 + 4.0 * 3.0 + 10.0) / 6.0;
  const double pert_alpha = 6 * (pert_mean - 1) / 9;
  const double pert_beta = 6 * (10 - pert_mean) / 9;
  const double log_sd = std::sqrt(std::log(109.0 / 100.0));
  const double log_mean = std::log(100 / std::sqrt(109.0));
  return {
      row(
          "kxBETA", [](Call& c) { return number(c.main->kxBETA(2, 3, c.missing, c.mode)); },
          []<class P>(P) { return bm::quantile(bm::beta_distribution<double, P>(2, 3), u()); }),
      row(
          "kxBETAGEN",
          [](Call& c) {
            double low = 10, up = 20;
            return number(c.main->kxBETAGEN(2, 3, c.missing, c.mode, low, up));
          },
          []<class P>(P) { return 10 + 10 * bm::quantile(bm::beta_distribution<double, P>(2, 3), u()); }),
      row(
          "kxBINOMIAL",
          [](Call& c) {
            Value trials(20.0);
            double p = 0.3;
            return double(c.main->kxBINOMIAL(trials, p, c.missing, c.mode));
          },
          []<class P>(P) { return bm::quantile(bm::binomial_distribution<double, P>(20, 0.3), u()); }),
      row(
          "kxCHI2",
          [](Call& c) {
            Value degrees(5.0);
            return c.main->kxCHI2(degrees, c.missing, c.mode);
          },
          []<class P>(P) { return bm::quantile(bm::chi_squared_distribution<double, P>(5), u()); }),
      row(
          "kxDISCRETE",
          [](Call& c) {
            static Value values = kx::Array::vector({5.0, 1.0, 3.0}, 1);
            static Value probabilities = kx::Array::vector({0.2, 0.5, 0.3}, 1);
            return c.main->kxDISCRETE(values, probabilities, c.missing, c.mode);
          },
          // No Boost distribution: the bare cost is the draw and a scan of the cumulative sums.
          []<class P>(P) {
            const double x = u();
            return x < 0.2 ? 5.0 : x < 0.7 ? 1.0 : 3.0;
          }),
      row(
          "kxERF",
          [](Call& c) {
            Value h(2.0);
            return c.main->kxERF(h, c.missing, c.mode);
          },
          []<class P>(P) {
            return bm::quantile(bm::normal_distribution<double, P>(0, 1 / (2 * std::sqrt(2.0))), u());
          }),
      row(
          "kxERLANG",
          [](Call& c) {
            double shape = 3, scale = 2;
            return c.main->kxERLANG(shape, scale, c.missing, c.mode);
          },
          []<class P>(P) { return bm::quantile(bm::gamma_distribution<double, P>(3, 2), u()); }),
      row(
          "kxEXPON",
          [](Call& c) {
            double mean = 5;
            return c.main->kxEXPON(mean, c.missing, c.mode);
          },
          []<class P>(P) { return bm::quantile(bm::exponential_distribution<double, P>(0.2), u()); }),
      row(
          "kxEXTVAL", [](Call& c) { return number(c.main->kxEXTVAL(10, 2, c.missing, c.mode)); },
          []<class P>(P) { return bm::quantile(bm::extreme_value_distribution<double, P>(10, 2), u()); }),
      row(
          "kxGAMMA", [](Call& c) { return number(c.main->kxGAMMA(3, 2, c.missing, c.mode)); },
          []<class P>(P) { return bm::quantile(bm::gamma_distribution<double, P>(3, 2), u()); }),
      row(
          "kxGAUSSINV",
          [](Call& c) {
            double mean = 1, shape = 3;
            return c.main->kxGAUSSINV(mean, shape, c.missing, c.mode);
          },
          []<class P>(P) { return bm::quantile(bm::inverse_gaussian_distribution<double, P>(1, 3), u()); }),
      row(
          "kxGEO",
          [](Call& c) {
            Value p(0.3);
            return number(c.main->kxGEO(p, c.missing, c.mode));
          },
          []<class P>(P) { return bm::quantile(bm::geometric_distribution<double, P>(0.3), u()); }),
      row(
          "kxHYPERGEO",
          [](Call& c) {
            Value sample(10.0), defects(20.0), batch(60.0);
            return c.main->kxHYPERGEO(sample, defects, batch, c.missing, c.mode);
          },
          []<class P>(P) { return double(bm::quantile(bm::hypergeometric_distribution<double, P>(20, 10, 60), u())); }),
      row(
          "kxINTUNI",
          [](Call& c) {
            Value low(3.0), up(9.0);
            return number(c.main->kxINTUNI(low, up, c.missing, c.mode));
          },
          // No Boost distribution: the draw and the floor.
          []<class P>(P) { return 3.0 + std::floor(u() * 7.0); }),
      row(
          "kxLOGISTIC",
          [](Call& c) {
            Value mean(5.0), scale(2.0);
            return c.main->kxLOGISTIC(mean, scale, c.missing, c.mode);
          },
          []<class P>(P) { return bm::quantile(bm::logistic_distribution<double, P>(5, 2), u()); }),
      row(
          "kxLOGNORMAL",
          [](Call& c) {
            double mean = 10, sd = 3;
            return c.main->kxLOGNORMAL(mean, sd, c.missing, c.mode);
          },
          [=]<class P>(P) { return bm::quantile(bm::lognormal_distribution<double, P>(log_mean, log_sd), u()); }),
      row(
          "kxNEGBIN",
          [](Call& c) {
            Value r(5.0), p(0.4);
            return c.main->kxNEGBIN(r, p, c.missing, c.mode);
          },
          []<class P>(P) { return bm::quantile(bm::negative_binomial_distribution<double, P>(5, 0.4), u()); }),
      row(
          "kxNORMAL",
          [](Call& c) {
            Value mean(100.0), sd(15.0);
            return c.main->kxNORMAL(mean, sd, c.missing, c.mode);
          },
          []<class P>(P) { return bm::quantile(bm::normal_distribution<double, P>(100, 15), u()); }),
      row(
          "kxPARETO",
          [](Call& c) {
            Value shape(3.0), scale(2.0);
            return c.main->kxPARETO(shape, scale, c.missing, c.mode);
          },
          []<class P>(P) { return bm::quantile(bm::pareto_distribution<double, P>(2, 3), u()); }),
      row(
          "kxPARETO2",
          [](Call& c) {
            Value shape(3.0), scale(2.0);
            return c.main->kxPARETO2(shape, scale, c.missing, c.mode);
          },
          []<class P>(P) { return bm::quantile(bm::pareto_distribution<double, P>(2, 3), u()) - 2; }),
      row(
          "kxPERT",
          [](Call& c) {
            Value low(1.0), likely(3.0), high(10.0);
            return number(c.main->kxPERT(low, likely, high, c.missing, c.mode));
          },
          [=]<class P>(P) {
            return 1 + 9 * bm::quantile(bm::beta_distribution<double, P>(pert_alpha, pert_beta), u());
          }),
      row(
          "kxPOISSON",
          [](Call& c) {
            double mean = 4.5;
            return number(c.main->kxPOISSON(mean, c.missing, c.mode));
          },
          []<class P>(P) { return bm::quantile(bm::poisson_distribution<double, P>(4.5), u()); }),
      row(
          "kxPOISSON(250)",
          [](Call& c) {
            double mean = 250;
            return number(c.main->kxPOISSON(mean, c.missing, c.mode));
          },
          []<class P>(P) { return bm::quantile(bm::poisson_distribution<double, P>(250), u()); }),
      row(
          "kxRANDBETWEEN", [](Call& c) { return number(c.main->kxRANDBETWEEN(-4, 6, c.missing, c.mode)); },
          []<class P>(P) { return bm::quantile(bm::uniform_distribution<double, P>(-4, 6), u()); }),
      row(
          "kxRAYLEIGH",
          [](Call& c) {
            Value scale(2.0);
            return c.main->kxRAYLEIGH(scale, c.missing, c.mode);
          },
          []<class P>(P) { return bm::quantile(bm::rayleigh_distribution<double, P>(2), u()); }),
      row(
          "kxSTUDENT",
          [](Call& c) {
            Value degrees(5.0);
            return c.main->kxSTUDENT(degrees, c.missing, c.mode);
          },
          []<class P>(P) { return bm::quantile(bm::students_t_distribution<double, P>(5), u()); }),
      row(
          "kxTRI",
          [](Call& c) {
            double low = 0, mode = 3, up = 10;
            return number(c.main->kxTRI(low, mode, up, c.missing, c.mode));
          },
          []<class P>(P) { return bm::quantile(bm::triangular_distribution<double, P>(0, 3, 10), u()); }),
      row(
          "kxUNIFORM",
          [](Call& c) {
            double low = 2, up = 6;
            return number(c.main->kxUNIFORM(low, up, c.missing, c.mode));
          },
          []<class P>(P) { return bm::quantile(bm::uniform_distribution<double, P>(2, 6), u()); }),
      row(
          "kxWEIBULL",
          [](Call& c) {
            Value shape(1.5), scale(2.0);
            return c.main->kxWEIBULL(shape, scale, c.missing, c.mode);
          },
          []<class P>(P) { return bm::quantile(bm::weibull_distribution<double, P>(1.5, 2), u()); }),
  };
}

// The console output, then one line per function: call, bare cost and their ratio.
class SideBySideReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) nanoseconds_[run.benchmark_name()] = run.GetAdjustedCPUTime();
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    const double reseed = nanoseconds_["reseed+draw"];
    std::printf("\nA reseed and a draw alone, which every call makes: %.1f ns\n", reseed);
    std::printf("\n%-16s %10s %12s %7s %16s %7s\n", "function", "call ns", "bare ns", "ratio", "bare promoting",
                "ratio");
    for (const Row& row : rows()) {
      const std::string name = row.function;
      if (!nanoseconds_.count(name + "/call")) continue;
      const double call = nanoseconds_[name + "/call"];
      const double bare = nanoseconds_[name + "/bare"];
      const double promoting = nanoseconds_[name + "/bare_promoting"];
      std::printf("%-16s %10.1f %12.1f %7.2f %16.1f %7.2f\n", row.function, call, bare, call / bare, promoting,
                  call / promoting);
    }
  }

 private:
  std::map<std::string, double> nanoseconds_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::RegisterBenchmark("reseed+draw", [](benchmark::State& state) {
    for (auto _ : state) {
      kx::uniform_generator().reseed();
      benchmark::DoNotOptimize(u());
    }
  })->Unit(benchmark::kNanosecond);
  for (const Row& row : rows()) {
    const std::string name = row.function;
    benchmark::RegisterBenchmark((name + "/call").c_str(), [row](benchmark::State& state) {
      Call& call = shared_call();
      for (auto _ : state) benchmark::DoNotOptimize(row.call(call));
    })->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark((name + "/bare").c_str(), [row](benchmark::State& state) {
      for (auto _ : state) benchmark::DoNotOptimize(row.bare());
    })->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark((name + "/bare_promoting").c_str(), [row](benchmark::State& state) {
      for (auto _ : state) benchmark::DoNotOptimize(row.bare_promoting());
    })->Unit(benchmark::kNanosecond);
  }
  benchmark::Initialize(&argc, argv);
  SideBySideReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
