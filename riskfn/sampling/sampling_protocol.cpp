#include "riskfn/sampling/sampling_protocol.hpp"

#include <array>
#include <cmath>

#include "common/checked_math.hpp"
#include "common/uniform_generator.hpp"
#include "riskfn/frame/main.hpp"

namespace riskfn::sampling {
namespace {

// A cell reference passed as a variant stands for the cell's value.
kx::Value scalar_of(const kx::Value& value) {
  if (value.is_range() && value.range()->count() == 1) return value.range()->value();
  return value;
}

// A variate leaves as a finite number; -0 becomes 0 so that no cell shows "-0".
kx::Value finished(kx::Value result) {
  if (!result.is_number()) return result;
  const double variate = kx::checked::finite(result.number());
  if (variate == 0.0) return 0.0;
  return result;
}

}  // namespace

kx::Value Parameter::value() const { return variant_ ? scalar_of(*variant_) : kx::Value(*number_); }

void Parameter::replace(double number) const {
  if (number_ == nullptr) throw kx::Failure(kx::error::kInvalidCall, "Only a declared double can be written back");
  *number_ = number;
}

double uniform_from(const kx::Value& corFactor) {
  if (corFactor.is_error()) return kx::uniform_generator().next();
  if (!corFactor.is_range()) return kx::to_double(corFactor);
  const kx::Value cell = scalar_of(corFactor);
  return cell.is_error() ? kx::uniform_generator().next() : kx::to_double(cell);
}

double host_ln(kx::Application& host, double x) { return number_of(host.call_with_numbers(kx::WorksheetFn::Ln, {x})); }

kx::Value sample(kx::Application& host, const SamplingRule& rule, const Parameters& parameters,
                 const kx::Value& corFactor, const std::string& ModeSheet) {
  host.mark_volatile();
  // Every call reseeds, whatever it returns, so that recalculations never repeat a stream.
  kx::uniform_generator().reseed();
  const auto bad_bounds = [&] { return kx::Value(kx::ErrorValue{kx::error::kBadBounds}); };
  if (rule.bounds_test == BoundsTest::kBeforeShowMode && !rule.bounds_hold(parameters)) return bad_bounds();

  double u = 0.0;
  if (rule.uniform_before_show_mode) u = uniform_from(corFactor);
  if (ModeSheet == kShowMode || (!rule.also_deterministic.empty() && ModeSheet == rule.also_deterministic)) {
    return finished(rule.deterministic(parameters, host));
  }
  if (rule.bounds_test == BoundsTest::kBeforeUniform && !rule.bounds_hold(parameters)) return bad_bounds();
  if (!rule.uniform_before_show_mode) u = uniform_from(corFactor);
  return finished(rule.variate(parameters, u, host));
}

void draw_numbers(kx::Object& provider, const void* rule_address, std::span<const double* const> parameters,
                  const double* u, std::span<kx::UniformGenerator> generators, const std::uint8_t* wanted,
                  double* variates, std::uint8_t* drawn) {
  const SamplingRule& rule = *static_cast<const SamplingRule*>(rule_address);
  kx::Application& host = static_cast<Main&>(provider).host();
  std::array<double, 4> p{};
  // The steps of `sample` that such a call takes; whatever else would happen is left to the call.
  const auto draw = [&](const Parameters& given, std::size_t i) {
    kx::UniformGenerator generator = generators[i];
    generator.reseed();
    if (rule.bounds_test != BoundsTest::kNone && !rule.bounds_hold(given)) return false;
    const double uniform = u != nullptr && !std::isnan(u[i]) ? u[i] : generator.next();
    const kx::Value result = rule.variate(given, uniform, host);
    if (!result.is_number() || !std::isfinite(result.number())) return false;
    variates[i] = result.number() == 0.0 ? 0.0 : result.number();
    generators[i] = generator;
    return true;
  };
  for (std::size_t i = 0; i < generators.size(); ++i) {
    drawn[i] = 0;
    if (wanted[i] == 0 || parameters.size() > p.size()) continue;
    for (std::size_t k = 0; k < parameters.size(); ++k) p[k] = parameters[k][i];
    try {
      switch (parameters.size()) {
        case 1: drawn[i] = draw({p[0]}, i); break;
        case 2: drawn[i] = draw({p[0], p[1]}, i); break;
        case 3: drawn[i] = draw({p[0], p[1], p[2]}, i); break;
        case 4: drawn[i] = draw({p[0], p[1], p[2], p[3]}, i); break;
        default: break;
      }
    } catch (const std::exception&) {
      drawn[i] = 0;
    }
  }
}

}  // namespace riskfn::sampling
