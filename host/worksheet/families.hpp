// The worksheet functions by family, as the dispatch table calls them. Each takes its
// arguments in the spreadsheet's order, padded with the missing-argument marker up to the
// most the function accepts, and raises kx::Failure with the worksheet error when it cannot compute.
#pragma once

#include <span>

#include "common/value.hpp"

namespace host::worksheet {

using Arguments = std::span<const kx::Value>;

// Inverse and cumulative distributions, and the chi-squared test.
kx::Value norm_inv(Arguments args);
kx::Value norm_s_inv(Arguments args);
kx::Value beta_inv(Arguments args);
kx::Value gamma_inv(Arguments args);
kx::Value t_inv(Arguments args);
kx::Value chi_inv(Arguments args);
kx::Value crit_binom(Arguments args);
kx::Value norm_dist(Arguments args);
kx::Value norm_s_dist(Arguments args);
kx::Value gamma_dist(Arguments args);
kx::Value binom_dist(Arguments args);
kx::Value expon_dist(Arguments args);
kx::Value poisson_dist(Arguments args);
kx::Value weibull_dist(Arguments args);
kx::Value beta_dist(Arguments args);
kx::Value hyp_geom_dist(Arguments args);
kx::Value neg_binom_dist(Arguments args);
kx::Value t_dist(Arguments args);
kx::Value chi_test(Arguments args);

// Arithmetic.
kx::Value gamma_ln(Arguments args);
kx::Value natural_log(Arguments args);
kx::Value log_to_base(Arguments args);
kx::Value pi_constant(Arguments args);
kx::Value factorial(Arguments args);
kx::Value floor_to_multiple(Arguments args);
kx::Value ceiling_to_multiple(Arguments args);
kx::Value round_to_multiple(Arguments args);
kx::Value round_digits(Arguments args);
kx::Value round_up_digits(Arguments args);
kx::Value round_down_digits(Arguments args);

// Aggregates over numbers, arrays and ranges.
kx::Value sum(Arguments args);
kx::Value count(Arguments args);
kx::Value minimum(Arguments args);
kx::Value maximum(Arguments args);
kx::Value average(Arguments args);
kx::Value stdev(Arguments args);
kx::Value stdevp(Arguments args);
kx::Value var(Arguments args);
kx::Value varp(Arguments args);
kx::Value sum_sq(Arguments args);
kx::Value sum_x_m_y2(Arguments args);
kx::Value sum_product(Arguments args);
kx::Value sum_if(Arguments args);
kx::Value count_if(Arguments args);
kx::Value rank(Arguments args);

// Arrays and matrices.
kx::Value index_of(Arguments args);
kx::Value transpose(Arguments args);
kx::Value m_mult(Arguments args);
kx::Value m_inverse(Arguments args);
kx::Value lin_est(Arguments args);

}  // namespace host::worksheet
