// The beta density on [0, 1], accurate to a few units in the last place for every shape,
// however large: the shapes of a PERT or of a beta fitted to many data run to millions.
#pragma once

namespace riskfn::distribution {

// The density of the beta with shapes a > 0 and b > 0 at 0 < t < 1, where `complement` is
// 1 - t as the caller knows it best. Fails where the density is beyond the doubles.
double beta_density_inside(double t, double complement, double a, double b);

}  // namespace riskfn::distribution
