// kxHISTO: values counted into equal-width classes between their smallest and largest, with
// each class's upper limit and the cumulative share of all values up to it. Untrapped up to
// the allocation of the table; from there on a value or cell that fails is passed over.
// Error values (failed runs) are left out altogether: of the bounds, the classes and the count.
#include "riskfn/analysis/histogram.hpp"

#include <algorithm>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "common/checked_math.hpp"
#include "common/conversions.hpp"
#include "riskfn/analysis/input_values.hpp"
#include "riskfn/frame/main.hpp"

namespace riskfn {
namespace {

using kx::Value;

// A table taller than a sheet could not be shown.
constexpr double kMostClasses = 1048576;

// The class count asked for, rounded to a whole number; omitted (any error value) or below
// 1 before rounding, Sturges' rule 1 + 3.3 log10(n) rounded with halves to even, which fails
// for n = 0.
double class_count(kx::Application& host, const Value& Classes, std::size_t count) {
  const Value asked = analysis::single_value_of(Classes);
  double classes = asked.is_error() ? 0.0 : kx::to_double(asked);
  if (classes >= 1.0) {
    classes = kx::round_half_even(classes);
  } else {
    const double log10 = kx::to_double(host.call(kx::WorksheetFn::Log, {static_cast<double>(count), 10.0}));
    classes = kx::to_int32(1.0 + 3.3 * log10);
  }
  if (classes > kMostClasses) throw kx::Failure(kx::error::kInvalidCall, "More classes than a sheet has rows");
  return classes;
}

// A number, or an empty cell counted as 0; text, booleans and error values fall into no
// class, as they compare above every number.
std::optional<double> comparable_number(const Value& value) {
  if (value.is_number()) return value.number();
  if (value.is_empty()) return 0.0;
  return std::nullopt;
}

// The table of `classes` equal classes from smallest to largest, of `count` values that
// `count_into(upper_limits, frequencies)` counts into the classes.
template <class CountInto>
kx::Array class_table(std::size_t count, double smallest, double largest, std::size_t classes, bool labelled,
                      CountInto count_into) {
  const double width = kx::checked::div(largest - smallest, static_cast<double>(classes));
  kx::Array table(classes, 4, 0, 0);
  std::vector<double> upper_limits(classes);
  for (std::size_t r = 0; r < classes; ++r) {
    table.at(r, 0) = labelled ? "Class " + std::to_string(r + 1) : std::string();
    upper_limits[r] = smallest + static_cast<double>(r + 1) * width;
    table.at(r, 1) = upper_limits[r];
  }
  std::vector<double> frequencies(classes, 0.0);
  count_into(upper_limits, frequencies);

  // A class without values keeps an empty cell; without any values there is no share.
  double share = 0.0;
  for (std::size_t r = 0; r < classes; ++r) {
    if (frequencies[r] > 0.0) table.at(r, 2) = frequencies[r];
    if (count == 0) continue;
    share += frequencies[r] / static_cast<double>(count);
    table.at(r, 3) = share;
  }
  return table;
}

// The first class is closed on both sides, from Min - 0.5; every other class is open below
// and closed above, and the last one ends at Max itself. So the class of x is the first
// whose upper limit reaches it, found by bisection over the limits unless it is the class of
// the value before, as it mostly is for values in order. `number_of(value)` gives a value as
// a comparable number, or none.
template <class Values, class NumberOf>
auto counting(const Values& values, NumberOf number_of, double smallest, double largest) {
  return [&values, number_of, smallest, largest](const std::vector<double>& upper_limits,
                                                 std::vector<double>& frequencies) {
    const std::size_t classes = upper_limits.size();
    const std::size_t last = classes - 1;
    const auto last_limits = upper_limits.begin() + static_cast<std::ptrdiff_t>(last);
    std::size_t at = 0;
    for (const auto& value : values) {
      const std::optional<double> x = number_of(value);
      if (!x) continue;
      const bool same_class = (at == 0 || upper_limits[at - 1] < *x) && (at == last || upper_limits[at] >= *x);
      if (!same_class)
        at = static_cast<std::size_t>(std::lower_bound(upper_limits.begin(), last_limits, *x) - upper_limits.begin());
      if (at == 0 && *x < smallest - 0.5) continue;
      if (at == last && *x > (classes == 1 ? upper_limits.back() : largest)) continue;
      frequencies[at] += 1.0;
    }
  };
}

// The same classes counted over numbers in ascending order: each class holds the numbers up to
// its limit less those up to the limit before, found by bisection, so a million numbers cost
// a bisection per class rather than a visit each.
auto counting_sorted(std::span<const double> sorted) {
  return [sorted](const std::vector<double>& upper_limits, std::vector<double>& frequencies) {
    const std::size_t last = upper_limits.size() - 1;
    const auto up_to = [&](double limit) {
      return static_cast<double>(std::upper_bound(sorted.begin(), sorted.end(), limit) - sorted.begin());
    };
    const double smallest = sorted.front();
    const double largest = sorted.back();
    double below = static_cast<double>(std::lower_bound(sorted.begin(), sorted.end(), smallest - 0.5) - sorted.begin());
    for (std::size_t r = 0; r < last; ++r) {
      const double reached = up_to(upper_limits[r]);
      frequencies[r] = reached - below;
      below = reached;
    }
    frequencies[last] = up_to(last == 0 ? upper_limits.back() : largest) - below;
  };
}

}  // namespace

Value Main::kxHISTO(Value& InputRng, Value& Classes, Value& pointerHisto) {
  const analysis::InputValues input(InputRng);
  kx::Application& application = host();
  // Min and Max count the numbers of a range and of an array alike, so they are given the
  // cells already read rather than reading a large range twice more.
  const Value* bounded = input.read().is_array() ? &input.read() : &InputRng;
  std::span<const Value> values = input.values();
  const auto is_error = [](const Value& value) { return value.is_error(); };
  Value counted;
  if (std::any_of(values.begin(), values.end(), is_error)) {
    std::vector<Value> kept;
    std::copy_if(values.begin(), values.end(), std::back_inserter(kept), std::not_fn(is_error));
    counted = kx::Array::vector(std::move(kept), 1);
    values = counted.array().values();
    bounded = &counted;
  }
  const std::size_t count = values.size();
  const double smallest = kx::to_double(application.call(kx::WorksheetFn::Min, {*bounded}));
  const double largest = kx::to_double(application.call(kx::WorksheetFn::Max, {*bounded}));
  const auto classes = static_cast<std::size_t>(class_count(application, Classes, count));
  const Value labels_asked = analysis::single_value_of(pointerHisto);
  const bool labelled = InputRng.is_range() || (labels_asked.is_number() && labels_asked.number() == 1.0);
  return class_table(count, smallest, largest, classes, labelled,
                     counting(values, comparable_number, smallest, largest));
}

namespace analysis {

kx::Array histogram_of_numbers(kx::Application& host, std::span<const double> numbers) {
  if (numbers.empty()) throw kx::Failure(kx::error::kInvalidCall, "No numbers to count into classes");
  const auto [smallest, largest] = std::minmax_element(numbers.begin(), numbers.end());
  const auto classes = static_cast<std::size_t>(class_count(host, Value::missing(), numbers.size()));
  const auto as_number = [](double x) { return std::optional<double>(x); };
  return class_table(numbers.size(), *smallest, *largest, classes, true,
                     counting(numbers, as_number, *smallest, *largest));
}

kx::Array histogram_of_sorted(kx::Application& host, std::span<const double> sorted) {
  if (sorted.empty()) throw kx::Failure(kx::error::kInvalidCall, "No numbers to count into classes");
  const auto classes = static_cast<std::size_t>(class_count(host, Value::missing(), sorted.size()));
  return class_table(sorted.size(), sorted.front(), sorted.back(), classes, true, counting_sorted(sorted));
}

}  // namespace analysis
}  // namespace riskfn
