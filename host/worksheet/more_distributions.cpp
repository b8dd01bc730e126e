// The distributions the components do not call: the lognormal, the F distribution, the
// right tail of chi-squared, and the forms with a cumulative flag (NORM.S.DIST, T.DIST,
// T.INV, BETA.DIST) whose older names answer one tail only.
#include <boost/math/distributions/beta.hpp>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/lognormal.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>

#include "host/worksheet/arguments.hpp"
#include "host/worksheet/boost_policy.hpp"
#include "host/worksheet/families.hpp"

namespace host::worksheet {
namespace {

namespace bm = boost::math;

using Normal = bm::normal_distribution<double, BoostPolicy>;
using Lognormal = bm::lognormal_distribution<double, BoostPolicy>;
using StudentsT = bm::students_t_distribution<double, BoostPolicy>;
using ChiSquared = bm::chi_squared_distribution<double, BoostPolicy>;
using FisherF = bm::fisher_f_distribution<double, BoostPolicy>;
using Beta = bm::beta_distribution<double, BoostPolicy>;

// The F and chi-squared functions refuse degrees of freedom from 10^10 on, as the spreadsheet does.
constexpr double kMaxDegrees = 1e10;

void check_probability_inside(double p) { check_domain(p > 0.0 && p < 1.0, "the probability must lie inside (0, 1)"); }

}  // namespace

kx::Value norm_s_dist_flagged(Arguments args) {
  const double z = number_arg(args[0]);
  return flag_arg(args[1]) ? bm::cdf(Normal(), z) : bm::pdf(Normal(), z);
}

namespace {

double lognormal(Arguments args, bool cumulative) {
  const double x = number_arg(args[0]);
  const double mean = number_arg(args[1]);
  const double sd = number_arg(args[2]);
  check_domain(x > 0.0, "x must be positive");
  check_domain(sd > 0.0, "the standard deviation must be positive");
  const Lognormal distribution(mean, sd);
  return cumulative ? bm::cdf(distribution, x) : bm::pdf(distribution, x);
}

}  // namespace

kx::Value lognorm_dist(Arguments args) { return lognormal(args, flag_arg(args[3])); }

// LOGNORMDIST(x, mean, standard_dev) has no flag: it is the cumulative distribution.
kx::Value lognorm_dist_cumulative(Arguments args) { return lognormal(args, true); }

kx::Value lognorm_inv(Arguments args) {
  const double p = number_arg(args[0]);
  const double mean = number_arg(args[1]);
  const double sd = number_arg(args[2]);
  check_probability_inside(p);
  check_domain(sd > 0.0, "the standard deviation must be positive");
  return bm::quantile(Lognormal(mean, sd), p);
}

kx::Value t_dist_flagged(Arguments args) {
  const double x = number_arg(args[0]);
  const double degrees = number_arg(args[1]);
  const bool cumulative = flag_arg(args[2]);
  check_domain(degrees >= 1.0, "the degrees of freedom must be at least 1");
  const StudentsT distribution(degrees);
  return cumulative ? bm::cdf(distribution, x) : bm::pdf(distribution, x);
}

// T.INV: the left-tailed inverse, negative below one half.
kx::Value t_inv_left(Arguments args) {
  const double p = number_arg(args[0]);
  const double degrees = whole_arg(args[1]);
  check_probability_inside(p);
  check_domain(degrees >= 1.0, "the degrees of freedom must be at least 1");
  return bm::quantile(StudentsT(degrees), p);
}

kx::Value beta_dist_flagged(Arguments args) {
  const double x = number_arg(args[0]);
  const double alpha = number_arg(args[1]);
  const double beta = number_arg(args[2]);
  const bool cumulative = flag_arg(args[3]);
  const double lower = number_or(args[4], 0.0);
  const double upper = number_or(args[5], 1.0);
  if (cumulative) {
    const kx::Value older[] = {args[0], args[1], args[2], args[4], args[5]};
    return beta_dist(older);
  }
  check_domain(alpha > 0.0 && beta > 0.0, "alpha and beta must be positive");
  check_domain(lower < upper, "the lower bound must lie below the upper bound");
  check_domain(x >= lower && x <= upper, "x must lie between the bounds");
  return bm::pdf(Beta(alpha, beta), (x - lower) / (upper - lower)) / (upper - lower);
}

kx::Value chi_dist_right(Arguments args) {
  const double x = number_arg(args[0]);
  const double degrees = whole_arg(args[1]);
  check_domain(x >= 0.0, "x must not be negative");
  check_domain(degrees >= 1.0 && degrees < kMaxDegrees, "the degrees of freedom must lie between 1 and 10^10");
  return bm::cdf(bm::complement(ChiSquared(degrees), x));
}

kx::Value f_dist_right(Arguments args) {
  const double x = number_arg(args[0]);
  const double numerator = whole_arg(args[1]);
  const double denominator = whole_arg(args[2]);
  check_domain(x >= 0.0, "x must not be negative");
  check_domain(numerator >= 1.0 && numerator < kMaxDegrees && denominator >= 1.0 && denominator < kMaxDegrees,
               "the degrees of freedom must lie between 1 and 10^10");
  return bm::cdf(bm::complement(FisherF(numerator, denominator), x));
}

kx::Value f_inv_right(Arguments args) {
  const double p = number_arg(args[0]);
  const double numerator = whole_arg(args[1]);
  const double denominator = whole_arg(args[2]);
  check_domain(p > 0.0 && p <= 1.0, "the probability must lie in (0, 1]");
  check_domain(numerator >= 1.0 && numerator < kMaxDegrees && denominator >= 1.0 && denominator < kMaxDegrees,
               "the degrees of freedom must lie between 1 and 10^10");
  return bm::quantile(bm::complement(FisherF(numerator, denominator), p));
}

}  // namespace host::worksheet
