#include "riskfn/fitting/sampling_call.hpp"

#include <fmt/format.h>

#include <array>
#include <cmath>
#include <span>

#include "common/checked_math.hpp"
#include "riskfn/sampling/sampling_help.hpp"

namespace riskfn::fitting {
namespace {

// Sampling arguments from the dialog's slots.
using Conversion = std::vector<double> (*)(std::span<const double> slots);

struct Mapping {
  std::int32_t code;
  std::string_view function;
  std::size_t slots;  // how many slots the candidate fills
  Conversion convert;
  std::size_t trailing = 0;  // arguments that follow the uniform and the mode
};

std::vector<double> same(std::span<const double> slots) { return {slots.begin(), slots.end()}; }

// The dialog keeps the mean and deviation of ln x; kxLOGNORMAL takes the variable's own.
std::vector<double> lognormal(std::span<const double> slots) {
  const double mu = slots[0];
  const double sigma = slots[1];
  const double mean = kx::checked::exp(mu + sigma * sigma / 2.0);
  const double deviation = kx::checked::mul(mean, kx::checked::sqrt(kx::checked::exp(sigma * sigma) - 1.0));
  return {mean, deviation};
}

// (scale, shape) in the dialog, (shape, scale) in the sampling function.
std::vector<double> swapped(std::span<const double> slots) { return {slots[1], slots[0]}; }

// (min, max, alpha, beta) in the dialog; kxBETAGEN takes alpha and beta first, the bounds last.
std::vector<double> general_beta(std::span<const double> slots) { return {slots[2], slots[3], slots[0], slots[1]}; }

constexpr std::array kMappings{
    Mapping{1, "kxBETA", 2, same},          Mapping{2, "kxBETAGEN", 4, general_beta, 2},
    Mapping{3, "kxBINOMIAL", 2, same},      Mapping{4, "kxCHI2", 1, same},
    Mapping{9, "kxERF", 1, same},           Mapping{10, "kxERLANG", 2, same},
    Mapping{11, "kxEXPON", 1, same},        Mapping{12, "kxEXTVAL", 2, same},
    Mapping{13, "kxGAMMA", 2, same},        Mapping{15, "kxGEO", 1, same},
    Mapping{17, "kxHYPERGEO", 3, same},     Mapping{18, "kxINTUNI", 2, same},
    Mapping{19, "kxGAUSSINV", 2, same},     Mapping{20, "kxLOGISTIC", 2, same},
    Mapping{22, "kxLOGNORMAL", 2, lognormal}, Mapping{24, "kxNEGBIN", 2, same},
    Mapping{25, "kxNORMAL", 2, same},       Mapping{26, "kxPARETO", 2, swapped},
    Mapping{27, "kxPARETO2", 2, same},      Mapping{30, "kxPERT", 3, same},
    Mapping{31, "kxPOISSON", 1, same},      Mapping{32, "kxRAYLEIGH", 1, same},
    Mapping{33, "kxSTUDENT", 1, same},      Mapping{34, "kxTRI", 3, same},
    Mapping{36, "kxUNIFORM", 2, same},      Mapping{37, "kxWEIBULL", 2, same},
};

}  // namespace

std::string SamplingCall::formula() const {
  // The uniform and the mode come after the distribution's own parameters, before any bounds.
  const std::size_t own = values.size() - trailing;
  const std::span<const double> all(values);
  return fmt::format("={}({:.8g},,\"\"{}{:.8g})", function, fmt::join(all.first(own), ","), own < all.size() ? "," : "",
                     fmt::join(all.subspan(own), ","));
}

std::optional<SamplingCall> sampling_call(const Candidate& candidate, const CandidateFit& fit) {
  if (!fit.applicable) return std::nullopt;
  for (const Mapping& mapping : kMappings) {
    if (mapping.code != candidate.code) continue;
    std::vector<double> slots;
    for (std::size_t i = 0; i < mapping.slots; ++i) {
      if (!fit.slots.at(i).is_number()) return std::nullopt;
      slots.push_back(fit.slots.at(i).number());
    }
    SamplingCall call{mapping.function, {}, {}, mapping.trailing};
    try {
      call.values = mapping.convert(slots);
    } catch (const std::exception&) {
      return std::nullopt;  // a conversion that overflows has no formula
    }
    const kx::FunctionHelp* help = kx::find_help(sampling::sampling_help(), mapping.function);
    // The sampling function's own parameters, less the uniform and the mode.
    for (const kx::ParameterHelp& parameter : help->parameters) {
      if (parameter.name != "corFactor" && parameter.name != "ModeSheet") call.labels.push_back(parameter.label);
    }
    return call;
  }
  return std::nullopt;
}

}  // namespace riskfn::fitting

namespace riskfn::fitting {

std::optional<std::vector<double>> sampling_standard_errors(const Candidate& candidate, const CandidateFit& fit,
                                                            const std::vector<std::vector<double>>& covariance) {
  const std::optional<SamplingCall> centre = sampling_call(candidate, fit);
  if (!centre) return std::nullopt;
  const std::size_t k = covariance.size();
  // Column j of the derivative: how each sampling parameter moves with slot j.
  std::vector<std::vector<double>> jacobian(k);
  for (std::size_t j = 0; j < k; ++j) {
    const double x = fit.parameter(j);
    const double step = 1e-6 * std::max(std::fabs(x), 1e-3);
    CandidateFit up = fit;
    CandidateFit down = fit;
    up.slots[j] = x + step;
    down.slots[j] = x - step;
    const auto high = sampling_call(candidate, up);
    const auto low = sampling_call(candidate, down);
    if (!high || !low) return std::nullopt;
    for (std::size_t i = 0; i < centre->values.size(); ++i)
      jacobian[j].push_back((high->values[i] - low->values[i]) / (2.0 * step));
  }
  std::vector<double> errors;
  for (std::size_t i = 0; i < centre->values.size(); ++i) {
    double variance = 0.0;
    for (std::size_t a = 0; a < k; ++a) {
      for (std::size_t b = 0; b < k; ++b) variance += jacobian[a][i] * covariance[a][b] * jacobian[b][i];
    }
    if (!(variance >= 0.0)) return std::nullopt;
    errors.push_back(std::sqrt(variance));
  }
  return errors;
}

}  // namespace riskfn::fitting
