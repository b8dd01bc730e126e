#include "host/worksheet/beta_quantile.hpp"

#include <algorithm>
#include <array>
#include <boost/math/distributions/beta.hpp>
#include <boost/math/tools/roots.hpp>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <limits>
#include <memory>

#include "host/worksheet/boost_policy.hpp"

namespace host::worksheet {
namespace {

namespace bm = boost::math;

using Beta = bm::beta_distribution<double, BoostPolicy>;

// Intervals of the probability grid. With 512 the cubic through the grid lies within about
// 1e-10 of the quantile, so the root finder's first step is its last, except near the ends.
constexpr int kIntervals = 512;
// Shapes kept per thread: a model has a few beta or PERT inputs.
constexpr std::size_t kKeptShapes = 8;

// The quantile at a grid probability and its slope dx/dp, the reciprocal of the density.
// Computed the first time an interval beside it is asked for; a slope of 0 marks a knot
// Boost could not give, where the quantile is computed whole.
struct Knot {
  double x = std::numeric_limits<double>::quiet_NaN();
  double slope = 0.0;

  bool known() const { return x == x; }
  bool usable() const { return slope > 0.0; }
};

struct ShapeQuantiles {
  double a = 0.0;  // never a shape: shapes are positive
  double b = 0.0;
  std::array<Knot, kIntervals + 1> knots{};
};

double whole_quantile(double a, double b, double p) { return bm::quantile(Beta(a, b), p); }

Knot knot_at(double a, double b, int index) {
  try {
    const double x = whole_quantile(a, b, static_cast<double>(index) / kIntervals);
    const double slope = 1.0 / bm::ibeta_derivative(a, b, x, BoostPolicy());
    if (x > 0.0 && x < 1.0 && slope > 0.0 && slope < std::numeric_limits<double>::infinity()) return {x, slope};
  } catch (const std::exception&) {
  }
  return {0.0, 0.0};
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
  return (2.0 * t3 - 3.0 * t2 + 1.0) * left.x + (t3 - 2.0 * t2 + t) * width * left.slope +
         (3.0 * t2 - 2.0 * t3) * right.x + (t3 - t2) * width * right.slope;
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
  // As Boost's inverse does: Halley's method on I_x(a, b) - p, or on the complement when p is
  // the larger of p and 1 - p (exact from 1/2 up), to half the digits, which its cubic
  // convergence doubles and more.
  const double q = 1.0 - p;
  const bool upper = !(p < q);
  const int digits = bm::policies::digits<double, BoostPolicy>() / 2;
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
