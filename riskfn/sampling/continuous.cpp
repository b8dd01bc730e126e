// The twenty continuous sampling functions of Main: one rule per distribution (its deterministic
// value and its variate from u), each member stating its reporting mode in one line.
#include <array>
#include <boost/math/distributions/inverse_gaussian.hpp>
#include <numbers>
#include <optional>

#include "common/checked_math.hpp"
#include "common/reporting.hpp"
#include "riskfn/frame/main.hpp"
#include "riskfn/sampling/sampling_protocol.hpp"

namespace riskfn {
namespace {

namespace checked = kx::checked;
using kx::Application;
using kx::Value;
using kx::WorksheetFn;
using sampling::host_ln;
using sampling::number_of;
using sampling::Parameters;
using sampling::SamplingRule;

constexpr const char* kNotUniquelyDefined = "Not uniquely defined";

// The mode of a beta distribution with shapes a and b on [low, up]; a flat or U-shaped
// density has none to show.
Value beta_mode(double a, double b, double low, double up) {
  if (a == 1.0 && b == 1.0) return kNotUniquelyDefined;
  if (a >= 1.0 && b >= 1.0) return low + checked::div(a - 1.0, a + b - 2.0) * (up - low);
  if (a < 1.0 && b >= 1.0) return low;
  if (a >= 1.0 && b < 1.0) return up;
  return Value();
}

// -Ln(1 - u): increasing in u, so correlated uniforms keep the sign of their correlation.
double exponential_of(double u, Application& host) { return 0.0 - host_ln(host, 1.0 - u); }

// The inverse Gaussian variate by interpolating its distribution function F on a grid of 200
// points up to top = mean + 6 mean^3 / shape: u is placed linearly between the first point with
// F >= u and the point before it (whose F counts as 0 for the first cell). Where the grid
// cannot reach u (u at or below 0, or above F(top)) the exact quantile stands in, so every u
// gets an answer and no search runs unbounded.
double inverse_gaussian_variate(double mean, double shape, double u, Application& host) {
  constexpr int kFirstPoint = 2;
  constexpr int kLastPoint = 200;
  const double top = checked::add(mean, checked::div(6.0 * mean * mean * mean, shape));
  const double step = top / kLastPoint;
  const double tail_weight = checked::exp(checked::div(2.0 * shape, mean));
  const auto phi = [&](double z) { return number_of(host.call(WorksheetFn::NormDist, {z, 0.0, 1.0, true})); };
  std::array<std::optional<double>, kLastPoint + 1> known;
  const auto cumulative_at = [&](int point) {
    if (!known[point]) {
      const double x = point * step;
      const double root = checked::sqrt(checked::div(shape, x));
      known[point] = phi(root * (x / mean - 1.0)) + checked::mul(tail_weight, phi(-root * (x / mean + 1.0)));
    }
    return *known[point];
  };
  const auto cell_answer = [&](int point) -> std::optional<double> {
    const double reached = cumulative_at(point);
    const double previous = point == kFirstPoint ? 0.0 : cumulative_at(point - 1);
    if (!(reached >= u && u > previous)) return std::nullopt;
    return (point * step - step) + (u - previous) * step / (reached - previous);
  };

  // F grows along the grid, so bisection finds the first point reaching u with about 8 of the
  // 199 evaluations a scan from the first point would make, and the same answer.
  int low = kFirstPoint;
  int high = kLastPoint + 1;
  while (u > 0.0 && low < high) {
    const int middle = (low + high) / 2;
    if (cumulative_at(middle) >= u) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  if (u > 0.0 && low <= kLastPoint) {
    if (const auto answer = cell_answer(low)) return *answer;
    // Only a distribution function that dips by a rounding error gets here: scan as a last resort.
    for (int point = kFirstPoint; point <= kLastPoint; ++point) {
      if (const auto answer = cell_answer(point)) return *answer;
    }
  }
  if (u < 0.0 || u > 1.0) throw kx::Failure(kx::error::kInvalidCall, "The uniform lies outside [0, 1]");
  if (u == 1.0) throw kx::Failure(kx::error::kOverflow, "The inverse Gaussian quantile of 1 is infinite");
  const boost::math::inverse_gaussian_distribution<double> distribution(mean, shape);
  return boost::math::quantile(distribution, u);
}

constexpr SamplingRule kBeta = {
    .deterministic = [](const Parameters& p, Application&) { return beta_mode(p[0], p[1], 0.0, 1.0); },
    .variate =
        [](const Parameters& p, double u, Application& host) {
          return host.call_with_numbers(WorksheetFn::BetaInv, {u, p[0], p[1], 0.0, 1.0});
        },
};

// Parameters: scaleP, shapeP, LowVal, UpVal. The deterministic value also answers "0", which
// callers have long used for it.
constexpr SamplingRule kBetaGeneral = {
    .deterministic = [](const Parameters& p, Application&) { return beta_mode(p[0], p[1], p[2], p[3]); },
    .variate =
        [](const Parameters& p, double u, Application& host) {
          return host.call_with_numbers(WorksheetFn::BetaInv, {u, p[0], p[1], p[2], p[3]});
        },
    .also_deterministic = "0",
};

// The chi-square quantile for every number of degrees.
constexpr SamplingRule kChiSquared = {
    .deterministic = [](const Parameters& p, Application&) { return Value(p[0] >= 2.0 ? p[0] - 2.0 : 0.0); },
    .variate =
        [](const Parameters& p, double u, Application& host) {
          return host.call_with_numbers(WorksheetFn::GammaInv, {u, p[0] / 2.0, 2.0});
        },
    .uniform_before_show_mode = true,
};

constexpr SamplingRule kErf = {
    .deterministic = [](const Parameters&, Application&) { return Value(0.0); },
    .variate =
        [](const Parameters& p, double u, Application& host) {
          return host.call_with_numbers(WorksheetFn::NormInv, {u, 0.0, checked::div(1.0, p[0] * std::numbers::sqrt2)});
        },
};

// Erlang and gamma: scaleP is the shape, shapeP the scale.
constexpr SamplingRule kErlang = {
    .deterministic = [](const Parameters& p, Application&) { return Value((p[0] - 1.0) * p[1]); },
    .variate =
        [](const Parameters& p, double u, Application& host) {
          return host.call_with_numbers(WorksheetFn::GammaInv, {u, p[0], p[1]});
        },
};

constexpr SamplingRule kExponential = {
    .deterministic = [](const Parameters&, Application&) { return Value(0.0); },
    .variate = [](const Parameters& p, double u,
                  Application& host) { return Value(checked::mul(p[0], exponential_of(u, host))); },
};

// Gumbel for maxima: ModalValue the location, StDeviation the scale.
constexpr SamplingRule kExtremeValue = {
    .deterministic = [](const Parameters& p, Application&) { return Value(p[0]); },
    .variate =
        [](const Parameters& p, double u, Application& host) {
          return Value(p[0] - checked::mul(p[1], host_ln(host, 0.0 - host_ln(host, u))));
        },
};

constexpr SamplingRule kGamma = {
    .deterministic = [](const Parameters& p, Application&) { return Value(p[0] >= 1.0 ? (p[0] - 1.0) * p[1] : 0.0); },
    .variate =
        [](const Parameters& p, double u, Application& host) {
          return host.call_with_numbers(WorksheetFn::GammaInv, {u, p[0], p[1]});
        },
};

// Mean mu, shape lambda; the deterministic value is the mode.
constexpr SamplingRule kInverseGaussian = {
    .deterministic =
        [](const Parameters& p, Application&) {
          const double mean = p[0];
          const double shape = p[1];
          const double ratio = checked::div(mean, shape);
          return Value(mean * checked::sqrt(1.0 + 2.25 * ratio * ratio) - 1.5 * mean * ratio);
        },
    .variate = [](const Parameters& p, double u,
                  Application& host) { return Value(inverse_gaussian_variate(p[0], p[1], u, host)); },
    // A mean or shape at or below 0 is no inverse Gaussian law; the grid would give negative variates.
    .bounds_test = sampling::BoundsTest::kBeforeShowMode,
    .bounds_hold = [](const Parameters& p) { return p[0] > 0.0 && p[1] > 0.0; },
};

// Mean the location, StDeviation the scale.
constexpr SamplingRule kLogistic = {
    .deterministic = [](const Parameters& p, Application&) { return Value(p[0]); },
    .variate =
        [](const Parameters& p, double u, Application& host) {
          return Value(p[0] - checked::mul(p[1], host_ln(host, checked::div(1.0, u) - 1.0)));
        },
};

// Mean and StDeviation of the variate itself; the deterministic value is the mode.
constexpr SamplingRule kLogNormal = {
    .deterministic =
        [](const Parameters& p, Application&) {
          const double m2 = checked::mul(p[0], p[0]);
          const double s2 = checked::mul(p[1], p[1]);
          return Value(checked::div(m2 * m2, checked::pow(m2 + s2, 1.5)));
        },
    .variate =
        [](const Parameters& p, double u, Application& host) {
          const double m2 = checked::mul(p[0], p[0]);
          const double s2 = checked::mul(p[1], p[1]);
          const double log_mean = host_ln(host, checked::div(m2, checked::sqrt(checked::add(m2, s2))));
          const double log_sd = checked::sqrt(host_ln(host, checked::div(m2 + s2, m2)));
          return Value(checked::exp(number_of(host.call_with_numbers(WorksheetFn::NormInv, {u, log_mean, log_sd}))));
        },
};

constexpr SamplingRule kNormal = {
    .deterministic = [](const Parameters& p, Application&) { return Value(p[0]); },
    .variate =
        [](const Parameters& p, double u, Application& host) {
          return host.call_with_numbers(WorksheetFn::NormInv, {u, p[0], p[1]});
        },
};

// Pareto: Location the shape alpha, ModalValue the scale xm.
double pareto_variate(const Parameters& p, double u) {
  return checked::mul(p[1], checked::pow(1.0 - u, checked::div(-1.0, p[0])));
}

constexpr SamplingRule kPareto = {
    .deterministic = [](const Parameters& p, Application&) { return Value(p[1]); },
    .variate = [](const Parameters& p, double u, Application&) { return Value(pareto_variate(p, u)); },
};

// The Pareto shifted to start at 0 (Lomax).
constexpr SamplingRule kPareto2 = {
    .deterministic = [](const Parameters&, Application&) { return Value(0.0); },
    .variate = [](const Parameters& p, double u, Application&) { return Value(pareto_variate(p, u) - p[1]); },
};

// Low, ML, High: a beta on [Low, High] whose mean is (Low + 4 ML + High) / 6. The deterministic
// value is ML as the caller gave it.
constexpr SamplingRule kPert = {
    .deterministic = [](const Parameters& p, Application&) { return p.at(1).value(); },
    .variate =
        [](const Parameters& p, double u, Application& host) {
          const double low = p[0];
          const double high = p[2];
          const double mean = (low + 4.0 * p[1] + high) / 6.0;
          const double alpha = checked::div(6.0 * (mean - low), high - low);
          const double beta = checked::div(6.0 * (high - mean), high - low);
          return host.call_with_numbers(WorksheetFn::BetaInv, {u, alpha, beta, low, high});
        },
};

constexpr SamplingRule kRayleigh = {
    .deterministic = [](const Parameters& p, Application&) { return Value(p[0]); },
    .variate =
        [](const Parameters& p, double u, Application& host) {
          return Value(checked::mul(p[0], checked::sqrt(2.0 * exponential_of(u, host))));
        },
};

// TINV is two-tailed: the upper half of u maps to TINV(2(1 - u)), the lower half mirrors it.
constexpr SamplingRule kStudent = {
    .deterministic = [](const Parameters&, Application&) { return Value(0.0); },
    .variate =
        [](const Parameters& p, double u, Application& host) {
          if (u >= 0.5) return host.call_with_numbers(WorksheetFn::TInv, {2.0 * (1.0 - u), p[0]});
          return Value(0.0 - number_of(host.call_with_numbers(WorksheetFn::TInv, {2.0 * u, p[0]})));
        },
};

// LowVal, ModalValue, UpVal. A mode outside the bounds would give variates outside them too.
constexpr SamplingRule kTriangular = {
    .deterministic = [](const Parameters& p, Application&) { return Value(p[1]); },
    .variate =
        [](const Parameters& p, double u, Application&) {
          const double low = p[0];
          const double mode = p[1];
          const double up = p[2];
          const double turn = checked::div(mode - low, up - low);
          if (u < turn) return Value(low + checked::sqrt(checked::mul(u * (mode - low), up - low)));
          return Value(up - checked::sqrt(checked::mul((1.0 - u) * (up - low), up - mode)));
        },
    .bounds_test = sampling::BoundsTest::kBeforeShowMode,
    .bounds_hold = [](const Parameters& p) { return p[0] < p[2] && p[0] <= p[1] && p[1] <= p[2]; },
};

constexpr SamplingRule kUniform = {
    .deterministic = [](const Parameters& p, Application&) { return Value((p[0] + p[1]) / 2.0); },
    .variate = [](const Parameters& p, double u, Application&) { return Value(p[0] + (p[1] - p[0]) * u); },
};

// Life the shape k, shapeP the scale lambda; the deterministic value is the mode.
constexpr SamplingRule kWeibull = {
    .deterministic =
        [](const Parameters& p, Application&) {
          const double shape = p[0];
          if (!(shape > 1.0)) return Value(0.0);
          return Value(checked::mul(p[1], checked::pow(1.0 - 1.0 / shape, 1.0 / shape)));
        },
    .variate =
        [](const Parameters& p, double u, Application& host) {
          return Value(checked::mul(p[1], checked::pow(exponential_of(u, host), checked::div(1.0, p[0]))));
        },
};

}  // namespace

using sampling::sample;

Value Main::kxBETA(double scaleP, double shapeP, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_variant([&] { return sample(host(), kBeta, {scaleP, shapeP}, corFactor, ModeSheet); });
}

Value Main::kxBETAGEN(double scaleP, double shapeP, Value& corFactor, std::string& ModeSheet, double& LowVal,
                      double& UpVal) {
  return kx::trapped_variant([&] {
    return sample(host(), kBetaGeneral, {scaleP, shapeP, LowVal, UpVal}, corFactor, ModeSheet);
  });
}

double Main::kxCHI2(Value& Degrees, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_numeric<double>([&] { return sample(host(), kChiSquared, {Degrees}, corFactor, ModeSheet); });
}

double Main::kxERF(Value& Mean, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_numeric<double>([&] { return sample(host(), kErf, {Mean}, corFactor, ModeSheet); });
}

double Main::kxERLANG(double& scaleP, double& shapeP, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_numeric<double>([&] { return sample(host(), kErlang, {scaleP, shapeP}, corFactor, ModeSheet); });
}

double Main::kxEXPON(double& Mean, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_numeric<double>([&] { return sample(host(), kExponential, {Mean}, corFactor, ModeSheet); });
}

Value Main::kxEXTVAL(double ModalValue, double StDeviation, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_variant([&] {
    return sample(host(), kExtremeValue, {ModalValue, StDeviation}, corFactor, ModeSheet);
  });
}

Value Main::kxGAMMA(double scaleP, double shapeP, Value& corFactor, std::string& ModeSheet) {
  // No gamma law has a shape or scale at or below 0: the host's error value stands there, as the
  // shapeP put in its place would pass for a variate.
  if (!(scaleP > 0.0 && shapeP > 0.0)) {
    return kx::trapped_variant([&] { return sample(host(), kGamma, {scaleP, shapeP}, corFactor, ModeSheet); });
  }
  return sampling::replaced_on_failure(shapeP, [&] {
    return sample(host(), kGamma, {scaleP, shapeP}, corFactor, ModeSheet);
  });
}

double Main::kxGAUSSINV(double& Mean, double& scaleP, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_numeric<double>([&] {
    return sample(host(), kInverseGaussian, {Mean, scaleP}, corFactor, ModeSheet);
  });
}

double Main::kxLOGISTIC(Value& Mean, Value& StDeviation, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_numeric<double>([&] {
    return sample(host(), kLogistic, {Mean, StDeviation}, corFactor, ModeSheet);
  });
}

double Main::kxLOGNORMAL(double& Mean, double& StDeviation, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_numeric<double>([&] {
    return sample(host(), kLogNormal, {Mean, StDeviation}, corFactor, ModeSheet);
  });
}

double Main::kxNORMAL(Value& Mean, Value& StDeviation, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_numeric<double>([&] {
    return sample(host(), kNormal, {Mean, StDeviation}, corFactor, ModeSheet);
  });
}

double Main::kxPARETO(Value& Location, Value& ModalValue, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_numeric<double>([&] {
    return sample(host(), kPareto, {Location, ModalValue}, corFactor, ModeSheet);
  });
}

double Main::kxPARETO2(Value& Location, Value& ModalValue, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_numeric<double>([&] {
    return sample(host(), kPareto2, {Location, ModalValue}, corFactor, ModeSheet);
  });
}

Value Main::kxPERT(Value& Low, Value& ML, Value& High, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_variant([&] { return sample(host(), kPert, {Low, ML, High}, corFactor, ModeSheet); });
}

double Main::kxRAYLEIGH(Value& scaleP, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_numeric<double>([&] { return sample(host(), kRayleigh, {scaleP}, corFactor, ModeSheet); });
}

double Main::kxSTUDENT(Value& Degrees, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_numeric<double>([&] { return sample(host(), kStudent, {Degrees}, corFactor, ModeSheet); });
}

Value Main::kxTRI(double& LowVal, double& ModalValue, double& UpVal, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_variant([&] {
    return sample(host(), kTriangular, {LowVal, ModalValue, UpVal}, corFactor, ModeSheet);
  });
}

Value Main::kxUNIFORM(double& LowVal, double& UpVal, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_variant([&] { return sample(host(), kUniform, {LowVal, UpVal}, corFactor, ModeSheet); });
}

double Main::kxWEIBULL(Value& Life, Value& shapeP, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_numeric<double>([&] { return sample(host(), kWeibull, {Life, shapeP}, corFactor, ModeSheet); });
}

// kxGAMMA's replacement of a failure is left to its call, as every failure is.
void sampling::add_continuous_draws(kx::Interface& interface) {
  static constexpr std::array<std::pair<std::string_view, kx::SamplingDraw>, 20> kDraws = {{
      {"kxBETA", sampling_draw(kBeta, 2)},
      {"kxBETAGEN", sampling_draw(kBetaGeneral, 2, 2)},
      {"kxGAMMA", sampling_draw(kGamma, 2)},
      {"kxCHI2", sampling_draw(kChiSquared, 1)},
      {"kxERF", sampling_draw(kErf, 1)},
      {"kxERLANG", sampling_draw(kErlang, 2)},
      {"kxEXPON", sampling_draw(kExponential, 1)},
      {"kxEXTVAL", sampling_draw(kExtremeValue, 2)},
      {"kxGAUSSINV", sampling_draw(kInverseGaussian, 2)},
      {"kxLOGISTIC", sampling_draw(kLogistic, 2)},
      {"kxLOGNORMAL", sampling_draw(kLogNormal, 2)},
      {"kxNORMAL", sampling_draw(kNormal, 2)},
      {"kxPARETO", sampling_draw(kPareto, 2)},
      {"kxPARETO2", sampling_draw(kPareto2, 2)},
      {"kxPERT", sampling_draw(kPert, 3)},
      {"kxRAYLEIGH", sampling_draw(kRayleigh, 1)},
      {"kxSTUDENT", sampling_draw(kStudent, 1)},
      {"kxTRI", sampling_draw(kTriangular, 3)},
      {"kxUNIFORM", sampling_draw(kUniform, 2)},
      {"kxWEIBULL", sampling_draw(kWeibull, 2)},
  }};
  for (const auto& [name, draw] : kDraws) interface.set_sampling(name, &draw);
}

}  // namespace riskfn
