// The protocol every sampling function of Main follows, written once: mark the calling cell
// volatile, reseed, answer "ShowMode" with the deterministic value, otherwise turn a uniform u
// into a variate. Each distribution contributes one SamplingRule.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "common/automation/interface.hpp"
#include "common/conversions.hpp"
#include "common/failure.hpp"
#include "common/host_services.hpp"
#include "common/value.hpp"

namespace riskfn::sampling {

// The text of ModeSheet that asks for the deterministic value; compared case-sensitively.
inline constexpr std::string_view kShowMode = "ShowMode";

// One distribution parameter as the caller passed it. A declared double is read as it is; a
// variant is converted only where a rule uses it, so a deterministic value that ignores a
// parameter never fails on it.
class Parameter {
 public:
  Parameter(double& number) : number_(&number) {}
  Parameter(const double&) = delete;  // a temporary cannot take a value written back
  Parameter(const kx::Value& value) : variant_(&value) {}

  double number() const { return variant_ ? kx::to_double(*variant_) : *number_; }
  // The argument as a cell value; a one-cell range stands for its value.
  kx::Value value() const;
  // Writes back into a by-reference double (kxBINOMIAL's Success).
  void replace(double number) const;

 private:
  double* number_ = nullptr;
  const kx::Value* variant_ = nullptr;
};

// The parameters of one call, in declared order. Lives only as long as the call.
class Parameters {
 public:
  Parameters(std::initializer_list<Parameter> parameters) : parameters_(parameters) {}
  double operator[](std::size_t index) const { return at(index).number(); }
  const Parameter& at(std::size_t index) const { return parameters_.begin()[index]; }

 private:
  std::initializer_list<Parameter> parameters_;
};

// Where a rule's bounds test stands in the protocol.
enum class BoundsTest {
  kNone,
  kBeforeShowMode,  // kxTRI: bad bounds give the bad-bounds error value whatever ModeSheet holds
  kBeforeUniform,   // kxRANDBETWEEN: "ShowMode" still answers, sampling needs sound bounds
};

// One sampling function's distribution.
struct SamplingRule {
  kx::Value (*deterministic)(const Parameters& parameters, kx::Application& host) = nullptr;
  kx::Value (*variate)(const Parameters& parameters, double u, kx::Application& host) = nullptr;
  BoundsTest bounds_test = BoundsTest::kNone;
  bool (*bounds_hold)(const Parameters& parameters) = nullptr;
  // kxCHI2 reads its uniform before the "ShowMode" test, so a bad corFactor fails either way.
  bool uniform_before_show_mode = false;
  // A second ModeSheet text that also selects the deterministic value (kxBETAGEN's "0").
  std::string_view also_deterministic = {};
};

// Runs the protocol for one call. Failures leave as kx::Failure; the caller's reporting
// wrapper (trapped_variant, trapped_numeric or replaced_on_failure) turns them into its result.
kx::Value sample(kx::Application& host, const SamplingRule& rule, const Parameters& parameters,
                 const kx::Value& corFactor, const std::string& ModeSheet);

// `sample` for calls with numbers for their parameters, an omitted corFactor and no
// deterministic value, as a simulation makes them for a block of iterations without a call by
// name (see kx::SamplingDraw). `provider` is the Main whose host the rule calls.
void draw_numbers(kx::Object& provider, const void* rule, std::span<const double* const> parameters, const double* u,
                  std::span<kx::UniformGenerator> generators, const std::uint8_t* wanted, double* variates,
                  std::uint8_t* drawn);

constexpr kx::SamplingDraw sampling_draw(const SamplingRule& rule, std::size_t numbers, std::size_t numbers_after = 0) {
  return {numbers, numbers_after, &draw_numbers, &rule, kShowMode, rule.also_deterministic};
}

// Makes the sampling methods whose parameters are all numbers reachable as draws.
void add_continuous_draws(kx::Interface& interface);
void add_discrete_draws(kx::Interface& interface);

// The uniform of a call: a drawn one when corFactor holds an error value (the
// missing-argument marker, or a cell showing an error), otherwise corFactor as a number.
double uniform_from(const kx::Value& corFactor);

// A host function's result used in arithmetic: an error value there is a type mismatch.
inline double number_of(const kx::Value& host_result) { return kx::to_double(host_result); }

// The host's natural logarithm, as a number.
double host_ln(kx::Application& host, double x);

// kxGAMMA's reporting: any failure gives the fallback in place of the result.
template <class Body>
kx::Value replaced_on_failure(double fallback, Body&& body) {
  try {
    kx::Value result = body();
    return result.is_error() ? kx::Value(fallback) : result;
  } catch (const std::exception&) {
    return fallback;
  }
}

}  // namespace riskfn::sampling
