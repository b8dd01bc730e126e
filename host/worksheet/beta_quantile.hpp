// The beta quantile that BETA.INV takes, fast for shapes asked for again and again.
#pragma once

namespace host::worksheet {

// x with I_x(a, b) = p, for positive shapes and 0 <= p <= 1. A simulation asks for the quantiles
// of the same few shapes by the million: these come from the thread's grid of the shape's
// quantiles, to the digits of Boost's inverse in a tenth of its time, and depending on a, b and
// p alone. Raises Boost's failures as Boost's quantile does.
double beta_quantile(double a, double b, double p);

}  // namespace host::worksheet
