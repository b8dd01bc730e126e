// The discrete and table sampling functions of Main, and kxRANDBETWEEN: one rule per
// distribution, each member stating its reporting mode in one line.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <numbers>

#include "common/checked_math.hpp"
#include "common/reporting.hpp"
#include "common/whole_search.hpp"
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

// The whole number nearest to x, halves away from zero, as the number format "0" writes it.
double formatted_whole(double x) { return std::round(x); }

// The smallest x in [first, limit] whose cumulative probability reaches u, summing the
// probabilities upward from the lowest value of the support, so the variate never falls as
// u grows. A u beyond the mass summed up to the limit gives the limit.
double cumulative_search(double u, double first, double limit, const std::function<double(double)>& probability_of) {
  double cumulative = 0.0;
  for (double x = first; x <= limit; ++x) {
    cumulative += probability_of(x);
    if (cumulative >= u) return x;
  }
  return limit;
}

// Walks longer than this many values would take seconds of host calls.
constexpr double kLongestWalk = 100000.0;

// The smallest x in [first, limit] whose cumulative probability reaches u, by bisection on the
// cumulative function; the limit when even F(limit) stays below u.
double cumulative_bisection(double u, double first, double limit, const std::function<double(double)>& cumulative_of) {
  if (cumulative_of(limit) < u) return limit;
  return kx::first_whole_where(first - 1.0, limit, [&](double x) { return cumulative_of(x) >= u; });
}

// The search limit m + W with W = m + 6 s written as a whole number.
double search_limit(double mean, double sd) { return std::floor(mean + formatted_whole(mean + 6.0 * sd)); }

// An element of a table given as a range (cells row by row), an array (in its order) or a
// single value, counted from 1.
class Table {
 public:
  explicit Table(const Value& table) : values_(table.is_range() ? table.range()->value() : table) {}
  std::size_t size() const { return values_.is_array() ? values_.array().size() : 1; }
  const Value& operator[](std::size_t position) const {
    if (position < 1 || position > size()) throw kx::Failure(kx::error::kSubscriptOutOfRange);
    return values_.is_array() ? values_.array().at(position - 1) : values_;
  }

 private:
  Value values_;
};

// The table's positions were counted in a 16-bit integer; past it the call overflows.
constexpr std::size_t kLastPosition = std::numeric_limits<std::int16_t>::max();

std::size_t checked_position(std::size_t position) {
  if (position > kLastPosition) throw kx::Failure(kx::error::kOverflow, "The table is longer than 32767 positions");
  return position;
}

// Trials n, Success p. The deterministic value is the mode, the lower one when there are two.
constexpr SamplingRule kBinomial = {
    .deterministic =
        [](const Parameters& p, Application&) {
          const double v = (p[0] + 1.0) * p[1];
          return Value(v == std::floor(v) ? kx::round_half_even(v - 0.5) : std::floor(v));
        },
    .variate =
        [](const Parameters& p, double u, Application& host) {
          // A Success of exactly 0 becomes 0.0000001 and is written back, as callers know it. The
          // variate is 0 all the same: with the replacement, a large Trials would draw successes
          // that cannot happen.
          if (p[1] == 0.0) {
            p.at(1).replace(0.0000001);
            return Value(0.0);
          }
          return host.call(WorksheetFn::CritBinom, {p[0], p[1], u});
        },
};

// RngValues, RngProbs. The variate is the value at the first position whose cumulative
// probability exceeds u, so a u below 0 gives the first value.
constexpr SamplingRule kDiscrete = {
    .deterministic =
        [](const Parameters& p, Application& host) {
          const Value probabilities_argument = p.at(1).value();
          const double most_likely = number_of(host.call(WorksheetFn::Max, {probabilities_argument}));
          const Table values(p.at(0).value());
          const Table probabilities(probabilities_argument);
          for (std::size_t position = 1; position <= probabilities.size(); ++position) {
            if (kx::to_double(probabilities[checked_position(position)]) >= most_likely) return values[position];
          }
          throw kx::Failure(kx::error::kSubscriptOutOfRange, "No probability of the table reaches its maximum");
        },
    .variate =
        [](const Parameters& p, double u, Application&) {
          const Table values(p.at(0).value());
          const Table probabilities(p.at(1).value());
          double cumulative = 0.0;
          for (std::size_t position = 1; position <= probabilities.size(); ++position) {
            cumulative += kx::to_double(probabilities[checked_position(position)]);
            if (cumulative > u) return values[position];
          }
          throw kx::Failure(kx::error::kSubscriptOutOfRange, "The probabilities of the table sum to no more than u");
        },
};

// Trials is the success probability p; the variate counts the failures before the first
// success, through -Ln(1 - u) so that it grows with u.
constexpr SamplingRule kGeometric = {
    .deterministic = [](const Parameters&, Application&) { return Value(0.0); },
    .variate =
        [](const Parameters& p, double u, Application& host) {
          return Value(std::floor(checked::div(host_ln(host, 1.0 - u), host_ln(host, 1.0 - p[0]))));
        },
};

// Sample n, Defects K, BatchSize N; the deterministic value is the mode.
constexpr SamplingRule kHypergeometric = {
    .deterministic =
        [](const Parameters& p, Application&) {
          return Value(kx::round_half_even(checked::div((p[0] + 1.0) * (p[1] + 1.0), p[2] + 2.0)));
        },
    .variate =
        [](const Parameters& p, double u, Application& host) {
          const double sample = p[0];
          const double defects = p[1];
          const double batch = p[2];
          const double mean = checked::div(sample * defects, batch);
          // A batch of one, or a sample or defect count at either end, has no spread at all.
          const double spread = sample * defects * (batch - sample) * (batch - defects);
          const double variance = spread == 0.0 ? 0.0 : checked::div(spread, checked::mul(batch * batch, batch - 1.0));
          // Beyond sqrt(20 min(n, K)) of the mean lies less than e^-40 of the mass (Hoeffding's
          // bound, which holds for sampling without replacement), nothing a double u can reach:
          // the walk stays within that window, which keeps a sample of 1e9 to some 10^5 steps.
          const double reach = checked::sqrt(20.0 * std::min(sample, defects));
          const double first = std::max({sample + defects - batch, 0.0, std::floor(mean - reach)});
          const double last = std::min({sample, defects, std::ceil(mean + reach)});
          const double limit = std::max(first, std::min(search_limit(mean, checked::sqrt(variance)), std::floor(last)));
          // Neighbouring probabilities differ by a ratio of counts; the host's density anchors
          // the walk every few thousand steps, so that a long walk costs few host calls and its
          // rounding cannot drift.
          constexpr double kAnchorEvery = 4096.0;
          const double start = std::ceil(first);
          double previous = 0.0;
          return Value(cumulative_search(u, start, limit, [&](double x) {
            if (x == start || std::fmod(x - start, kAnchorEvery) == 0.0 || previous == 0.0) {
              previous = number_of(host.call(WorksheetFn::HypGeomDist, {x, sample, defects, batch}));
            } else {
              previous *= (sample - x + 1.0) * (defects - x + 1.0) / (x * (batch - sample - defects + x));
            }
            return previous;
          }));
        },
};

// LowVal, UpVal: whole numbers from LowVal to UpVal, equally likely.
constexpr SamplingRule kIntegerUniform = {
    .deterministic = [](const Parameters& p, Application&) { return Value(kx::round_half_even((p[0] + p[1]) / 2.0)); },
    .variate =
        [](const Parameters& p, double u, Application& host) {
          const double low = p[0];
          const double scaled = u * (p[1] - low + 1.0);
          double whole = number_of(host.call(WorksheetFn::Floor, {scaled, 1.0}));
          // The host floors the number as shown to 15 digits, so a u a hair below 1 would reach
          // UpVal + 1; a floor is never above its argument.
          if (whole > scaled) whole -= 1.0;
          return Value(low + whole);
        },
};

// Failures r is the number of successes that ends the experiment, Successes p the success
// probability; the variate counts the failures before it.
constexpr SamplingRule kNegativeBinomial = {
    .deterministic =
        [](const Parameters& p, Application&) {
          return Value(kx::round_half_even(checked::div((p[0] - 1.0) * (1.0 - p[1]), p[1])));
        },
    .variate =
        [](const Parameters& p, double u, Application& host) {
          const double successes = p[0];
          const double probability = p[1];
          const double mean = checked::div(successes * (1.0 - probability), probability);
          const double sd = checked::sqrt(checked::div(successes * (1.0 - probability), probability * probability));
          const double limit = std::max(search_limit(mean, sd), 0.0);
          if (limit > kLongestWalk) {
            // A tiny p puts the mass far out: bisect on the cumulative function instead of walking
            // there. F(x) is the regularized incomplete beta I_p(r, x + 1).
            return Value(cumulative_bisection(u, 0.0, limit, [&](double x) {
              return number_of(host.call(WorksheetFn::BetaDist, {probability, successes, x + 1.0}));
            }));
          }
          return Value(cumulative_search(u, 0.0, limit, [&](double x) {
            return number_of(host.call(WorksheetFn::NegBinomDist, {x, successes, probability}));
          }));
        },
};

// Below a large mean's start: the smallest k whose cumulative probability reaches u, from the
// exact lower tail, so that values below the start keep their probability instead of piling
// up on the start. The tail is summed down to where its terms no longer count (about
// 6 sqrt(mean) of them); that same point bounds the walk for a u at or below 0.
double poisson_lower_tail_variate(double mean, double start, double start_term, double u) {
  double tail = 0.0;
  double term = start_term;
  double lowest = start;
  for (double j = start; j >= 0.0; --j) {
    const double next = tail + term;
    if (next == tail) break;
    tail = next;
    lowest = j;
    term = term * j / mean;
  }
  double k = start;
  term = start_term;
  while (k > lowest && tail - term >= u) {
    tail -= term;
    term = term * k / mean;
    k -= 1.0;
  }
  return k;
}

// Sums the probabilities upward; a large mean starts near mean - 3 sqrt(mean) from Stirling's
// approximation with the geometric bound of the lower tail, visiting about 3 sqrt(mean) values.
// The sum ends where the terms no longer change it, so even a u at or above 1 gets an answer.
double poisson_variate(double mean, double u, Application& host) {
  constexpr double kLargest = std::numeric_limits<std::int32_t>::max();
  const double start = kx::round_half_even(mean - 3.0 * checked::sqrt(mean));
  if (std::fabs(start) > kLargest) throw kx::Failure(kx::error::kOverflow);
  double k = 0.0;
  double term = 0.0;
  double cumulative = 0.0;
  if (start < 101.0) {
    term = checked::exp(-mean);
    cumulative = term;
  } else {
    k = start;
    const double log_term = (k - mean) - k * host_ln(host, checked::div(k, mean));
    term = checked::div(checked::exp(log_term), std::sqrt(2.0 * std::numbers::pi * k));
    cumulative = checked::div(term * mean, mean - k);
    if (u <= cumulative) return poisson_lower_tail_variate(mean, start, term, u);
  }
  while (u > cumulative) {
    if (k >= kLargest) throw kx::Failure(kx::error::kOverflow);
    term = term * mean / (k + 1.0);
    const double next = cumulative + term;
    if (next == cumulative) break;
    k += 1.0;
    cumulative = next;
  }
  return k;
}

constexpr SamplingRule kPoisson = {
    .deterministic = [](const Parameters& p, Application&) { return Value(std::floor(p[0])); },
    .variate = [](const Parameters& p, double u, Application& host) { return Value(poisson_variate(p[0], u, host)); },
};

// LowVal + (UpVal - LowVal) u: uniform on [LowVal, UpVal) and increasing in u.
constexpr SamplingRule kRandBetween = {
    .deterministic = [](const Parameters& p, Application&) { return Value((p[0] + p[1]) / 2.0); },
    .variate = [](const Parameters& p, double u, Application&) { return Value(p[0] + (p[1] - p[0]) * u); },
    .bounds_test = sampling::BoundsTest::kBeforeUniform,
    .bounds_hold = [](const Parameters& p) { return p[0] < p[1]; },
};

}  // namespace

using sampling::sample;

std::int16_t Main::kxBINOMIAL(Value& Trials, double& Success, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_numeric<std::int16_t>([&] {
    return sample(host(), kBinomial, {Trials, Success}, corFactor, ModeSheet);
  });
}

double Main::kxDISCRETE(Value& RngValues, Value& RngProbs, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_numeric<double>([&] {
    return sample(host(), kDiscrete, {RngValues, RngProbs}, corFactor, ModeSheet);
  });
}

Value Main::kxGEO(Value& Trials, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_variant([&] { return sample(host(), kGeometric, {Trials}, corFactor, ModeSheet); });
}

double Main::kxHYPERGEO(Value& Sample, Value& Defects, Value& BatchSize, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_numeric<double>([&] {
    return sample(host(), kHypergeometric, {Sample, Defects, BatchSize}, corFactor, ModeSheet);
  });
}

Value Main::kxINTUNI(Value& LowVal, Value& UpVal, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_variant([&] { return sample(host(), kIntegerUniform, {LowVal, UpVal}, corFactor, ModeSheet); });
}

double Main::kxNEGBIN(Value& Failures, Value& Successes, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_numeric<double>([&] {
    return sample(host(), kNegativeBinomial, {Failures, Successes}, corFactor, ModeSheet);
  });
}

Value Main::kxPOISSON(double& Mean, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_variant([&] { return sample(host(), kPoisson, {Mean}, corFactor, ModeSheet); });
}

Value Main::kxRANDBETWEEN(double LowVal, double UpVal, Value& corFactor, std::string& ModeSheet) {
  return kx::trapped_variant([&] { return sample(host(), kRandBetween, {LowVal, UpVal}, corFactor, ModeSheet); });
}

// kxBINOMIAL writes its Success back and kxDISCRETE reads ranges: both are always called.
void sampling::add_discrete_draws(kx::Interface& interface) {
  static constexpr std::array<std::pair<std::string_view, kx::SamplingDraw>, 6> kDraws = {{
      {"kxGEO", sampling_draw(kGeometric, 1)},
      {"kxHYPERGEO", sampling_draw(kHypergeometric, 3)},
      {"kxINTUNI", sampling_draw(kIntegerUniform, 2)},
      {"kxNEGBIN", sampling_draw(kNegativeBinomial, 2)},
      {"kxPOISSON", sampling_draw(kPoisson, 1)},
      {"kxRANDBETWEEN", sampling_draw(kRandBetween, 2)},
  }};
  for (const auto& [name, draw] : kDraws) interface.set_sampling(name, &draw);
}

}  // namespace riskfn
