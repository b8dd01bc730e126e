#include "riskfn/fitting/bootstrap.hpp"

#include <algorithm>
#include <random>
#include <vector>

#include "common/automation/dispatch.hpp"
#include "common/conversions.hpp"
#include "riskfn/fitting/sampling_call.hpp"
#include "riskfn/frame/main.hpp"

namespace riskfn::fitting {

BootstrapPValues bootstrap_p_values(const CandidateSet& set, const FittedCandidate& fitted,
                                    const FitStatistics& observed, int replicates, std::uint64_t seed) {
  BootstrapPValues result;
  const std::optional<SamplingCall> call = sampling_call(*fitted.candidate, fitted.fit);
  if (!call || replicates <= 0) return result;
  Main& main = set.context().root;
  std::mt19937_64 engine(seed ^ (static_cast<std::uint64_t>(fitted.candidate->code) << 32));
  // The sampling function's arguments with the uniform in its place and the sampling mode after it.
  const std::size_t own = call->values.size() - call->trailing;
  std::vector<kx::Value> arguments(call->values.begin(), call->values.begin() + static_cast<long>(own));
  const std::size_t uniform = arguments.size();
  arguments.emplace_back(0.0);
  arguments.emplace_back(std::string());
  for (std::size_t i = own; i < call->values.size(); ++i) arguments.emplace_back(call->values[i]);

  int ks_exceeded = 0;
  int ad_exceeded = 0;
  int ad_counted = 0;
  std::vector<double> sample(set.sorted().size());
  for (int r = 0; r < replicates; ++r) {
    try {
      for (double& x : sample) {
        // Strictly inside (0, 1): the inverse of a distribution with unbounded support fails at the ends.
        arguments[uniform] = (static_cast<double>(engine() >> 11) + 0.5) * 0x1.0p-53;
        std::vector<kx::Value> call_arguments = arguments;
        x = kx::to_double(kx::call_by_name(main, call->function, call_arguments));
      }
    } catch (const std::exception&) {
      continue;
    }
    std::sort(sample.begin(), sample.end());
    const CandidateSet replicate(main, sample);
    const FittedCandidate refitted =
        fitted.by_likelihood ? fit_by_likelihood(replicate, *fitted.candidate) : replicate.fit(*fitted.candidate);
    const std::optional<FitStatistics> statistics = fit_statistics(replicate, refitted);
    if (!statistics || !statistics->kolmogorov_smirnov) continue;
    ++result.replicates;
    if (*statistics->kolmogorov_smirnov >= observed.kolmogorov_smirnov.value_or(0.0)) ++ks_exceeded;
    if (statistics->anderson_darling && observed.anderson_darling) {
      ++ad_counted;
      if (*statistics->anderson_darling >= *observed.anderson_darling) ++ad_exceeded;
    }
  }
  if (result.replicates > 0 && observed.kolmogorov_smirnov)
    result.kolmogorov_smirnov = (1.0 + ks_exceeded) / (1.0 + result.replicates);
  if (ad_counted > 0) result.anderson_darling = (1.0 + ad_exceeded) / (1.0 + ad_counted);
  return result;
}

}  // namespace riskfn::fitting
