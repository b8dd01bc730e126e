#include "riskfn/fitting/score_equations.hpp"

#include <Eigen/Dense>
#include <algorithm>
#include <boost/math/special_functions/digamma.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <boost/math/special_functions/trigamma.hpp>
#include <boost/math/tools/roots.hpp>
#include <cmath>
#include <numbers>
#include <tuple>

#include "common/failure.hpp"

namespace riskfn::fitting {
namespace {

namespace bm = boost::math;

[[noreturn]] void no_maximum() {
  throw kx::Failure(kx::error::kInvalidCall, "Invalid procedure call: the likelihood has no maximum");
}

// Newton's method on a score that changes sign once in [low, high], full double precision; the
// root found or a failure. `slope_and_curvature` returns the score and its derivative.
template <class Score>
double score_root(Score slope_and_curvature, double start, double low, double high) {
  std::uintmax_t steps = 100;
  const double root = bm::tools::newton_raphson_iterate(slope_and_curvature, start, low, high, 50, steps);
  if (steps >= 100 || !(root > low && root < high)) no_maximum();
  return root;
}

// Newton's method on a score that falls through zero once in [low, high], positive below its
// root and negative above: a step that would leave the bracket known so far, or that the
// curvature does not point to a maximum, is a bisection instead.
template <class Score>
double bracketed_root(Score slope_and_curvature, double start, double low, double high) {
  double t = start;
  for (int step = 0; step < 200; ++step) {
    const auto [slope, curvature] = slope_and_curvature(t);
    if (slope == 0.0) return t;
    (slope > 0.0 ? low : high) = t;
    double next = t - slope / curvature;
    if (!(curvature < 0.0) || !(next > low && next < high)) next = (low + high) / 2.0;
    if (std::fabs(next - t) <= 1e-15 * std::max(1.0, std::fabs(t))) return next;
    t = next;
  }
  no_maximum();
}

}  // namespace

std::pair<double, double> logistic_estimates(std::span<const double> x, double mean, double stdev) {
  const double n = static_cast<double>(x.size());
  const double unit = std::sqrt(3.0) * stdev / std::numbers::pi;  // the moment estimate of the scale
  if (!(unit > 0.0) || !std::isfinite(unit)) no_maximum();
  // With u = (x - mean) / unit and z = b u - a, ln L + n ln unit = n ln b + sum h(z), where
  // h(z) = -|z| - 2 ln(1 + e^-|z|) is concave: so is the whole in (a, b), and Newton's steps,
  // halved where they overshoot, climb to its one maximum.
  struct Pass {
    double value = 0.0;
    Eigen::Vector2d gradient = Eigen::Vector2d::Zero();
    Eigen::Matrix2d hessian = Eigen::Matrix2d::Zero();
  };
  const auto pass = [&](double a, double b) {
    double h = 0.0, slope = 0.0, slope_u = 0.0, bend = 0.0, bend_u = 0.0, bend_uu = 0.0;
    for (const double v : x) {
      const double u = (v - mean) / unit;
      const double z = b * u - a;
      const double e = std::exp(-std::fabs(z));
      const double r = 1.0 / (1.0 + e);
      h -= std::fabs(z) + 2.0 * std::log1p(e);
      const double g = z >= 0.0 ? -(1.0 - e) * r : (1.0 - e) * r;  // h'(z) = 1 - 2F(z)
      const double f = e * r * r;                                  // h''(z) = -2f
      slope += g;
      slope_u += g * u;
      bend += f;
      bend_u += f * u;
      bend_uu += f * u * u;
    }
    Pass p;
    p.value = n * std::log(b) + h;
    p.gradient << -slope, n / b + slope_u;
    p.hessian << -2.0 * bend, 2.0 * bend_u, 2.0 * bend_u, -n / (b * b) - 2.0 * bend_uu;
    return p;
  };
  double a = 0.0, b = 1.0;  // the moment estimates
  Pass current = pass(a, b);
  for (int iteration = 0; iteration < 100; ++iteration) {
    if (!std::isfinite(current.value)) no_maximum();
    const Eigen::Vector2d step = current.hessian.ldlt().solve(-current.gradient);
    if (!step.allFinite()) no_maximum();
    // A step this small lands within rounding of the maximum: Newton's error squares each time.
    if (step.cwiseAbs().maxCoeff() < 1e-9 * std::max(1.0, std::fabs(a))) {
      a += step[0];
      b += step[1];
      return {mean + a * unit / b, unit / b};
    }
    for (double share = 1.0;; share /= 2.0) {
      if (share < 1e-12) no_maximum();
      const double next_a = a + share * step[0];
      const double next_b = b + share * step[1];
      if (!(next_b > 0.0)) continue;
      Pass trial = pass(next_a, next_b);
      if (trial.value >= current.value - 1e-13 * std::fabs(current.value)) {
        a = next_a;
        b = next_b;
        current = std::move(trial);
        break;
      }
    }
  }
  no_maximum();
}

double students_t_log_constant(double nu) {
  // tgamma_delta_ratio(a, 1/2) = Gamma(a) / Gamma(a + 1/2), accurate where both are huge.
  return -std::log(bm::tgamma_delta_ratio(nu / 2.0, 0.5)) - std::log(nu * std::numbers::pi) / 2.0;
}

namespace {

// The derivative of students_t_log_constant: (psi(a + 1/2) - psi(a) - 1/(2a)) / 2 with a = nu/2.
// From a = 20 up, by the difference's asymptotic series: the digammas' own difference would
// lose the digits that matter, and with them the search for large nu.
double log_constant_slope(double nu) {
  const double a = nu / 2.0;
  if (a < 20.0) return (bm::digamma(a + 0.5) - bm::digamma(a) - 1.0 / (2.0 * a)) / 2.0;
  const double r = 1.0 / (a * a);
  return r * (1.0 / 8.0 + r * (-1.0 / 64.0 + r * (1.0 / 128.0 - r * 17.0 / 2048.0))) / 2.0;
}

double log_constant_curvature(double nu) {
  const double a = nu / 2.0;
  return (bm::trigamma(a + 0.5) - bm::trigamma(a)) / 4.0 + 1.0 / (2.0 * nu * nu);
}

}  // namespace

double students_t_degrees(std::span<const double> x) {
  const double n = static_cast<double>(x.size());
  const double low = std::log(5.0) - 30.0;  // the search runs over ln nu
  const double high = std::log(5.0) + 30.0;
  // For large nu, ln L is the normal's plus tails / (4 nu) with tails = sum (x^4 - 2x^2 - 1).
  // Where that is not positive, the likelihood rises all the way towards the normal: the upper
  // end. Else the slope is negative there, as it is positive near nu = 0, and the maximum lies
  // between. The slope itself is no guide at the upper end: its terms cancel below their rounding.
  double tails = 0.0;
  double squares = 0.0;
  for (const double v : x) {
    tails += (v * v - 2.0) * v * v - 1.0;
    squares += v * v;
  }
  if (!(tails > 0.0)) return std::exp(high);
  // ln L = n C(nu) - (nu + 1)/2 S with S = sum ln(1 + x^2/nu) and C the log constant; with
  // w = x^2 / (nu + x^2), its slope is n C' - S/2 + (nu + 1)/(2 nu) sum w and its curvature follows
  // from sum w (1 - w). Both are taken over t = ln nu, where the likelihood is concave around its
  // maximum.
  const auto slope_and_curvature = [&](double t) {
    const double nu = std::exp(t);
    double logs = 0.0, weights = 0.0, spread = 0.0;
    for (const double v : x) {
      const double square = v * v;
      const double w = square / (nu + square);
      logs += std::log1p(square / nu);
      weights += w;
      spread += w * (1.0 - w);
    }
    const double slope = n * log_constant_slope(nu) - logs / 2.0 + (nu + 1.0) / (2.0 * nu) * weights;
    const double curvature = n * log_constant_curvature(nu) + weights / (2.0 * nu) - weights / (2.0 * nu * nu) -
                             (nu + 1.0) / (2.0 * nu * nu) * spread;
    if (!std::isfinite(slope) || !std::isfinite(curvature)) no_maximum();
    return std::pair{nu * slope, nu * slope + nu * nu * curvature};
  };
  // The moments' estimate, from E x^2 = nu / (nu - 2), where the second moment allows one.
  const double second_moment = squares / n;
  const double start = second_moment > 1.0 ? 2.0 * second_moment / (second_moment - 1.0) : 5.0;
  return std::exp(bracketed_root(slope_and_curvature, std::clamp(std::log(start), low + 1.0, high - 1.0), low, high));
}

double gumbel_scale(std::span<const double> x, double mean, double low, double spread) {
  if (!(spread > 0.0) || !std::isfinite(spread)) no_maximum();
  // With d = x - low and w = e^(-d/beta) (one of them 1, none above it): the score is
  // (mean - low) - beta - sum d w / sum w, its slope -1 - (the w-weighted variance of d) / beta^2.
  const auto slope_and_curvature = [&](double beta) {
    double weights = 0.0, weighted = 0.0, weighted_squares = 0.0;
    for (const double v : x) {
      const double d = v - low;
      const double w = std::exp(-d / beta);
      weights += w;
      weighted += w * d;
      weighted_squares += w * d * d;
    }
    const double centre = weighted / weights;
    const double variance = std::max(0.0, weighted_squares / weights - centre * centre);
    return std::tuple{(mean - low) - beta - centre, -1.0 - variance / (beta * beta)};
  };
  return score_root(slope_and_curvature, spread, spread * 1e-9, spread * 1e9);
}

double weibull_shape(std::span<const double> ratio_logs) {
  const double n = static_cast<double>(ratio_logs.size());
  double mean = 0.0;
  for (const double r : ratio_logs) mean += r;
  mean /= n;
  double squares = 0.0;
  for (const double r : ratio_logs) squares += (r - mean) * (r - mean);
  const double spread = std::sqrt(squares / n);
  if (!(spread > 0.0)) no_maximum();
  // With w = x^k / max^k = e^(k r): the score is sum w r / sum w - 1/k - mean r, its slope the
  // w-weighted variance of r plus 1/k^2.
  const auto slope_and_curvature = [&](double k) {
    double weights = 0.0, weighted = 0.0, weighted_squares = 0.0;
    for (const double r : ratio_logs) {
      const double w = std::exp(k * r);
      weights += w;
      weighted += w * r;
      weighted_squares += w * r * r;
    }
    const double centre = weighted / weights;
    const double variance = std::max(0.0, weighted_squares / weights - centre * centre);
    return std::tuple{centre - 1.0 / k - mean, variance + 1.0 / (k * k)};
  };
  // The shape whose logarithms have this spread: pi / (k sqrt 6).
  const double start = std::numbers::pi / (std::sqrt(6.0) * spread);
  return score_root(slope_and_curvature, start, start * 1e-9, start * 1e9);
}

}  // namespace riskfn::fitting
