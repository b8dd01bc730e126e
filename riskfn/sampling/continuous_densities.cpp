// The distribution functions of the continuous distributions: one rule per distribution (its
// density, its cumulative probability, the values it takes), each member untrapped.
#include <boost/math/distributions/students_t.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>

#include "common/checked_math.hpp"
#include "common/conversions.hpp"
#include "riskfn/frame/main.hpp"
#include "riskfn/sampling/beta_density.hpp"
#include "riskfn/sampling/distribution_rule.hpp"

namespace riskfn {
namespace {

namespace checked = kx::checked;
using distribution::DistributionRule;
using distribution::gamma_ln;
using distribution::host_number;
using distribution::host_pi;
using distribution::kUnbounded;
using distribution::Parameters;
using distribution::require;
using distribution::Support;
using distribution::support_if;
using kx::Application;
using kx::Value;
using kx::WorksheetFn;

// For distributions on x > 0: 0 itself lies outside, where their formulas would divide by 0.
constexpr double kAboveZero = std::numeric_limits<double>::denorm_min();

// The beta density with shapes a and b on [low, up], at x within the bounds. Inside, a form
// that keeps its digits for large shapes, where a difference of log-gammas would cancel; at the
// bounds, and for shapes the host must refuse, the host's GammaLn.
double beta_density(double x, double a, double b, double low, double up, Application& host) {
  const double from_low = x - low;
  const double to_up = up - x;
  if (from_low > 0.0 && to_up > 0.0 && a > 0.0 && b > 0.0) {
    const double width = up - low;
    const double t = from_low / width;
    if (t < 1.0) return checked::div(distribution::beta_density_inside(t, to_up / width, a, b), width);
  }
  const double log_coefficient =
      gamma_ln(host, a + b) - gamma_ln(host, a) - gamma_ln(host, b) - (a + b - 1.0) * checked::log(up - low);
  if (from_low > 0.0 && to_up > 0.0) {
    return checked::exp(log_coefficient + (a - 1.0) * std::log(from_low) + (b - 1.0) * std::log(to_up));
  }
  // At a bound the density is 0, finite or a pole, as the power of 0 decides.
  return checked::mul(checked::exp(log_coefficient),
                      checked::mul(checked::pow(from_low, a - 1.0), checked::pow(to_up, b - 1.0)));
}

Value beta_cumulative(double x, double a, double b, double low, double up, Application& host) {
  return host.call(WorksheetFn::BetaDist, {x, a, b, low, up});
}

// The shapes of the PERT: a beta on [low, up] whose mean is (low + 4 mode + up) / 6.
struct PertShapes {
  double alpha;
  double beta;
};

PertShapes pert_shapes(Parameters p) {
  const double low = p[0];
  const double up = p[2];
  const double mean = (low + 4.0 * p[1] + up) / 6.0;
  return {checked::div(6.0 * (mean - low), up - low), checked::div(6.0 * (up - mean), up - low)};
}

// exp(b^2 / 2) * Phi(-b) for b >= 0, which stays finite where each factor alone would not;
// far out the asymptotic series of Mills' ratio is good to 1e-13.
double scaled_normal_tail(double b) {
  if (b < 37.0) return std::exp(b * b / 2.0) * std::erfc(b / std::numbers::sqrt2) / 2.0;
  const double r = 1.0 / (b * b);
  const double series = 1.0 - r * (1.0 - 3.0 * r * (1.0 - 5.0 * r * (1.0 - 7.0 * r)));
  return series / (b * std::sqrt(2.0 * std::numbers::pi));
}

Value gamma_dist(double x, double shape, double scale, bool cumulative, Application& host) {
  return host.call(WorksheetFn::GammaDist, {x, shape, scale, cumulative});
}

// Parameters: scaleP a, shapeP b.
constexpr DistributionRule kBeta = {
    .density = [](double x, Parameters p, Application& host) { return Value(beta_density(x, p[0], p[1], 0, 1, host)); },
    .cumulative = [](double x, Parameters p, Application& host) { return beta_cumulative(x, p[0], p[1], 0, 1, host); },
    .support = [](Parameters p) { return support_if(p[0] > 0.0 && p[1] > 0.0, 0.0, 1.0); },
};

// Parameters: scaleP a, shapeP b, LowVal, UpVal.
constexpr DistributionRule kBetaGeneral = {
    .density = [](double x, Parameters p,
                  Application& host) { return Value(beta_density(x, p[0], p[1], p[2], p[3], host)); },
    .cumulative = [](double x, Parameters p,
                     Application& host) { return beta_cumulative(x, p[0], p[1], p[2], p[3], host); },
    .support = [](Parameters p) { return support_if(p[0] > 0.0 && p[1] > 0.0 && p[2] < p[3], p[2], p[3]); },
};

// Parameters: Degrees. The host's gamma with shape Degrees / 2 and scale 2, for every number of degrees.
constexpr DistributionRule kChiSquared = {
    .density = [](double x, Parameters p, Application& host) { return gamma_dist(x, p[0] / 2.0, 2.0, false, host); },
    .cumulative = [](double x, Parameters p, Application& host) { return gamma_dist(x, p[0] / 2.0, 2.0, true, host); },
    .support = [](Parameters p) { return support_if(p[0] > 0.0, 0.0, kUnbounded); },
};

// Parameters: h, the precision: a normal with mean 0 and standard deviation 1 / (h sqrt 2).
constexpr DistributionRule kErf = {
    .density =
        [](double x, Parameters p, Application& host) {
          const double h = p[0];
          require(h > 0.0, "the precision h must be positive");
          return Value(checked::div(h * std::exp(-(x * h) * (x * h)), std::sqrt(host_pi(host))));
        },
    .cumulative =
        [](double x, Parameters p, Application&) {
          require(p[0] > 0.0, "the precision h must be positive");
          return Value(std::erfc(-x * p[0]) / 2.0);
        },
};

// Erlang and gamma: scaleP the shape, shapeP the scale.
constexpr DistributionRule kGamma = {
    .density = [](double x, Parameters p, Application& host) { return gamma_dist(x, p[0], p[1], false, host); },
    .cumulative = [](double x, Parameters p, Application& host) { return gamma_dist(x, p[0], p[1], true, host); },
    .support = [](Parameters p) { return support_if(p[0] > 0.0 && p[1] > 0.0, 0.0, kUnbounded); },
};

// Parameters: Mean. The cumulative probability is computed here, without the host.
constexpr DistributionRule kExponential = {
    .density =
        [](double x, Parameters p, Application& host) {
          return host.call(WorksheetFn::ExponDist, {x, checked::div(1.0, p[0]), false});
        },
    .cumulative =
        [](double x, Parameters p, Application&) {
          require(p[0] > 0.0, "the mean must be positive");
          return Value(-std::expm1(-x / p[0]));
        },
    .support = [](Parameters p) { return support_if(p[0] > 0.0, 0.0, kUnbounded); },
};

// Gumbel for maxima. Parameters: ModalValue the location, scaleP the scale. Far below the
// mode e^-z overflows where the density and the probability have long reached 0.
Value extreme_value(double x, Parameters p, bool cumulative) {
  const double z = checked::div(x - p[0], p[1]);
  require(p[1] > 0.0, "the scale must be positive");
  const double tail = std::exp(-z);
  if (std::isinf(tail)) return 0.0;
  return cumulative ? std::exp(-tail) : std::exp(-(z + tail)) / p[1];
}

constexpr DistributionRule kExtremeValue = {
    .density = [](double x, Parameters p, Application&) { return extreme_value(x, p, false); },
    .cumulative = [](double x, Parameters p, Application&) { return extreme_value(x, p, true); },
};

// Parameters: Mean mu, scaleP the shape lambda.
constexpr DistributionRule kInverseGaussian = {
    .density =
        [](double x, Parameters p, Application& host) {
          const double mean = p[0];
          const double shape = p[1];
          const double log_root = (checked::log(shape) - std::log(2.0 * host_pi(host)) - 3.0 * checked::log(x)) / 2.0;
          return Value(checked::exp(log_root - shape * (x - mean) * (x - mean) / (2.0 * mean * mean * x)));
        },
    .cumulative =
        [](double x, Parameters p, Application&) {
          // Phi(a) + exp(2 lambda / mu) Phi(-b); since b^2 - a^2 = 4 lambda / mu the second
          // term is exp(-a^2 / 2) times the scaled tail at b, which never overflows.
          const double root = std::sqrt(p[1] / x);
          const double a = root * (x / p[0] - 1.0);
          const double b = root * (x / p[0] + 1.0);
          return Value(std::erfc(-a / std::numbers::sqrt2) / 2.0 + std::exp(-a * a / 2.0) * scaled_normal_tail(b));
        },
    .support = [](Parameters p) { return support_if(p[0] > 0.0 && p[1] > 0.0, kAboveZero, kUnbounded); },
};

// Parameters: Mean the location, scaleP the scale s. With z = (x - mean) / s the density
// 1 / (4 s cosh^2(z / 2)) is written with e^-|z|, which cannot overflow.
Value logistic(double x, Parameters p, bool cumulative) {
  const double z = checked::div(x - p[0], p[1]);
  require(p[1] > 0.0, "the scale must be positive");
  const double e = std::exp(-std::fabs(z));
  if (cumulative) return z >= 0.0 ? 1.0 / (1.0 + e) : e / (1.0 + e);
  return e / (p[1] * (1.0 + e) * (1.0 + e));
}

constexpr DistributionRule kLogistic = {
    .density = [](double x, Parameters p, Application&) { return logistic(x, p, false); },
    .cumulative = [](double x, Parameters p, Application&) { return logistic(x, p, true); },
};

// Parameters: Mean m and StDeviation s of the variate itself; its logarithm is normal.
Value log_normal(double x, Parameters p, bool cumulative, Application& host) {
  const auto ln = [&](double y) { return host_number(host, WorksheetFn::Ln, {y}); };
  const double m2 = checked::mul(p[0], p[0]);
  const double s2 = checked::mul(p[1], p[1]);
  const double log_mean = ln(checked::div(m2, std::sqrt(checked::add(m2, s2))));
  const double log_sd = checked::sqrt(ln(checked::div(m2 + s2, m2)));
  const Value normal = host.call(WorksheetFn::NormDist, {ln(x), log_mean, log_sd, cumulative});
  if (cumulative) return normal;
  return checked::div(kx::to_double(normal), x);
}

constexpr DistributionRule kLogNormal = {
    .density = [](double x, Parameters p, Application& host) { return log_normal(x, p, false, host); },
    .cumulative = [](double x, Parameters p, Application& host) { return log_normal(x, p, true, host); },
    .support = [](Parameters p) { return support_if(p[0] > 0.0 && p[1] > 0.0, kAboveZero, kUnbounded); },
};

constexpr DistributionRule kNormal = {
    .density =
        [](double x, Parameters p, Application& host) {
          return host.call(WorksheetFn::NormDist, {x, p[0], p[1], false});
        },
    .cumulative =
        [](double x, Parameters p, Application& host) {
          return host.call(WorksheetFn::NormDist, {x, p[0], p[1], true});
        },
};

// Parameters: Location alpha the shape, shapeP xm the lower bound.
constexpr DistributionRule kPareto = {
    .density =
        [](double x, Parameters p, Application&) {
          const double shape = p[0];
          const double bound = p[1];
          require(shape > 0.0 && bound > 0.0, "the shape and the lower bound must be positive");
          if (x < bound) return Value(0.0);
          return Value(checked::mul(checked::div(shape, x), checked::pow(checked::div(bound, x), shape)));
        },
};

// The Pareto shifted to start at 0 (Lomax). Parameters: Location lambda the scale, shapeP alpha the shape.
constexpr DistributionRule kPareto2 = {
    .density =
        [](double x, Parameters p, Application&) {
          const double scale = p[0];
          const double shape = p[1];
          require(scale > 0.0 && shape > 0.0, "the scale and the shape must be positive");
          const double shifted = x + scale;
          return Value(checked::mul(checked::div(shape, shifted), checked::pow(checked::div(scale, shifted), shape)));
        },
    .support = [](Parameters p) { return support_if(p[0] > 0.0 && p[1] > 0.0, 0.0, kUnbounded); },
};

// Parameters: LowVal, ModalValue, UpVal: the beta on [LowVal, UpVal] with the PERT shapes.
constexpr DistributionRule kPert = {
    .density =
        [](double x, Parameters p, Application& host) {
          const PertShapes shapes = pert_shapes(p);
          return Value(beta_density(x, shapes.alpha, shapes.beta, p[0], p[2], host));
        },
    .cumulative =
        [](double x, Parameters p, Application& host) {
          const PertShapes shapes = pert_shapes(p);
          return beta_cumulative(x, shapes.alpha, shapes.beta, p[0], p[2], host);
        },
    .support = [](Parameters p) { return support_if(p[0] < p[2] && p[0] <= p[1] && p[1] <= p[2], p[0], p[2]); },
};

// Parameters: scaleP sigma.
constexpr DistributionRule kRayleigh = {
    .density =
        [](double x, Parameters p, Application&) {
          require(p[0] > 0.0, "the scale must be positive");
          const double ratio = checked::div(x, p[0]);
          return Value(checked::div(ratio, p[0]) * std::exp(-ratio * ratio / 2.0));
        },
    .support = [](Parameters p) { return support_if(p[0] > 0.0, 0.0, kUnbounded); },
};

// Parameters: Degrees nu, which need not be whole.
constexpr DistributionRule kStudent = {
    .density =
        [](double x, Parameters p, Application& host) {
          const double degrees = p[0];
          require(degrees > 0.0, "the degrees of freedom must be positive");
          // Gamma(nu / 2) / Gamma((nu + 1) / 2) as one ratio: two log-gammas of large nu would
          // cancel to nothing.
          const double gamma_ratio = boost::math::tgamma_delta_ratio(degrees / 2.0, 0.5);
          const double ratio = x / std::sqrt(degrees);
          // log(1 + ratio^2), without squaring a ratio too large to square
          const double log_base = std::fabs(ratio) > 1e100
                                      ? 2.0 * std::log(std::fabs(ratio)) + std::log1p(1.0 / ratio / ratio)
                                      : std::log1p(ratio * ratio);
          return Value(checked::div(std::exp(-(degrees + 1.0) / 2.0 * log_base),
                                    checked::mul(std::sqrt(degrees * host_pi(host)), gamma_ratio)));
        },
    .cumulative =
        [](double x, Parameters p, Application&) {
          require(p[0] > 0.0, "the degrees of freedom must be positive");
          // In double, not promoted to long double: four times faster over a fitted column, and
          // the reference values hold.
          using InDouble = boost::math::policies::policy<boost::math::policies::promote_double<false>>;
          return Value(boost::math::cdf(boost::math::students_t_distribution<double, InDouble>(p[0]), x));
        },
};

// Parameters: LowVal L, ModalValue M, UpVal U. Left of the mode the rising line, right of it
// the falling one; at the mode either gives 2 / (U - L), and the one that is no 0/0 is used.
constexpr DistributionRule kTriangular = {
    .density =
        [](double x, Parameters p, Application&) {
          const double low = p[0];
          const double mode = p[1];
          const double up = p[2];
          if (x >= mode && mode < up) return Value(checked::div(2.0 * (up - x), (up - low) * (up - mode)));
          return Value(checked::div(2.0 * (x - low), (mode - low) * (up - low)));
        },
    .cumulative =
        [](double x, Parameters p, Application&) {
          const double low = p[0];
          const double mode = p[1];
          const double up = p[2];
          if (x <= mode && mode > low) return Value(checked::div((x - low) * (x - low), (mode - low) * (up - low)));
          return Value(1.0 - checked::div((up - x) * (up - x), (up - low) * (up - mode)));
        },
    .support = [](Parameters p) { return support_if(p[0] < p[2] && p[0] <= p[1] && p[1] <= p[2], p[0], p[2]); },
};

// Parameters: LowVal, UpVal, in either order, as the sampling function takes them.
constexpr DistributionRule kUniform = {
    .density = [](double, Parameters p, Application&) { return Value(checked::div(1.0, std::fabs(p[1] - p[0]))); },
    .cumulative =
        [](double x, Parameters p, Application&) {
          const double low = std::min(p[0], p[1]);
          return Value(checked::div(x - low, std::fabs(p[1] - p[0])));
        },
    .support = [](Parameters p) { return support_if(p[0] != p[1], std::min(p[0], p[1]), std::max(p[0], p[1])); },
};

// Parameters: Life the shape, shapeP the scale.
constexpr DistributionRule kWeibull = {
    .density =
        [](double x, Parameters p, Application& host) {
          return host.call(WorksheetFn::Weibull, {x, p[0], p[1], false});
        },
    .cumulative =
        [](double x, Parameters p, Application& host) {
          return host.call(WorksheetFn::Weibull, {x, p[0], p[1], true});
        },
    .support = [](Parameters p) { return support_if(p[0] > 0.0 && p[1] > 0.0, 0.0, kUnbounded); },
};

}  // namespace

using distribution::cumulative_selected;
using distribution::evaluate;
using distribution::evaluate_number;

double Main::kxBETAc(double ProbX, double scaleP, double shapeP, double CumulProb) {
  return evaluate_number(host(), kBeta, ProbX, {scaleP, shapeP}, cumulative_selected(CumulProb));
}

double Main::kxBETAGENc(double ProbX, double scaleP, double shapeP, double LowVal, double UpVal, double CumulProb) {
  return evaluate_number(host(), kBetaGeneral, ProbX, {scaleP, shapeP, LowVal, UpVal}, cumulative_selected(CumulProb));
}

Value Main::kxCHI2c(double ProbX, double Degrees, bool CumulProb) {
  return evaluate(host(), kChiSquared, ProbX, {Degrees}, CumulProb);
}

double Main::kxERFc(double ProbX, double h, bool CumulProb) {
  return evaluate_number(host(), kErf, ProbX, {h}, CumulProb);
}

double Main::kxERLANGc(double ProbX, double scaleP, double shapeP, bool CumulProb) {
  return evaluate_number(host(), kGamma, ProbX, {scaleP, shapeP}, CumulProb);
}

double Main::kxEXPONc(double ProbX, double Mean, bool CumulProb) {
  return evaluate_number(host(), kExponential, ProbX, {Mean}, CumulProb);
}

double Main::kxEXTVALc(double ProbX, double ModalValue, double scaleP, bool CumulProb) {
  return evaluate_number(host(), kExtremeValue, ProbX, {ModalValue, scaleP}, CumulProb);
}

double Main::kxGAMMAc(double ProbX, double scaleP, double shapeP, bool CumulProb) {
  return evaluate_number(host(), kGamma, ProbX, {scaleP, shapeP}, CumulProb);
}

double Main::kxGAUSSINVc(double ProbX, double Mean, double scaleP, bool CumulProb) {
  return evaluate_number(host(), kInverseGaussian, ProbX, {Mean, scaleP}, CumulProb);
}

double Main::kxLOGISTICc(double ProbX, double Mean, double scaleP, bool CumulProb) {
  return evaluate_number(host(), kLogistic, ProbX, {Mean, scaleP}, CumulProb);
}

double Main::kxLOGNORMALc(double ProbX, double Mean, double StDeviation, bool CumulProb) {
  return evaluate_number(host(), kLogNormal, ProbX, {Mean, StDeviation}, CumulProb);
}

double Main::kxNORMALc(double ProbX, double Mean, double StDeviation, bool CumulProb) {
  return evaluate_number(host(), kNormal, ProbX, {Mean, StDeviation}, CumulProb);
}

Value Main::kxPARETOc(double ProbX, double Location, double shapeP) {
  return evaluate(host(), kPareto, ProbX, {Location, shapeP});
}

Value Main::kxPARETO2c(double ProbX, double Location, double shapeP) {
  return evaluate(host(), kPareto2, ProbX, {Location, shapeP});
}

double Main::kxPERTc(double ProbX, double LowVal, double ModalValue, double UpVal, bool CumulProb) {
  return evaluate_number(host(), kPert, ProbX, {LowVal, ModalValue, UpVal}, CumulProb);
}

Value Main::kxRAYLEIGHc(double ProbX, double scaleP) { return evaluate(host(), kRayleigh, ProbX, {scaleP}); }

double Main::kxSTUDENTc(double ProbX, double Degrees, bool CumulProb) {
  return evaluate_number(host(), kStudent, ProbX, {Degrees}, CumulProb);
}

double Main::kxTRIc(double ProbX, double LowVal, double ModalValue, double UpVal, bool CumulProb) {
  return evaluate_number(host(), kTriangular, ProbX, {LowVal, ModalValue, UpVal}, CumulProb);
}

double Main::kxUNIFORMc(double ProbX, double LowVal, double UpVal, bool CumulProb) {
  return evaluate_number(host(), kUniform, ProbX, {LowVal, UpVal}, CumulProb);
}

double Main::kxWEIBULLc(double ProbX, double Life, double shapeP, bool CumulProb) {
  return evaluate_number(host(), kWeibull, ProbX, {Life, shapeP}, CumulProb);
}

}  // namespace riskfn
