// The quantiles of a continuous family asked for by the million with the same shape, as a
// simulation asks for them. Each thread keeps, per shape, the quantiles at a grid of
// probabilities; a quantile between two knots starts from the cubic through them and takes a
// Halley step or two on the cumulative probability, written as the nearer knot's own plus the
// density's integral from it. That integral over a short stretch is a few Gauss points, far
// cheaper than the family's cumulative function, and as exact.
//
// The result depends on the shape and p alone, never on what was asked before: a knot is the
// same whenever it is computed, and every step from it is the same arithmetic. So seeded
// simulations repeat on any number of threads.
//
// A family provides, for shape (a, b) (b unused by one-shape families):
//   quantile(a, b, p)              the quantile computed whole, by Boost
//   density(a, b, x)               and cumulative(a, b, x, complement), by Boost
//   log_density_ratio(a, b, x, d)  log(density(x + d) / density(x))
//   log_density_slope(a, b, x)     density'(x) / density(x)
//   singular_distance(x)           from x to the nearest point where the density's logarithm is singular
//   roots(a, b, target, complement)  Boost's own Halley functor on the cumulative or its complement
//   kLower, kUpper                 the bounds of x for that functor
#pragma once

#include <algorithm>
#include <array>
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

template <class Family>
class QuantileGrid {
 public:
  static double quantile(double a, double b, double p) {
    const double scaled = p * kIntervals;
    // The outer intervals hold the quantile's steep ends, which no cubic follows.
    if (!(scaled >= 1.0 && scaled < kIntervals - 1)) return Family::quantile(a, b, p);
    const int index = static_cast<int>(scaled);
    ShapeKnots& shape = knots_of(a, b);
    const Knot& left = knot(shape, index);
    const Knot& right = knot(shape, index + 1);
    if (!left.usable() || !right.usable() || !(left.x < right.x)) return Family::quantile(a, b, p);
    const double guess = std::clamp(hermite(left, right, scaled - index), left.x, right.x);
    const double q = 1.0 - p;  // exact from 1/2 up, where it is used
    const bool nearer_right = scaled - index > 0.5;
    const int nearer = nearer_right ? index + 1 : index;
    if (const auto x = from_knot(a, b, nearer_right ? right : left, above_half(nearer), p, q, guess)) return *x;
    return by_boost_steps(a, b, p, q, guess);
  }

 private:
  // Intervals of the probability grid. With 512 the cubic through the grid lies within about
  // 1e-10 of the quantile, so that one Halley step from it is the last, except near the ends.
  static constexpr int kIntervals = 512;
  // Shapes kept per thread: a model has a few inputs of one family.
  static constexpr std::size_t kKeptShapes = 8;

  // The quantile at a grid probability, the density there (the reciprocal of the slope dx/dp),
  // and the cumulative probability at that x as Boost computes it forward, or its complement
  // for a knot above 1/2 so that it keeps its digits. Computed the first time an interval
  // beside it is asked for; a density of 0 marks a knot Boost could not give, where the
  // quantile is computed whole.
  struct Knot {
    double x = std::numeric_limits<double>::quiet_NaN();
    double density = 0.0;
    double cumulative = 0.0;

    bool known() const { return x == x; }
    bool usable() const { return density > 0.0; }
  };

  struct ShapeKnots {
    double a = 0.0;  // never a shape: shapes are positive
    double b = 0.0;
    std::array<Knot, kIntervals + 1> knots{};
  };

  static bool above_half(int index) { return 2 * index > kIntervals; }

  static Knot knot_at(double a, double b, int index) {
    try {
      const double x = Family::quantile(a, b, static_cast<double>(index) / kIntervals);
      const double density = Family::density(a, b, x);
      const double cumulative = Family::cumulative(a, b, x, above_half(index));
      if (x > 0.0 && x < Family::kUpper && density > 0.0 && 1.0 / density < std::numeric_limits<double>::infinity())
        return {x, density, cumulative};
    } catch (const std::exception&) {
    }
    return {0.0, 0.0, 0.0};
  }

  static const Knot& knot(ShapeKnots& shape, int index) {
    Knot& knot = shape.knots[static_cast<std::size_t>(index)];
    if (!knot.known()) knot = knot_at(shape.a, shape.b, index);
    return knot;
  }

  static ShapeKnots& knots_of(double a, double b) {
    thread_local std::array<std::unique_ptr<ShapeKnots>, kKeptShapes> kept;
    thread_local std::size_t next = 0;
    for (const auto& shape : kept) {
      if (shape && shape->a == a && shape->b == b) return *shape;
    }
    auto& replaced = kept[next];
    next = (next + 1) % kKeptShapes;
    if (!replaced) replaced = std::make_unique<ShapeKnots>();
    *replaced = ShapeKnots{a, b};
    return *replaced;
  }

  // The cubic through two knots with their slopes, at the fraction t of the way between them.
  static double hermite(const Knot& left, const Knot& right, double t) {
    constexpr double kWidth = 1.0 / kIntervals;
    const double t2 = t * t;
    const double t3 = t2 * t;
    return (2.0 * t3 - 3.0 * t2 + 1.0) * left.x + (t3 - 2.0 * t2 + t) * kWidth / left.density +
           (3.0 * t2 - 2.0 * t3) * right.x + (t3 - t2) * kWidth / right.density;
  }

  // The density's integral from a knot over an offset within this share of the knot's
  // distance from the density's singular points, and across which its logarithm changes by at
  // most as much, takes seven Gauss points to the last bit; within a hundredth, four.
  static constexpr double kNearKnot = 0.1;
  static constexpr double kVeryNearKnot = 0.01;
  using Quadrature = boost::math::quadrature::gauss<double, 7>;
  using ShortQuadrature = boost::math::quadrature::gauss<double, 4>;
  // A Halley step whose correction of itself is below this part of the step leaves an error
  // below 1e-18 of the step, which is itself at most a millionth of the quantile's scale.
  static constexpr double kSmallStep = 1e-6;
  // Steps before the knot gives up: a guess from the cubic takes one, a rougher one two.
  static constexpr int kMostStepsFromKnot = 3;

  // Nothing where x is too far from the knot for its integral.
  static std::optional<double> from_knot(double a, double b, const Knot& knot, bool knot_above_half, double p, double q,
                                         double guess) {
    const double scale = Family::singular_distance(knot.x);
    const double log_slope = Family::log_density_slope(a, b, knot.x);
    // For a knot above 1/2, p - P(knot) = (1 - P(knot)) - (1 - p), both small and exact.
    const double knot_miss = knot_above_half ? q - knot.cumulative : knot.cumulative - p;
    const auto ratio = [&](double offset) { return std::exp(Family::log_density_ratio(a, b, knot.x, offset)); };
    double x = guess;
    for (int step = 0; step < kMostStepsFromKnot; ++step) {
      const double offset = x - knot.x;
      const double reach = std::max(std::fabs(offset) / scale, std::fabs(offset * log_slope));
      if (!(reach <= kNearKnot)) return std::nullopt;
      const double integral = reach <= kVeryNearKnot ? ShortQuadrature::integrate(ratio, 0.0, offset)
                                                     : Quadrature::integrate(ratio, 0.0, offset);
      const double miss = knot_miss + knot.density * integral;
      const double newton = miss / (knot.density * ratio(offset));
      const double correction = 0.5 * newton * Family::log_density_slope(a, b, x);
      x -= newton / (1.0 - correction);
      if (std::fabs(correction) <= kSmallStep && std::fabs(newton) <= kSmallStep * scale) return x;
    }
    return std::nullopt;
  }

  // Halley's method on Boost's cumulative function, as Boost's inverse does: on P(x) - p, or
  // on the complement for p above 1/2. Boost stops at a step below half the digits, which from
  // its own start is one step after the error was that small; from a guess this close that can
  // be the first step, whose own error may then show, so here the last step must be below
  // three quarters of them.
  static double by_boost_steps(double a, double b, double p, double q, double guess) {
    const bool upper = !(p < q);
    const int digits = boost::math::policies::digits<double, BoostPolicy>() * 3 / 4;
    const std::uintmax_t most_steps = boost::math::policies::get_max_root_iterations<BoostPolicy>();
    std::uintmax_t steps = most_steps;
    try {
      const double x = boost::math::tools::halley_iterate(Family::roots(a, b, upper ? q : p, upper), guess,
                                                          Family::kLower, Family::kUpper, digits, steps);
      if (steps < most_steps) return x;
    } catch (const std::exception&) {
    }
    return Family::quantile(a, b, p);
  }
};

}  // namespace host::worksheet
