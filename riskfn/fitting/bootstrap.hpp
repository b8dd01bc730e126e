// p-values of a fitted candidate's Kolmogorov-Smirnov and Anderson-Darling statistics by the
// parametric bootstrap: samples of the data's size drawn from the fitted distribution through its
// own sampling function, each fitted again by the same method, their statistics counted against
// the data's. This accounts for the parameters having been estimated from the data, which the
// limiting distributions do not.
#pragma once

#include <cstdint>
#include <optional>

#include "riskfn/fitting/likelihood.hpp"

namespace riskfn::fitting {

struct BootstrapPValues {
  std::optional<double> kolmogorov_smirnov;
  std::optional<double> anderson_darling;
  int replicates = 0;  // those whose fit succeeded
};

// Replicates are drawn from a generator fixed by `seed` and the candidate's code, so that a run
// repeats exactly. `observed` holds the data's statistics for `fitted`.
BootstrapPValues bootstrap_p_values(const CandidateSet& set, const FittedCandidate& fitted,
                                    const FitStatistics& observed, int replicates, std::uint64_t seed);

}  // namespace riskfn::fitting
