// The distribution functions of the discrete distributions: the probability of ProbX, or its
// cumulative probability where the function offers it; one rule per distribution, each member
// untrapped.
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "common/checked_math.hpp"
#include "riskfn/frame/main.hpp"
#include "riskfn/sampling/distribution_rule.hpp"

namespace riskfn {
namespace {

namespace checked = kx::checked;
using distribution::DistributionRule;
using distribution::kUnbounded;
using distribution::Parameters;
using distribution::Support;
using distribution::support_if;
using kx::Application;
using kx::Value;
using kx::WorksheetFn;

bool is_probability(double p) { return p >= 0.0 && p <= 1.0; }

// Parameters: Trials n, Successes p (the success probability). The host truncates x and n.
constexpr DistributionRule kBinomial = {
    .density =
        [](double x, Parameters p, Application& host) {
          return host.call(WorksheetFn::BinomDist, {x, p[0], p[1], false});
        },
    .cumulative =
        [](double x, Parameters p, Application& host) {
          return host.call(WorksheetFn::BinomDist, {x, p[0], p[1], true});
        },
    .support = [](Parameters p) { return support_if(p[0] >= 0.0 && is_probability(p[1]), 0.0, std::trunc(p[0])); },
    .truncates_x = true,
};

// Parameters: Trials p, the success probability; x counts the failures before the first
// success. The cumulative probability 1 - (1 - p)^(floor(x) + 1) keeps its digits near 0.
constexpr DistributionRule kGeometric = {
    .density =
        [](double x, Parameters p, Application&) {
          distribution::require(p[0] > 0.0 && p[0] <= 1.0, "the success probability must lie in (0, 1]");
          return Value(checked::mul(p[0], checked::pow(1.0 - p[0], x)));
        },
    .cumulative =
        [](double x, Parameters p, Application&) {
          distribution::require(p[0] > 0.0 && p[0] <= 1.0, "the success probability must lie in (0, 1]");
          if (p[0] == 1.0) return Value(1.0);
          return Value(-std::expm1((std::floor(x) + 1.0) * std::log1p(-p[0])));
        },
    .support = [](Parameters p) { return support_if(p[0] > 0.0 && p[0] <= 1.0, 0.0, kUnbounded); },
};

// Parameters: Sample n, Defects K, BatchSize N. The host truncates all four to whole numbers.
constexpr DistributionRule kHypergeometric = {
    .density =
        [](double x, Parameters p, Application& host) {
          return host.call(WorksheetFn::HypGeomDist, {x, p[0], p[1], p[2]});
        },
    .support =
        [](Parameters p) {
          const double sample = std::trunc(p[0]);
          const double defects = std::trunc(p[1]);
          const double batch = std::trunc(p[2]);
          const bool sound = batch > 0.0 && sample >= 0.0 && sample <= batch && defects >= 0.0 && defects <= batch;
          return support_if(sound, std::max(0.0, sample + defects - batch), std::min(sample, defects));
        },
    .truncates_x = true,
};

// Parameters: LowVal, UpVal. x need not be whole.
constexpr DistributionRule kIntegerUniform = {
    .density =
        [](double x, Parameters p, Application&) {
          if (x < p[0] || x > p[1]) return Value(0.0);
          return Value(checked::div(1.0, p[1] - p[0] + 1.0));
        },
};

// Parameters: Failures r, the successes that end the experiment, and Successes p, the success
// probability; x counts the failures before the r-th success.
constexpr DistributionRule kNegativeBinomial = {
    .density =
        [](double x, Parameters p, Application& host) {
          return host.call(WorksheetFn::NegBinomDist, {x, p[0], p[1]});
        },
    .support = [](Parameters p) { return support_if(p[0] >= 1.0 && is_probability(p[1]), 0.0, kUnbounded); },
    .truncates_x = true,
};

// Parameters: Mean.
constexpr DistributionRule kPoisson = {
    .density =
        [](double x, Parameters p, Application& host) {
          return host.call(WorksheetFn::Poisson, {x, p[0], false});
        },
    .cumulative =
        [](double x, Parameters p, Application& host) {
          return host.call(WorksheetFn::Poisson, {x, p[0], true});
        },
    .support = [](Parameters p) { return support_if(p[0] >= 0.0, 0.0, kUnbounded); },
    .truncates_x = true,
};

}  // namespace

using distribution::cumulative_selected;
using distribution::evaluate;
using distribution::evaluate_number;

double Main::kxBINOMIALc(double ProbX, double Trials, double Successes, double CumulProb) {
  return evaluate_number(host(), kBinomial, ProbX, {Trials, Successes}, cumulative_selected(CumulProb));
}

double Main::kxGEOc(double ProbX, double Trials, bool CumulProb) {
  return evaluate_number(host(), kGeometric, ProbX, {Trials}, CumulProb);
}

Value Main::kxHYPERGEOc(double ProbX, double Sample, double Defects, double BatchSize) {
  return evaluate(host(), kHypergeometric, ProbX, {Sample, Defects, BatchSize});
}

Value Main::kxINTUNIc(double ProbX, double LowVal, double UpVal) {
  return evaluate(host(), kIntegerUniform, ProbX, {LowVal, UpVal});
}

Value Main::kxNEGBINc(double ProbX, double Failures, double Successes) {
  return evaluate(host(), kNegativeBinomial, ProbX, {Failures, Successes});
}

double Main::kxPOISSONc(double ProbX, double Mean, bool CumulProb) {
  return evaluate_number(host(), kPoisson, ProbX, {Mean}, CumulProb);
}

}  // namespace riskfn
