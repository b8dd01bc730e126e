// The closed-form estimators of the candidates. A slot that cannot be estimated holds the
// not-applicable text, which makes its candidate not applicable; a failing formula (s = 0,
// m = 0) raises and the caller marks the candidate not applicable.
#include "riskfn/fitting/estimators.hpp"

#include <cmath>
#include <numbers>

#include "common/checked_math.hpp"
#include "common/conversions.hpp"
#include "riskfn/frame/main.hpp"

namespace riskfn::fitting {
namespace {

namespace checked = kx::checked;
using kx::WorksheetFn;

void set_not_applicable(const FitContext& context, CandidateFit& fit, std::size_t slot) {
  fit.slots[slot] = context.not_applicable;
  fit.applicable = false;
}

// slot = value when the condition holds, else the not-applicable text.
void set_if(const FitContext& context, CandidateFit& fit, std::size_t slot, double value, bool condition) {
  if (condition) {
    fit.slots[slot] = value;
  } else {
    set_not_applicable(context, fit, slot);
  }
}

void require(CandidateFit& fit, bool valid) {
  if (!valid) fit.applicable = false;
}

double pi(const FitContext& context) { return kx::to_double(context.application.call(WorksheetFn::Pi, {})); }

double worksheet_number(const FitContext& context, WorksheetFn fn, double x, double digits) {
  return kx::to_double(context.worksheet.call(fn, {x, digits}));
}

// The mean of the natural logarithms of the observations, which must all be positive.
double log_mean(const Sample& sample) {
  double sum = 0.0;
  for (const double x : sample.sorted) sum += checked::log(x);
  return checked::div(sum, static_cast<double>(sample.sorted.size()));
}

// Mode c of a triangle on [Min, Max]: lowered to Max when above it, not applicable below Min.
void set_triangle(const FitContext& context, CandidateFit& fit, double mode) {
  const Sample& sample = context.sample;
  fit.slots[0] = sample.min;
  set_if(context, fit, 1, std::min(mode, sample.max), !(std::min(mode, sample.max) < sample.min));
  fit.slots[2] = sample.max;
}

}  // namespace

double FitContext::s() const {
  if (!sample.stdev) throw kx::Failure(kx::error::kDivisionByZero, "Division by zero: one observation has no spread");
  return *sample.stdev;
}

double FitContext::var() const {
  if (!sample.variance)
    throw kx::Failure(kx::error::kDivisionByZero, "Division by zero: one observation has no spread");
  return *sample.variance;
}

void estimate_beta(const FitContext& context, CandidateFit& fit) {
  const Sample& sample = context.sample;
  if (sample.min < 0.0 || sample.max > 1.0) {
    set_not_applicable(context, fit, 0);
    set_not_applicable(context, fit, 1);
    return;
  }
  const double m = sample.mean;
  const double alpha = m * (checked::div(m * (1.0 - m), checked::mul(context.s(), context.s())) - 1.0);
  fit.slots[0] = alpha;
  fit.slots[1] = checked::div(alpha * (1.0 - m), m);
}

void estimate_beta_general(const FitContext& context, CandidateFit& fit) {
  const Sample& sample = context.sample;
  const double m = sample.mean;
  fit.slots[0] = sample.min;
  fit.slots[1] = sample.max;
  const double s2 = checked::mul(context.s(), context.s());
  const double alpha = (checked::div((m - sample.min) * (sample.max - m), s2) - 1.0) *
                       checked::div(m - sample.min, sample.max - sample.min);
  const double beta = checked::div(alpha * (sample.max - m), m - sample.min);
  fit.slots[2] = alpha;
  fit.slots[3] = beta;
  require(fit, alpha > 0.0 && beta > 0.0);
}

void estimate_chi_squared(const FitContext& context, CandidateFit& fit) {
  const double degrees = kx::round_half_even(context.sample.mean);
  fit.slots[0] = degrees;
  require(fit, context.sample.min > 0.0 && degrees >= 1.0);
}

void estimate_erf(const FitContext& context, CandidateFit& fit) {
  const double h = checked::div(1.0, std::numbers::sqrt2 * context.s());
  fit.slots[0] = h;
  require(fit, h > 0.0);
}

void estimate_erlang(const FitContext& context, CandidateFit& fit) {
  const double m = context.sample.mean;
  // The shape counts events: the moment estimate to the nearest whole number, halves to even.
  const double k = std::nearbyint(checked::div(m * m, checked::mul(context.s(), context.s())));
  fit.slots[0] = k;
  fit.slots[1] = checked::div(m, k);
  require(fit, k >= 1.0 && context.sample.min > 0.0);
}

void estimate_exponential(const FitContext& context, CandidateFit& fit) {
  const double m = context.sample.mean;
  set_if(context, fit, 0, m, m > 0.0);
  require(fit, context.sample.min > 0.0);
}

void estimate_extreme_value(const FitContext& context, CandidateFit& fit) {
  const double s = context.s();
  fit.slots[0] = context.sample.mean - 0.57722 * s;
  const double scale = checked::div(std::sqrt(6.0) * s, pi(context));
  set_if(context, fit, 1, scale, scale > 0.0);
}

void estimate_gamma(const FitContext& context, CandidateFit& fit) {
  const double m = context.sample.mean;
  const double ratio = checked::div(m, context.s());
  set_if(context, fit, 0, ratio * ratio, ratio * ratio > 0.0);
  const double scale = checked::div(context.var(), m);
  set_if(context, fit, 1, scale, scale > 0.0);
  require(fit, context.sample.min > 0.0);
}

void estimate_inverse_gauss(const FitContext& context, CandidateFit& fit) {
  const double m = context.sample.mean;
  const double shape = checked::div(checked::mul(m, checked::mul(m, m)), checked::mul(context.s(), context.s()));
  fit.slots[0] = m;
  fit.slots[1] = shape;
  require(fit, m > 0.0 && shape > 0.0 && context.sample.min > 0.0);
}

void estimate_logistic(const FitContext& context, CandidateFit& fit) {
  fit.slots[0] = context.sample.mean;
  fit.slots[1] = checked::div(std::sqrt(3.0) * context.s(), pi(context));
}

void estimate_log_normal(const FitContext& context, CandidateFit& fit) {
  const Sample& sample = context.sample;
  if (!(sample.min > 0.0)) {
    fit.applicable = false;
    return;
  }
  const double mean = log_mean(sample);
  double squares = 0.0;
  for (const double x : sample.sorted) squares += (std::log(x) - mean) * (std::log(x) - mean);
  fit.slots[0] = mean;
  fit.slots[1] = std::sqrt(checked::div(squares, static_cast<double>(sample.sorted.size()) - 1.0));
}

void estimate_normal(const FitContext& context, CandidateFit& fit) {
  fit.slots[0] = context.sample.mean;
  fit.slots[1] = context.s();
}

void estimate_pert(const FitContext& context, CandidateFit& fit) {
  const Sample& sample = context.sample;
  set_triangle(context, fit, sample.min + (sample.max - sample.min) / 3.0);
}

// The shape from the mean of ln(x / a), the maximum-likelihood estimate for a lower bound a;
// the mean of x itself in its place would mix a value with a logarithm.
void estimate_pareto(const FitContext& context, CandidateFit& fit) {
  const double bound = context.sample.min;
  set_if(context, fit, 0, bound, bound > 0.0);
  if (!(bound > 0.0)) return;
  const double shape = checked::div(1.0, log_mean(context.sample) - std::log(bound));
  set_if(context, fit, 1, shape, shape > 0.0);
}

// Moments of the Lomax: variance / mean^2 = shape / (shape - 2), which has a solution only
// when the variance exceeds the squared mean.
void estimate_pareto2(const FitContext& context, CandidateFit& fit) {
  const double m = context.sample.mean;
  const double variance = checked::mul(context.s(), context.s());
  const bool has_shape = variance > m * m;
  set_if(context, fit, 0, has_shape ? checked::div(2.0 * variance, variance - m * m) : 0.0, has_shape);
  if (!has_shape) return;
  fit.slots[1] = m * (fit.parameter(0) - 1.0);
  require(fit, context.sample.min > 0.0);
}

void estimate_rayleigh(const FitContext& context, CandidateFit& fit) {
  const double sigma = checked::div(context.sample.mean, std::sqrt(pi(context) / 2.0));
  fit.slots[0] = sigma;
  require(fit, sigma > 0.0);
}

void estimate_student(const FitContext& context, CandidateFit& fit) {
  const double s = context.s();
  if (s > 1.0) {
    fit.slots[0] = checked::div(2.0 * s * s, s * s - 1.0);
  } else {
    fit.slots[0] = context.student_not_applicable;
    fit.applicable = false;
  }
  require(fit, context.sample.min > 0.0);
}

void estimate_triangular(const FitContext& context, CandidateFit& fit) {
  const Sample& sample = context.sample;
  set_triangle(context, fit, 3.0 * sample.mean - sample.min - sample.max);
}

void estimate_uniform(const FitContext& context, CandidateFit& fit) {
  fit.slots[0] = context.sample.min;
  fit.slots[1] = context.sample.max;
}

// The shape and scale whose mean and standard deviation are the sample's, as kxWEIBULLEST
// finds them; (s / m)^2 + 1 itself is the ratio E[X^2] / E[X]^2 that the shape must match,
// not the shape.
void estimate_weibull(const FitContext& context, CandidateFit& fit) {
  kx::Value mean = context.sample.mean;
  kx::Value stdev = context.s();
  std::int16_t both = 0;
  const kx::Value estimate = context.root.kxWEIBULLEST(mean, stdev, both);
  const bool found = estimate.is_array() && estimate.array().size() == 2 && estimate.array().at(0).is_number() &&
                     estimate.array().at(1).is_number();
  const double shape = found ? estimate.array().at(0).number() : 0.0;
  const double scale = found ? estimate.array().at(1).number() : 0.0;
  set_if(context, fit, 0, shape, shape > 0.0);
  set_if(context, fit, 1, scale, shape > 0.0 && scale > 0.0);
  require(fit, context.sample.min > 0.0);
}

// The discrete candidates count from 0, so a count of 0 among the data is no reason to rule
// them out; a negative value is.
void estimate_binomial(const FitContext& context, CandidateFit& fit) {
  const double trials = worksheet_number(context, WorksheetFn::Round, context.sample.max + 1.0, 1.0);
  set_if(context, fit, 0, trials, trials > 0.0);
  if (!(trials > 0.0)) return;
  const double p = checked::div(context.sample.mean, trials);
  fit.slots[1] = p;
  require(fit, p >= 0.0);
}

void estimate_geometric(const FitContext& context, CandidateFit& fit) {
  fit.slots[0] = checked::div(1.0, context.sample.mean + 1.0);
  require(fit, context.sample.min >= 0.0);
}

void estimate_hypergeometric(const FitContext& context, CandidateFit& fit) {
  const double batch = 2.0 * context.sample.max;
  const double sample_size = worksheet_number(context, WorksheetFn::Round, batch / 2.0, 0.0);
  fit.slots[0] = sample_size;
  fit.slots[1] = checked::div(context.sample.mean * batch, sample_size);
  fit.slots[2] = batch;
  require(fit, context.sample.min >= 0.0);
}

void estimate_integer_uniform(const FitContext& context, CandidateFit& fit) {
  const Sample& sample = context.sample;
  // Bounds of whole numbers: a bound with a decimal is no bound of this distribution.
  set_if(context, fit, 0, sample.min, worksheet_number(context, WorksheetFn::RoundDown, sample.min, 0.0) == sample.min);
  set_if(context, fit, 1, sample.max, worksheet_number(context, WorksheetFn::RoundUp, sample.max, 0.0) == sample.max);
  require(fit, sample.min >= 0.0);
}

// Moments: mean r(1 - p)/p and variance r(1 - p)/p^2 give r = m^2 / (s^2 - m), which needs
// a variance above the mean.
void estimate_negative_binomial(const FitContext& context, CandidateFit& fit) {
  const double m = context.sample.mean;
  const double variance = checked::mul(context.s(), context.s());
  const bool overdispersed = variance > m;
  set_if(context, fit, 0, overdispersed ? checked::div(m * m, variance - m) : 0.0, overdispersed);
  if (!overdispersed) return;
  const double successes = fit.parameter(0);
  fit.slots[1] = checked::div(successes, successes + m);
  require(fit, context.sample.min >= 0.0);
}

void estimate_poisson(const FitContext& context, CandidateFit& fit) {
  fit.slots[0] = context.sample.mean;
  require(fit, context.sample.mean > 0.0 && context.sample.min >= 0.0);
}

}  // namespace riskfn::fitting
