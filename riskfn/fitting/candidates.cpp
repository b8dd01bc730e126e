// The candidate table. Cumulative functions are the component's own distribution functions
// where one exists, called through Root as the dialog's fitting does; the rest are the
// closed forms of the candidates.
#include "riskfn/fitting/candidates.hpp"

#include <algorithm>
#include <boost/math/distributions/hypergeometric.hpp>
#include <boost/math/distributions/negative_binomial.hpp>
#include <cmath>
#include <exception>
#include <numbers>

#include "common/checked_math.hpp"
#include "common/conversions.hpp"
#include "riskfn/fitting/estimators.hpp"
#include "riskfn/frame/main.hpp"

namespace riskfn::fitting {
namespace {

namespace checked = kx::checked;
using Context = FitContext;
using Fit = CandidateFit;

// TRUE as a CumulProb declared as a double.
constexpr double kCumulative = -1.0;

// A Boost evaluation whose domain errors become the platform's invalid procedure call.
template <class Body>
double boost_checked(Body&& body) {
  try {
    return checked::finite(body());
  } catch (const kx::Failure&) {
    throw;
  } catch (const std::exception& caught) {
    throw kx::Failure(kx::error::kInvalidCall, std::string("Invalid procedure call: ") + caught.what());
  }
}

// At most x defects in a sample of S from a batch of B holding D defects (all truncated).
double hypergeometric_cumulative(double x, const Fit& fit) {
  return boost_checked([&] {
    const auto sample = static_cast<unsigned>(std::trunc(fit.parameter(0)));
    const auto defects = static_cast<unsigned>(std::trunc(fit.parameter(1)));
    const auto batch = static_cast<unsigned>(std::trunc(fit.parameter(2)));
    const boost::math::hypergeometric_distribution<double> distribution(defects, sample, batch);
    const double k = std::floor(x);
    const auto range = boost::math::range(distribution);
    if (k < range.first) return 0.0;
    if (k >= range.second) return 1.0;
    return boost::math::cdf(distribution, static_cast<unsigned>(k));
  });
}

// At most x failures before the r-th success; r need not be whole.
double negative_binomial_cumulative(double x, const Fit& fit) {
  return boost_checked([&] {
    if (x < 0.0) return 0.0;
    const boost::math::negative_binomial_distribution<double> distribution(fit.parameter(0), fit.parameter(1));
    return boost::math::cdf(distribution, std::floor(x));
  });
}

constexpr Candidate kCandidates[] = {
    {1, Kind::Continuous, 326, 1, 0, 0, estimate_beta,
     [](double x, const Fit& f, const Context& c) {
       return c.root.kxBETAc(x, f.parameter(0), f.parameter(1), kCumulative);
     }},
    {2, Kind::Continuous, 327, 2, 0, 0, estimate_beta_general,
     [](double x, const Fit& f, const Context& c) {
       return c.root.kxBETAGENc(x, f.parameter(2), f.parameter(3), f.parameter(0), f.parameter(1), kCumulative);
     }},
    {4, Kind::Continuous, 328, 3, 0, 0, estimate_chi_squared,
     [](double x, const Fit& f, const Context& c) { return kx::to_double(c.root.kxCHI2c(x, f.parameter(0), true)); }},
    {9, Kind::Continuous, 329, 4, 0, 325, estimate_erf,
     [](double x, const Fit& f, const Context& c) { return c.root.kxERFc(x, f.parameter(0), true); }},
    {10, Kind::Continuous, 330, 5, 0, 0, estimate_erlang,
     [](double x, const Fit& f, const Context& c) {
       return c.root.kxERLANGc(x, f.parameter(0), f.parameter(1), true);
     }},
    {11, Kind::Continuous, 331, 6, 0, 0, estimate_exponential,
     [](double x, const Fit& f, const Context& c) { return c.root.kxEXPONc(x, f.parameter(0), true); }},
    {12, Kind::Continuous, 332, 7, 0, 0, estimate_extreme_value,
     [](double x, const Fit& f, const Context& c) {
       return c.root.kxEXTVALc(x, f.parameter(0), f.parameter(1), true);
     }},
    {13, Kind::Continuous, 333, 8, 0, 0, estimate_gamma,
     [](double x, const Fit& f, const Context& c) { return c.root.kxGAMMAc(x, f.parameter(0), f.parameter(1), true); }},
    {19, Kind::Continuous, 334, 9, 0, 0, estimate_inverse_gauss,
     [](double x, const Fit& f, const Context& c) {
       return c.root.kxGAUSSINVc(x, f.parameter(0), f.parameter(1), true);
     }},
    {20, Kind::Continuous, 335, 10, 0, 0, estimate_logistic,
     [](double x, const Fit& f, const Context& c) {
       return c.root.kxLOGISTICc(x, f.parameter(0), f.parameter(1), true);
     }},
    {22, Kind::Continuous, 336, 11, 0, 0, estimate_log_normal,
     [](double x, const Fit& f, const Context& c) {
       return c.root.kxNORMALc(checked::log(x), f.parameter(0), f.parameter(1), true);
     }},
    {25, Kind::Continuous, 337, 12, 0, 0, estimate_normal,
     [](double x, const Fit& f, const Context& c) {
       return c.root.kxNORMALc(x, f.parameter(0), f.parameter(1), true);
     }},
    // PERT is judged by the triangle on its bounds and mode. It has a timing row of its own
    // when the caller's table reaches it, else it shares the triangular candidate's.
    {30, Kind::Continuous, 434, 26, 17, 0, estimate_pert,
     [](double x, const Fit& f, const Context& c) {
       return c.root.kxTRIc(x, f.parameter(0), f.parameter(1), f.parameter(2), true);
     }},
    {26, Kind::Continuous, 338, 13, 0, 0, estimate_pareto,
     [](double x, const Fit& f, const Context&) {
       const double bound = f.parameter(0);
       if (x <= bound) return 0.0;
       return 1.0 - checked::pow(checked::div(bound, x), f.parameter(1));
     }},
    {27, Kind::Continuous, 339, 14, 0, 0, estimate_pareto2,
     [](double x, const Fit& f, const Context&) {
       if (x == 0.0) return 0.0;
       const double scale = f.parameter(1);
       return 1.0 - checked::pow(checked::div(scale, x + scale), f.parameter(0));
     }},
    {32, Kind::Continuous, 340, 15, 0, 0, estimate_rayleigh,
     [](double x, const Fit& f, const Context&) {
       const double z = checked::div(x, std::numbers::sqrt2 * f.parameter(0));
       return 1.0 - std::exp(-z * z);
     }},
    {33, Kind::Continuous, 341, 16, 0, 0, estimate_student,
     [](double x, const Fit& f, const Context& c) { return c.root.kxSTUDENTc(x, f.parameter(0), true); }},
    {34, Kind::Continuous, 342, 17, 0, 0, estimate_triangular,
     [](double x, const Fit& f, const Context& c) {
       return c.root.kxTRIc(x, f.parameter(0), f.parameter(1), f.parameter(2), true);
     }},
    {36, Kind::Continuous, 343, 18, 0, 0, estimate_uniform,
     [](double x, const Fit& f, const Context& c) {
       return c.root.kxUNIFORMc(x, f.parameter(0), f.parameter(1), true);
     }},
    {37, Kind::Continuous, 344, 19, 0, 0, estimate_weibull,
     [](double x, const Fit& f, const Context& c) {
       return c.root.kxWEIBULLc(x, f.parameter(0), f.parameter(1), true);
     }},
    {3, Kind::Discrete, 345, 20, 0, 0, estimate_binomial,
     [](double x, const Fit& f, const Context& c) {
       return c.root.kxBINOMIALc(x, f.parameter(0), f.parameter(1), kCumulative);
     },
     true},
    {15, Kind::Discrete, 346, 21, 0, 0, estimate_geometric,
     [](double x, const Fit& f, const Context& c) { return c.root.kxGEOc(x, f.parameter(0), true); },
     true},
    {17, Kind::Discrete, 347, 22, 0, 0, estimate_hypergeometric,
     [](double x, const Fit& f, const Context&) { return hypergeometric_cumulative(x, f); },
     true},
    {18, Kind::Discrete, 348, 23, 0, 0, estimate_integer_uniform,
     [](double x, const Fit& f, const Context&) {
       const double low = f.parameter(0);
       const double high = f.parameter(1);
       if (x < low) return 0.0;
       if (x > high) return 1.0;
       return checked::div(x - low + 1.0, high - low + 1.0);
     }},
    {24, Kind::Discrete, 349, 24, 0, 0, estimate_negative_binomial,
     [](double x, const Fit& f, const Context&) { return negative_binomial_cumulative(x, f); },
     true},
    {31, Kind::Discrete, 384, 25, 0, 0, estimate_poisson,
     [](double x, const Fit& f, const Context& c) { return c.root.kxPOISSONc(x, f.parameter(0), true); },
     true},
};

}  // namespace

std::span<const Candidate> candidates() { return kCandidates; }

bool counts_only(std::span<const double> sorted) {
  return std::all_of(sorted.begin(), sorted.end(), [](double x) { return x >= 0.0 && x == std::floor(x); });
}

}  // namespace riskfn::fitting
