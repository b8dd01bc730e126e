// kxOPTNUM: the number of runs after which a simulation's result settled, judged by the spread
// of its running means. Nothing is trapped; a failed result (an error value) skips its step,
// and a statistic that cannot be computed makes its step count as unsettled.
#include <cmath>
#include <cstdint>
#include <optional>

#include "common/conversions.hpp"
#include "riskfn/analysis/input_values.hpp"
#include "riskfn/analysis/run_count_stability.hpp"
#include "riskfn/frame/main.hpp"

namespace riskfn {
namespace {

using kx::Value;

constexpr double kDefaultStablePeriods = 20;
constexpr double kDefaultSelectionLimit = 0.0005;

// An omitted (any error value) or negative setting takes its default; 0 stays 0.
double setting_or(const Value& argument, double fallback) {
  const Value value = analysis::single_value_of(argument);
  if (value.is_error()) return fallback;
  const double setting = kx::to_double(value);
  return setting < 0.0 ? fallback : setting;
}

// The mean of the numbers read so far, as the host's Average computes it: a running sum in
// reading order. Texts and empty cells take no part.
class RunningMean {
 public:
  void add(const Value& result) {
    if (result.is_number()) add(result.number());
  }
  void add(double result) {
    sum_ += result;
    ++count_;
  }
  std::optional<double> mean() const {
    if (count_ == 0) return std::nullopt;
    return sum_ / static_cast<double>(count_);
  }

 private:
  double sum_ = 0.0;
  std::int64_t count_ = 0;
};

// A run whose result is an error value failed; one failed run must not end the count.
bool failed_run(const Value& result) { return result.is_error(); }
bool failed_run(double) { return false; }

// The sample standard deviation of the means so far, by Welford's updates, which keep their
// digits when the means agree closely (the usual case once a simulation settles).
class RunningSpread {
 public:
  void add(double x) {
    ++count_;
    const double delta = x - mean_;
    mean_ += delta / static_cast<double>(count_);
    squares_ += delta * (x - mean_);
  }
  std::optional<double> spread() const {
    if (count_ < 2) return std::nullopt;
    return std::sqrt(squares_ / static_cast<double>(count_ - 1));
  }

 private:
  std::int64_t count_ = 0;
  double mean_ = 0.0;
  double squares_ = 0.0;
};

// With P stable periods: from P results on, the running mean of all results so far; from P + 1
// on, the spread of those means; from P + 2 on, the relative change of the spread. The answer
// is the first run count at which P changes in a row stayed within the limit, or 0. Each step
// updates running sums, so n results cost O(n).
template <class Results>
double first_settled_run(const Results& results, double periods, double limit) {
  RunningMean mean;
  RunningSpread spread_of_means;
  std::optional<double> previous_spread;
  double stable_runs = 0.0;
  for (std::size_t index = 0; index < results.size(); ++index) {
    const double t = static_cast<double>(index);
    // A failed run is skipped whole: its result joins no mean and its step compares nothing.
    if (failed_run(results[index])) continue;
    mean.add(results[index]);
    if (t < periods - 1.0) continue;
    if (const auto running_mean = mean.mean()) spread_of_means.add(*running_mean);
    if (t < periods) continue;
    const std::optional<double> spread = spread_of_means.spread();
    if (t >= periods + 1.0) {
      // A previous spread of 0 (all means equal so far) cannot be compared: not stable.
      const bool comparable = spread && previous_spread && *previous_spread != 0.0;
      if (comparable && std::fabs(1.0 - *spread / *previous_spread) <= limit) {
        stable_runs += 1.0;
        if (stable_runs == periods) return t + 1.0;
      } else {
        stable_runs = 0.0;
      }
    }
    previous_spread = spread;
  }
  return 0.0;
}

}  // namespace

Value Main::kxOPTNUM(Value& InputRange, Value& StablePeriods, Value& SelectionLimit) {
  const analysis::InputValues results(InputRange);
  if (!results.is_table()) throw kx::Failure(kx::error::kTypeMismatch, "Type mismatch: InputRange holds no results");
  // Taken as given: a fractional count of periods is never reached by the count of stable runs.
  const double periods = setting_or(StablePeriods, kDefaultStablePeriods);
  const double limit = setting_or(SelectionLimit, kDefaultSelectionLimit);

  return first_settled_run(results.values(), periods, limit);
}

namespace analysis {

double settled_run_count(std::span<const double> results) {
  return first_settled_run(results, kDefaultStablePeriods, kDefaultSelectionLimit);
}

}  // namespace analysis
}  // namespace riskfn
