#include "host/worksheet/beta_quantile.hpp"

#include <algorithm>
#include <array>
#include <boost/math/distributions/beta.hpp>
#include <boost/math/quadrature/gauss.hpp>
#include <boost/math/tools/roots.hpp>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <limits>
#include <memory>
#include <optional>

#include "host/worksheet/boost_policy.hpp"

namespace host::worksheet {
namespace {

namespace bm = boost::math;

using Beta = bm::beta_distribution<double, BoostPolicy>;

// Intervals of the probability grid. With 512 the cubic through the grid lies within about
// 1e-10 of the quantile, so that one Halley step from it is the last, except near the ends.
constexpr int kIntervals = 512;
// Shapes kept per thread: a model has a few beta or PERT inputs.
constexpr std::size_t kKeptShapes = 8;

// The quantile at a grid probability, the density there (the reciprocal of the slope dx/dp),
// and I_x(a, b) at that x as Boost computes it forward, or 1 - I_x(a, b) for a knot above 1/2
// so that it keeps its digits. Computed the first time an interval beside it is asked for; a
// density of 0 marks a knot Boost could not give, where the quantile is computed whole.
struct Knot {
  double x = std::numeric_limits<double>::quiet_NaN();
  double density = 0.0;
  double cumulative = 0.0;

  bool known() const { return x == x; }
  bool usable() const { return density > 0.0; }
};

struct ShapeQuantiles {
  double a = 0.0;  // never a shape: shapes are positive
  double b = 0.0;
  std::array<Knot, kIntervals + 1> knots{};
};

double whole_quantile(double a, double b, double p) { return bm::quantile(Beta(a, b), p); }

bool above_half(int index) { return 2 * index > kIntervals; }

Knot knot_at(double a, double b, int index) {
  try {
    const double x = whole_quantile(a, b, static_cast<double>(index) / kIntervals);
    const double density = bm::ibeta_derivative(a, b, x, BoostPolicy());
    const double cumulative =
        above_half(index) ? bm::ibetac(a, b, x, BoostPolicy()) : bm::ibeta(a, b, x, BoostPolicy());
    if (x > 0.0 && x < 1.0 && density > 0.0 && 1.0 / density < std::numeric_limits<double>::infinity())
      return {x, density, cumulative};
  } catch (const std::exception&) {
  }
  return {0.0, 0.0, 0.0};
}

const Knot& knot(ShapeQuantiles& shape, int index) {
  Knot& knot = shape.knots[static_cast<std::size_t>(index)];
  if (!knot.known()) knot = knot_at(shape.a, shape.b, index);
  return knot;
}

ShapeQuantiles& quantiles_of(double a, double b) {
  thread_local std::array<std::unique_ptr<ShapeQuantiles>, kKeptShapes> kept;
  thread_local std::size_t next = 0;
  for (const auto& shape : kept) {
    if (shape && shape->a == a && shape->b == b) return *shape;
  }
  auto& replaced = kept[next];
  next = (next + 1) % kKeptShapes;
  if (!replaced) replaced = std::make_unique<ShapeQuantiles>();
  *replaced = ShapeQuantiles{a, b};
  return *replaced;
}

// The cubic through two knots with their slopes, at the fraction t of the way between them.
double hermite(const Knot& left, const Knot& right, double t, double width) {
  const double t2 = t * t;
  const double t3 = t2 * t;
  return (2.0 * t3 - 3.0 * t2 + 1.0) * left.x + (t3 - 2.0 * t2 + t) * width / left.density +
         (3.0 * t2 - 2.0 * t3) * right.x + (t3 - t2) * width / right.density;
}

// The density at knot.x + offset over the density at the knot. Its logarithm is small near the
// knot, so the ratio keeps its digits where the density itself is a tiny or huge number.
double density_ratio(double a, double b, const Knot& knot, double offset) {
  return std::exp((a - 1.0) * std::log1p(offset / knot.x) + (b - 1.0) * std::log1p(-offset / (1.0 - knot.x)));
}

// The density's integral from a knot over an offset within this share of the knot's distance
// from 0 and from 1, where the density's logarithm is singular, and across which that
// logarithm changes by at most 1, takes seven Gauss points to the last bit; an offset within
// a hundredth of both, as most are between knots this close, takes four.
constexpr double kNearKnot = 0.1;
constexpr double kVeryNearKnot = 0.01;
using DensityQuadrature = bm::quadrature::gauss<double, 7>;
using ShortDensityQuadrature = bm::quadrature::gauss<double, 4>;
// A Halley step whose correction of itself is below this part of the step leaves an error
// below 1e-18 of the step, which is itself at most a millionth of the quantile's scale.
constexpr double kSmallStep = 1e-6;
// Steps before the knot gives up: a guess from the cubic takes one, a rougher one two.
constexpr int kMostStepsFromKnot = 3;

// The quantile by Halley steps from the guess, where I_x(a, b) - p is the knot's own
// cumulative probability plus the density's integral from the knot to x: far cheaper than
// Boost's incomplete beta, and as exact. Nothing where x is too far from the knot.
std::optional<double> quantile_from_knot(double a, double b, const Knot& knot, bool knot_above_half, double p, double q,
                                         double guess) {
  const double scale = std::min(knot.x, 1.0 - knot.x);
  const double log_slope = (a - 1.0) / knot.x - (b - 1.0) / (1.0 - knot.x);  // of the density at the knot
  // For a knot above 1/2, p - I_knot = (1 - I_knot) - (1 - p), both small and exact.
  const double knot_miss = knot_above_half ? q - knot.cumulative : knot.cumulative - p;
  const auto ratio = [&](double along) { return density_ratio(a, b, knot, along); };
  double x = guess;
  for (int step = 0; step < kMostStepsFromKnot; ++step) {
    const double offset = x - knot.x;
    const double reach = std::max(std::fabs(offset) / scale, std::fabs(offset * log_slope));
    if (!(reach <= kNearKnot)) return std::nullopt;
    const double integral = reach <= kVeryNearKnot ? ShortDensityQuadrature::integrate(ratio, 0.0, offset)
                                                   : DensityQuadrature::integrate(ratio, 0.0, offset);
    const double miss = knot_miss + knot.density * integral;
    const double newton = miss / (knot.density * ratio(offset));
    const double correction = 0.5 * newton * ((a - 1.0) / x - (b - 1.0) / (1.0 - x));  // density'/density
    x -= newton / (1.0 - correction);
    if (std::fabs(correction) <= kSmallStep && std::fabs(newton) <= kSmallStep * scale) return x;
  }
  return std::nullopt;
}

}  // namespace

double beta_quantile(double a, double b, double p) {
  const double scaled = p * kIntervals;
  // The outer intervals hold the quantile's steep ends, which no cubic follows.
  if (!(scaled >= 1.0 && scaled < kIntervals - 1)) return whole_quantile(a, b, p);
  const int index = static_cast<int>(scaled);
  ShapeQuantiles& shape = quantiles_of(a, b);
  const Knot& left = knot(shape, index);
  const Knot& right = knot(shape, index + 1);
  if (!left.usable() || !right.usable() || !(left.x < right.x)) return whole_quantile(a, b, p);
  const double guess = std::clamp(hermite(left, right, scaled - index, 1.0 / kIntervals), left.x, right.x);
  const double q = 1.0 - p;
  const bool nearer_right = scaled - index > 0.5;
  if (const auto x = quantile_from_knot(a, b, nearer_right ? right : left, above_half(index + (nearer_right ? 1 : 0)),
                                        p, q, guess)) {
    return *x;
  }
  // Otherwise Halley's method on Boost's incomplete beta, as its inverse does: on I_x(a, b) - p,
  // or on the complement when p is the larger of p and 1 - p. Boost stops at a step below half
  // the digits, which from its own start is one step after the error was that small; from a
  // guess this close that can be the first step, whose own error may then show, so here the
  // last step must be below three quarters of them.
  const bool upper = !(p < q);
  const int digits = bm::policies::digits<double, BoostPolicy>() * 3 / 4;
  const std::uintmax_t most_steps = bm::policies::get_max_root_iterations<BoostPolicy>();
  std::uintmax_t steps = most_steps;
  try {
    const double x = bm::tools::halley_iterate(bm::detail::ibeta_roots<double, BoostPolicy>(a, b, upper ? q : p, upper),
                                               guess, 0.0, 1.0, digits, steps);
    if (steps < most_steps) return x;
  } catch (const std::exception&) {
  }
  return whole_quantile(a, b, p);
}

}  // namespace host::worksheet
