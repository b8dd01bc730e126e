// The Bass model of new-product diffusion: adopters per period from the continuous model,
// adopters of one period from the period-by-period recursion, and the least-squares estimate
// of market potential m, innovation p and imitation q from observed sales.
#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "common/checked_math.hpp"
#include "common/conversions.hpp"
#include "mktfn/frame/conventions.hpp"
#include "mktfn/frame/main.hpp"
#include "mktfn/functions/host_numbers.hpp"

namespace mktfn {
namespace {

using kx::Value;
using kx::WorksheetFn;
namespace checked = kx::checked;

// The host's matrix functions answer arrays; an error value (a singular matrix) is none.
std::optional<Value> host_matrix(kx::Application& host, WorksheetFn fn, std::initializer_list<Value> arguments) {
  Value result = host.call(fn, arguments);
  if (result.is_error()) return std::nullopt;
  return result;
}

double entry(const Value& matrix, std::size_t row) {
  return kx::to_double(matrix.is_array() ? matrix.array().at(row, 0) : matrix);
}

// The least positive root of c·Y² + b·Y + a = 0, if there is one.
std::optional<double> market_potential(double a, double b, double c) {
  std::vector<double> roots;
  if (c == 0.0) {
    if (b != 0.0) roots.push_back(-a / b);
  } else {
    const double discriminant = b * b - 4.0 * a * c;
    if (!(discriminant >= 0.0)) return std::nullopt;
    // The root pair without cancellation between b and the square root.
    const double half = -0.5 * (b + std::copysign(std::sqrt(discriminant), b));
    roots.push_back(half / c);
    if (half != 0.0) roots.push_back(a / half);
  }
  std::optional<double> least;
  for (const double root : roots) {
    if (std::isfinite(root) && root > 0.0 && (!least || root < *least)) least = root;
  }
  return least;
}

}  // namespace

kx::Value Main::STANDBYkxBASS(kx::Value& Innovation, kx::Value& Imitation, kx::Value& Buyers, std::int16_t& Periods,
                              std::int16_t& First_Period) {
  // Nothing is reported: without periods there is no column, and an element that cannot be
  // computed (p = 0, an argument that is no number) stays empty.
  if (Periods <= 0) return Value();
  kx::Array adopters(static_cast<std::size_t>(Periods), 1);
  for (std::int32_t i = 0; i < Periods; ++i) {
    try {
      const double p = kx::to_double(Innovation);
      const double q = kx::to_double(Imitation);
      const double m = kx::to_double(Buyers);
      const double t = static_cast<double>(First_Period) + i - 1.0;
      const double decay = checked::exp(-(p + q) * t);
      const double spread = checked::add(1.0, checked::mul(checked::div(q, p), decay));
      adopters.at(static_cast<std::size_t>(i), 0) = checked::div(
          checked::mul(checked::div(checked::mul(m, (p + q) * (p + q)), p), decay), checked::mul(spread, spread));
    } catch (const kx::Failure&) {
    }
  }
  return adopters;
}

kx::Value Main::OLDkxBASS(kx::Value& Saturation, kx::Value& Innovation, kx::Value& Imitation, kx::Value& Period,
                          bool& Is_Integer) {
  const double m = kx::to_double(Saturation);
  const double p = kx::to_double(Innovation);
  const double q = kx::to_double(Imitation);
  const double period = kx::to_double(Period);
  if (period < 1.0) return 0.0;
  const auto adopters_given = [&](double cumulative) {
    return checked::mul(checked::add(p, checked::mul(q, checked::div(cumulative, m))), checked::sub(m, cumulative));
  };
  const auto step = [&](double cumulative) { return checked::add(cumulative, adopters_given(cumulative)); };
  double result = checked::mul(m, p);
  if (period != 1.0) {
    // The cumulative adopters after the periods before `period`. The recursion mostly settles
    // on m, and otherwise (p + q near 2 or above) falls into a cycle: once the cumulative
    // repeats an earlier value (Brent's search), the rest of the run is known without running it.
    double cumulative = 0.0;
    double periods_left = std::floor(period - 1.0);
    double saved = cumulative;
    double power = 1.0;
    double cycle = 0.0;
    while (periods_left > 0.0) {
      cumulative = step(cumulative);
      periods_left -= 1.0;
      cycle += 1.0;
      if (cumulative == saved) {
        for (periods_left = std::fmod(periods_left, cycle); periods_left > 0.0; periods_left -= 1.0)
          cumulative = step(cumulative);
        break;
      }
      if (cycle == power) {
        saved = cumulative;
        power *= 2.0;
        cycle = 0.0;
      }
    }
    result = adopters_given(cumulative);
  }
  return Is_Integer ? std::floor(result) : result;
}

kx::Value Main::STANDBYkxBASSest(kx::ObjectRef& Sales) {
  const auto range = std::dynamic_pointer_cast<kx::Range>(Sales);
  if (!range) throw kx::Failure(kx::error::kObjectRequired, "Object required: Sales must be a range");
  const std::int32_t rows = range->row_count();
  // Three coefficients need at least three periods.
  if (rows - 1 < 2) return Value();

  // S(t) = a + b·Y(t-1) + c·Y(t-1)², with Y(t-1) the sales before period t (none before the
  // first). Y is scaled to at most 1 so that the normal equations stay well conditioned.
  kx::Array sales(static_cast<std::size_t>(rows), 1);
  std::vector<double> before(static_cast<std::size_t>(rows));
  double cumulative = 0.0;
  for (std::int32_t t = 0; t < rows; ++t) {
    const double s = kx::to_double(range->cells(t + 1, 1)->value());
    sales.at(static_cast<std::size_t>(t), 0) = s;
    before[static_cast<std::size_t>(t)] = cumulative;
    cumulative = checked::add(cumulative, s);
  }
  const double scale = std::max(std::fabs(*std::max_element(before.begin(), before.end())),
                                std::fabs(*std::min_element(before.begin(), before.end())));
  if (scale == 0.0) return value_error();
  kx::Array powers(static_cast<std::size_t>(rows), 3);
  for (std::size_t t = 0; t < before.size(); ++t) {
    const double y = before[t] / scale;
    powers.at(t, 0) = 1.0;
    powers.at(t, 1) = y;
    powers.at(t, 2) = y * y;
  }

  kx::Application& app = host();
  const Value design(std::move(powers));
  const auto turned = host_matrix(app, WorksheetFn::Transpose, {design});
  const auto normal = turned ? host_matrix(app, WorksheetFn::MMult, {*turned, design}) : std::nullopt;
  const auto inverse = normal ? host_matrix(app, WorksheetFn::MInverse, {*normal}) : std::nullopt;
  const auto moments = turned ? host_matrix(app, WorksheetFn::MMult, {*turned, Value(std::move(sales))}) : std::nullopt;
  const auto coefficients =
      inverse && moments ? host_matrix(app, WorksheetFn::MMult, {*inverse, *moments}) : std::nullopt;
  // Sales that fix no regression (a singular system) give no estimate.
  if (!coefficients) return value_error();

  const double a = entry(*coefficients, 0);
  const double b = entry(*coefficients, 1) / scale;
  const double c = entry(*coefficients, 2) / (scale * scale);
  const auto m = market_potential(a, b, c);
  // No real root, or none positive: the data give no market potential.
  if (!m) return value_error();
  kx::Array estimate(3, 1);
  estimate.at(0, 0) = *m;
  estimate.at(1, 0) = checked::div(a, *m);
  estimate.at(2, 0) = checked::mul(-c, *m);
  return estimate;
}

}  // namespace mktfn
