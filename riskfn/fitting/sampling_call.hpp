// A fitted candidate as the sampling function that draws from it: the parameters in that
// function's order and meaning, and the formula to paste into a model. The dialog's table keeps
// its own layout (LogNormal by the moments of ln x, Pareto scale first, the general beta's bounds
// first); this converts for display.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "riskfn/fitting/candidates.hpp"

namespace riskfn::fitting {

struct SamplingCall {
  std::string_view function;             // "kxLOGNORMAL"
  std::vector<std::string_view> labels;  // "mean", "standard deviation"
  std::vector<double> values;
  std::size_t trailing = 0;  // values that follow the uniform and the mode (kxBETAGEN's bounds)

  // "=kxLOGNORMAL(22.1,10.9,,\"\")": the arguments, the empty uniform and the sampling mode.
  std::string formula() const;
};

// None when the candidate is not applicable or a slot it needs is not a number.
std::optional<SamplingCall> sampling_call(const Candidate& candidate, const CandidateFit& fit);

// The standard errors of the sampling call's parameters, carried from the covariance of the
// slots' estimates through the conversion's derivatives (the delta method).
std::optional<std::vector<double>> sampling_standard_errors(const Candidate& candidate, const CandidateFit& fit,
                                                            const std::vector<std::vector<double>>& covariance);

}  // namespace riskfn::fitting
