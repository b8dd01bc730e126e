// The worksheet functions by family, as the dispatch table calls them. Each takes its
// arguments in the spreadsheet's order, padded with the missing-argument marker up to the
// most the function accepts, and raises kx::Failure with the worksheet error when it cannot compute.
#pragma once

#include <span>
#include <vector>

#include "common/value.hpp"
#include "host/worksheet/arguments.hpp"

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

// The same of numbers already read, for the number path the sampling functions take.
double norm_inv_of(double p, double mean, double sd);
double norm_s_inv_of(double p);
double beta_inv_of(double p, double alpha, double beta, double lower, double upper);
double gamma_inv_of(double p, double alpha, double beta);
double norm_s_dist_of(double z);

// The distributions the components do not call, and the forms with a cumulative flag.
kx::Value norm_s_dist_flagged(Arguments args);
kx::Value lognorm_dist(Arguments args);
kx::Value lognorm_dist_cumulative(Arguments args);
kx::Value lognorm_inv(Arguments args);
kx::Value t_dist_flagged(Arguments args);
kx::Value t_inv_left(Arguments args);
kx::Value beta_dist_flagged(Arguments args);
kx::Value chi_dist_right(Arguments args);
kx::Value f_dist_right(Arguments args);
kx::Value f_inv_right(Arguments args);

// Arithmetic.
kx::Value gamma_ln(Arguments args);
kx::Value natural_log(Arguments args);
double natural_log_of(double x);
kx::Value log_to_base(Arguments args);
kx::Value pi_constant(Arguments args);
kx::Value factorial(Arguments args);
kx::Value floor_to_multiple(Arguments args);
kx::Value ceiling_to_multiple(Arguments args);
kx::Value round_to_multiple(Arguments args);
kx::Value round_digits(Arguments args);
kx::Value round_up_digits(Arguments args);
kx::Value round_down_digits(Arguments args);
// x rounded to a multiple of step by `to_whole` (floor, ceil, round) applied to x/step, on
// the digits the user sees.
double to_multiple(double x, double step, double (*to_whole)(double));

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
// The sum of squared deviations from the mean of the numbers.
double squared_deviations(const std::vector<double>& numbers);
// The cell of a conditional aggregate's value range paired with cell (row, column) of the
// tested range, read from the value range's top-left cell with the tested range's shape.
kx::Value paired_cell(const kx::Value& values, const Grid& value_grid, std::size_t row, std::size_t column);

// Arrays and matrices.
kx::Value index_of(Arguments args);
kx::Value transpose(Arguments args);
kx::Value m_mult(Arguments args);
kx::Value m_inverse(Arguments args);
kx::Value lin_est(Arguments args);

}  // namespace host::worksheet
