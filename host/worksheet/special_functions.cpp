// The error function, the gamma function and the standard normal's density and central
// probability, and Fisher's transformation of a correlation.
#include <boost/math/distributions/normal.hpp>
#include <boost/math/special_functions/erf.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <cmath>

#include "host/worksheet/arguments.hpp"
#include "host/worksheet/boost_policy.hpp"
#include "host/worksheet/families.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

// ERF(lower) integrates from 0; with an upper limit, from lower to upper.
kx::Value error_function(Arguments args) {
  const double lower = number_arg(args[0]);
  if (is_omitted(args[1])) return boost::math::erf(lower, BoostPolicy());
  return boost::math::erf(number_arg(args[1]), BoostPolicy()) - boost::math::erf(lower, BoostPolicy());
}

kx::Value error_function_precise(Arguments args) { return boost::math::erf(number_arg(args[0]), BoostPolicy()); }
kx::Value complementary_error(Arguments args) { return boost::math::erfc(number_arg(args[0]), BoostPolicy()); }

kx::Value gamma_function(Arguments args) {
  const double x = number_arg(args[0]);
  check_domain(!(x <= 0.0 && x == std::trunc(x)), "GAMMA is undefined at 0 and the negative whole numbers");
  return boost::math::tgamma(x, BoostPolicy());
}

// The probability that a standard normal lies between its mean and z standard deviations from it.
kx::Value gauss(Arguments args) {
  const double z = number_arg(args[0]);
  return boost::math::erf(z / std::sqrt(2.0), BoostPolicy()) / 2.0;
}

kx::Value standard_normal_density(Arguments args) {
  return boost::math::pdf(boost::math::normal_distribution<double, BoostPolicy>(), number_arg(args[0]));
}

kx::Value fisher(Arguments args) {
  const double x = number_arg(args[0]);
  check_domain(std::fabs(x) < 1.0, "FISHER needs -1 < x < 1");
  return std::atanh(x);
}

kx::Value fisher_inverse(Arguments args) { return std::tanh(number_arg(args[0])); }

constexpr SheetFunction kFunctions[] = {
    {"ERF", 1, 2, kSingleValues, error_function, "lower_limit, [upper_limit]"},
    {"ERF.PRECISE", 1, 1, kSingleValues, error_function_precise, "x"},
    {"ERFC", 1, 1, kSingleValues, complementary_error, "x"},
    {"ERFC.PRECISE", 1, 1, kSingleValues, complementary_error, "x"},
    {"GAMMA", 1, 1, kSingleValues, gamma_function, "number"},
    {"GAMMALN.PRECISE", 1, 1, kSingleValues, gamma_ln, "x"},
    {"GAUSS", 1, 1, kSingleValues, gauss, "z"},
    {"PHI", 1, 1, kSingleValues, standard_normal_density, "x"},
    {"FISHER", 1, 1, kSingleValues, fisher, "x"},
    {"FISHERINV", 1, 1, kSingleValues, fisher_inverse, "y"},
};

}  // namespace

Family special_functions() { return kFunctions; }

}  // namespace host::worksheet
