// Estimating each candidate's parameters from the sample by closed forms (moments,
// extremes, rounding); one function per candidate, in candidate order.
#pragma once

#include "riskfn/fitting/candidates.hpp"

namespace riskfn::fitting {

void estimate_beta(const FitContext& context, CandidateFit& fit);
void estimate_beta_general(const FitContext& context, CandidateFit& fit);
void estimate_chi_squared(const FitContext& context, CandidateFit& fit);
void estimate_erf(const FitContext& context, CandidateFit& fit);
void estimate_erlang(const FitContext& context, CandidateFit& fit);
void estimate_exponential(const FitContext& context, CandidateFit& fit);
void estimate_extreme_value(const FitContext& context, CandidateFit& fit);
void estimate_gamma(const FitContext& context, CandidateFit& fit);
void estimate_inverse_gauss(const FitContext& context, CandidateFit& fit);
void estimate_logistic(const FitContext& context, CandidateFit& fit);
void estimate_log_normal(const FitContext& context, CandidateFit& fit);
void estimate_normal(const FitContext& context, CandidateFit& fit);
void estimate_pert(const FitContext& context, CandidateFit& fit);
void estimate_pareto(const FitContext& context, CandidateFit& fit);
void estimate_pareto2(const FitContext& context, CandidateFit& fit);
void estimate_rayleigh(const FitContext& context, CandidateFit& fit);
void estimate_student(const FitContext& context, CandidateFit& fit);
void estimate_triangular(const FitContext& context, CandidateFit& fit);
void estimate_uniform(const FitContext& context, CandidateFit& fit);
void estimate_weibull(const FitContext& context, CandidateFit& fit);
void estimate_binomial(const FitContext& context, CandidateFit& fit);
void estimate_geometric(const FitContext& context, CandidateFit& fit);
void estimate_hypergeometric(const FitContext& context, CandidateFit& fit);
void estimate_integer_uniform(const FitContext& context, CandidateFit& fit);
void estimate_negative_binomial(const FitContext& context, CandidateFit& fit);
void estimate_poisson(const FitContext& context, CandidateFit& fit);

}  // namespace riskfn::fitting
