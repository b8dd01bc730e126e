// kxWEIBULLEST: the Weibull shape and scale whose mean and standard deviation match given
// ones, by the method of moments over a grid of shapes. Trapped, variant result.
#include <cstdint>

#include "common/checked_math.hpp"
#include "common/conversions.hpp"
#include "common/reporting.hpp"
#include "riskfn/frame/main.hpp"

namespace riskfn {
namespace {

namespace checked = kx::checked;
using kx::Value;

// The grid: shape 100 in its first row, each next row 0.1 less, down to about 0.1 in row 999.
// The shapes come from repeated subtraction and carry its rounding.
constexpr int kGridRows = 1000;
constexpr double kFirstShape = 100.0;
constexpr double kShapeStep = 0.1;

float single_of(double x) { return kx::to_single(Value(x)); }

}  // namespace

// P2 is read, not squared in place: the caller's standard deviation stays as it was.
Value Main::kxWEIBULLEST(Value& P1, Value& P2, std::int16_t& OnlyOneValue) {
  return kx::trapped_variant([&]() -> Value {
    kx::Application& application = host();
    const auto gamma_of = [&](double x) {
      return checked::exp(kx::to_double(application.call(kx::WorksheetFn::GammaLn, {x})));
    };
    const double mean = kx::to_double(P1);
    const double variance = checked::mul(kx::to_double(P2), kx::to_double(P2));
    const double squared_mean = checked::mul(mean, mean);
    // E[X^2] / E[X]^2 = 1 + (sd / mean)^2, held in single precision.
    const float target = single_of(checked::div(checked::add(squared_mean, variance), squared_mean));

    // The ratio Gamma(1 + 2/k) / Gamma(1 + 1/k)^2 grows as the shape k falls: the answer is the
    // smallest grid shape whose ratio does not exceed the target, 0 when even shape 100's does.
    float shape = 0.0F;
    double grid_shape = kFirstShape;
    for (int row = 0; row < kGridRows; ++row, grid_shape -= kShapeStep) {
      const double first_moment = gamma_of(1.0 / grid_shape + 1.0);
      const double ratio = gamma_of(2.0 / grid_shape + 1.0) / (first_moment * first_moment);
      if (ratio > target) break;
      shape = static_cast<float>(grid_shape);
    }
    const float scale = single_of(checked::div(mean, gamma_of(checked::div(1.0, shape) + 1.0)));

    switch (OnlyOneValue) {
      case 0: {
        kx::Array column(2, 1);  // shape above scale
        column.at(0) = static_cast<double>(shape);
        column.at(1) = static_cast<double>(scale);
        return column;
      }
      case 1: return static_cast<double>(shape);
      case 2: return static_cast<double>(scale);
      default: return Value();
    }
  });
}

}  // namespace riskfn
