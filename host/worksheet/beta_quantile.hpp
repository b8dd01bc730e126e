// The beta quantile that BETA.INV takes, fast for shapes asked for again and again.
#pragma once

namespace host::worksheet {

// x with I_x(a, b) = p, for positive shapes and 0 <= p <= 1. A simulation asks for the quantiles
// of the same few shapes by the million; for these the thread keeps the quantiles at a grid of
// probabilities, and a Halley step from the curve through them, with I_x(a, b) taken from the
// nearest knot and the density's integral from there, gives Boost's inverse to its last digits
// in a tenth of its time. The result depends on a, b and p alone, never on what was asked
// before, so seeded runs repeat on any number of threads. Raises Boost's failures as Boost's
// quantile does.
double beta_quantile(double a, double b, double p);

}  // namespace host::worksheet
