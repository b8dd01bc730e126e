// Beyond the dialog: maximum-likelihood estimates of the continuous candidates, and for any
// fitted candidate its log-likelihood, AIC, BIC, Anderson-Darling and Kolmogorov-Smirnov
// statistics.
#pragma once

#include <optional>

#include "riskfn/fitting/fitted_candidates.hpp"
#include "riskfn/fitting/goodness_of_fit.hpp"

namespace riskfn::fitting {

struct FitStatistics {
  int parameters = 0;                        // the numbers among the candidate's slots
  std::optional<double> log_likelihood;      // none where the density vanishes at an observation
  std::optional<double> aic;                 // 2k - 2 ln L
  std::optional<double> bic;                 // k ln n - 2 ln L
  std::optional<double> anderson_darling;    // continuous candidates only
  std::optional<double> kolmogorov_smirnov;  // sup |Fn - F|
  // Continuous candidates only, each from its statistic's limiting distribution.
  std::optional<double> kolmogorov_smirnov_p_value;
  std::optional<double> anderson_darling_p_value;
  std::optional<ChiSquareTest> chi_square;
  // Maximum-likelihood estimates only: the covariance of the slots' estimates.
  std::optional<std::vector<std::vector<double>>> covariance;
};

// The density of a fitted continuous candidate at x, or the probability of x for a discrete one.
// Raises where the distribution's functions do.
double candidate_density(const FittedCandidate& fitted, double x);

// None for a candidate that is not applicable.
std::optional<FitStatistics> fit_statistics(const CandidateSet& set, const FittedCandidate& fitted);

// Whether the candidate has maximum-likelihood estimates here: the continuous candidates
// except Erlang (whole shapes), the general beta, PERT and the triangle, whose likelihoods
// peak at the bounds.
bool has_likelihood_fit(const Candidate& candidate);

// The candidate with maximum-likelihood estimates in its slots (closed forms where they
// exist, else NLopt or a root of the score equation) and the dialog's distance for them;
// not applicable when the data lie outside its support or the optimum is not found.
FittedCandidate fit_by_likelihood(const CandidateSet& set, const Candidate& candidate);

}  // namespace riskfn::fitting
