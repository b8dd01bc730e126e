// What every distribution function of Main shares, written once: outside the values a
// distribution takes, the density is 0 and the cumulative probability 0 or 1; inside, the
// distribution's own rule computes. Each distribution contributes one DistributionRule.
#pragma once

#include <initializer_list>
#include <limits>
#include <optional>
#include <span>

#include "common/host_services.hpp"
#include "common/value.hpp"

namespace riskfn::distribution {

// The parameters after ProbX, in declared order.
using Parameters = std::span<const double>;

// The values a distribution takes: [lowest, highest].
struct Support {
  double lowest;
  double highest;
};

inline constexpr double kUnbounded = std::numeric_limits<double>::infinity();

// The support for sound parameters, nothing for unsound ones.
inline std::optional<Support> support_if(bool sound, double lowest, double highest) {
  if (!sound) return std::nullopt;
  return Support{lowest, highest};
}

struct DistributionRule {
  kx::Value (*density)(double x, Parameters p, kx::Application& host) = nullptr;
  // Null for the functions that offer the density only.
  kx::Value (*cumulative)(double x, Parameters p, kx::Application& host) = nullptr;
  // The support for sound parameters; nullopt for unsound ones, which the rule itself then
  // meets as the host or the arithmetic does (an error value or a failure). Null: the rule
  // handles every x itself.
  std::optional<Support> (*support)(Parameters p) = nullptr;
  // A discrete distribution whose host function truncates x to a whole number first.
  bool truncates_x = false;
};

// The density (or probability) at x, or the cumulative probability when asked. Untrapped:
// failures leave as kx::Failure; a host error value comes back as the result.
kx::Value evaluate(kx::Application& host, const DistributionRule& rule, double x,
                   std::initializer_list<double> parameters, bool cumulative = false);

// The same for a function declared to return a double: a host error value there is a type
// mismatch (13).
double evaluate_number(kx::Application& host, const DistributionRule& rule, double x,
                       std::initializer_list<double> parameters, bool cumulative = false);

// A CumulProb declared as a double selects the cumulative probability when it rounds to -1,
// which is what TRUE becomes; 1 and every other value select the density.
bool cumulative_selected(double CumulProb);

// Host functions the rules use, as numbers: an error value there is a type mismatch.
double host_number(kx::Application& host, kx::WorksheetFn fn, std::initializer_list<kx::Value> arguments);
double gamma_ln(kx::Application& host, double x);
double host_pi(kx::Application& host);

// Fails with an invalid procedure call unless the parameters make a distribution; used where
// a locally computed formula would otherwise return a number that is no probability.
void require(bool sound, const char* what);

}  // namespace riskfn::distribution
