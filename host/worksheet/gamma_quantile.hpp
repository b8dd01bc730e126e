// The gamma quantile that GAMMA.INV takes, fast for shapes asked for again and again.
#pragma once

namespace host::worksheet {

// x with P(a, x) = p, the regularised lower incomplete gamma function, for a positive shape
// and 0 <= p < 1. A simulation asks for the quantiles of the same few shapes by the million:
// these come from the thread's grid of the shape's quantiles, to the digits of Boost's inverse
// and depending on a and p alone. Raises Boost's failures as Boost's quantile does.
double gamma_quantile(double a, double p);

}  // namespace host::worksheet
