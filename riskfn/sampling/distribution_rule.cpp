#include "riskfn/sampling/distribution_rule.hpp"

#include <cmath>

#include "common/checked_math.hpp"
#include "common/conversions.hpp"
#include "common/failure.hpp"

namespace riskfn::distribution {

kx::Value evaluate(kx::Application& host, const DistributionRule& rule, double x,
                   std::initializer_list<double> parameters, bool cumulative) {
  const Parameters p(parameters.begin(), parameters.size());
  if (rule.support) {
    if (const std::optional<Support> support = rule.support(p)) {
      const double point = rule.truncates_x ? std::trunc(x) : x;
      if (point < support->lowest) return 0.0;
      if (point > support->highest) return cumulative ? 1.0 : 0.0;
    }
  }
  const bool cumulative_asked = cumulative && rule.cumulative;
  const kx::Value result = cumulative_asked ? rule.cumulative(x, p, host) : rule.density(x, p, host);
  if (!result.is_number()) return result;
  // Parameters that make no distribution must not pass for one through a negative density or
  // a probability above 1.
  const double value = kx::checked::finite(result.number());
  require(value >= 0.0 && !(cumulative_asked && value > 1.0), "the parameters make no distribution");
  return value;
}

double evaluate_number(kx::Application& host, const DistributionRule& rule, double x,
                       std::initializer_list<double> parameters, bool cumulative) {
  return kx::to_double(evaluate(host, rule, x, parameters, cumulative));
}

bool cumulative_selected(double CumulProb) { return kx::round_half_even(CumulProb) == -1.0; }

double host_number(kx::Application& host, kx::WorksheetFn fn, std::initializer_list<kx::Value> arguments) {
  return kx::to_double(host.call(fn, arguments));
}

double gamma_ln(kx::Application& host, double x) { return host_number(host, kx::WorksheetFn::GammaLn, {x}); }

double host_pi(kx::Application& host) { return host_number(host, kx::WorksheetFn::Pi, {}); }

void require(bool sound, const char* what) {
  if (!sound) throw kx::Failure(kx::error::kInvalidCall, std::string("Invalid procedure call: ") + what);
}

}  // namespace riskfn::distribution
