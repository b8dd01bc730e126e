// IF, IFERROR, AND, OR, NOT, ABS, SQRT, EXP, LN, LOG10, POWER, INT, MOD, SUM, MIN, MAX,
// AVERAGE, NPV and PMT with the spreadsheet's meaning: booleans count as 1 and 0, errors in
// arguments pass through, and single-value functions apply element by element to arrays.
#include "host/formula/builtins.hpp"

#include <array>
#include <cmath>
#include <limits>

#include "common/checked_math.hpp"
#include "common/text_compare.hpp"
#include "host/formula/coercion.hpp"
#include "host/formula/formula_errors.hpp"
#include "host/formula/limits.hpp"
#include "host/formula/operators.hpp"

namespace host {
namespace {

using kx::Value;

// One element's result, with its error kept in the element rather than failing the array.
template <class Body>
Value guarded(Body&& body) {
  try {
    return body();
  } catch (const ErrorResult& error) {
    return kx::ErrorValue{error.number()};
  } catch (const kx::Failure& failure) {
    return kx::ErrorValue{worksheet_error_of(failure.number())};
  }
}

// --- Single numbers, element by element --------------------------------------------------

double absolute(double x) { return std::fabs(x); }

double square_root(double x) {
  if (x < 0.0) give_error(kx::error::kXlNum);
  return std::sqrt(x);
}

double exponential(double x) { return kx::checked::exp(x); }

double natural_log(double x) {
  if (x <= 0.0) give_error(kx::error::kXlNum);
  return std::log(x);
}

double log10_of(double x) {
  if (x <= 0.0) give_error(kx::error::kXlNum);
  return std::log10(x);
}

double integer_part(double x) { return std::floor(x); }

template <double (*Function)(double)>
Value scalar_numeric(const Value& value) {
  return guarded([&] { return Value(Function(number_of(value))); });
}

template <double (*Function)(double)>
Value numeric(const Arguments& arguments) {
  return map_elements(arguments.value(0), scalar_numeric<Function>);
}

Value scalar_mod(const Value& dividend, const Value& divisor) {
  return guarded([&] {
    const double n = number_of(dividend);
    const double d = number_of(divisor);
    if (d == 0.0) give_error(kx::error::kXlDiv0);
    // n - d*INT(n/d), computed without the rounding of n/d: the result takes the divisor's sign.
    double remainder = std::fmod(n, d);
    if (remainder != 0.0 && (remainder < 0.0) != (d < 0.0)) remainder += d;
    return Value(remainder);
  });
}

Value mod(const Arguments& arguments) { return broadcast(arguments.value(0), arguments.value(1), scalar_mod); }

Value power(const Arguments& arguments) {
  return apply_binary(Operator::Power, arguments.value(0), arguments.value(1));
}

Value scalar_not(const Value& value) {
  return guarded([&] { return Value(!logical_of(value)); });
}

Value logical_not(const Arguments& arguments) { return map_elements(arguments.value(0), scalar_not); }

// --- Choice -------------------------------------------------------------------------------

// Where an array condition holds, the element of the first branch; elsewhere the missing marker,
// which the second step replaces by the element of the second branch.
Value true_branch_element(const Value& condition, const Value& if_true) {
  if (condition.is_error()) return condition;
  return guarded([&] { return logical_of(condition) ? if_true : Value::missing(); });
}

Value false_branch_element(const Value& chosen, const Value& if_false) {
  return chosen.is_missing() ? if_false : chosen;
}

Value choose_if(const Arguments& arguments) {
  const Value condition = arguments.value(0);
  if (condition.is_error()) return condition;
  const auto branch_value = [&](std::size_t branch) -> Value {
    if (branch >= arguments.count()) return false;  // IF(FALSE, x) is FALSE
    if (!arguments.given(branch)) return 0.0;       // an empty place is 0
    return arguments.value(branch);
  };
  // An array condition chooses element by element, as in an array formula: both branches are
  // read, each repeating over the condition's shape as an operand of an operator does.
  if (condition.is_array() && condition.array().size() > 1) {
    return broadcast(broadcast(condition, branch_value(1), true_branch_element), branch_value(2), false_branch_element);
  }
  const std::size_t chosen = logical_of(condition) ? 1 : 2;
  // A reference chosen stays a reference: SUM(IF(c,A1)) reads the cell as a reference's.
  if (chosen < arguments.count() && arguments.given(chosen)) return arguments.reference(chosen);
  return branch_value(chosen);
}

Value if_error(const Arguments& arguments) {
  const Value value = arguments.value(0);
  const auto alternative = [&] { return arguments.given(1) ? arguments.value(1) : Value(0.0); };
  if (value.is_error()) return alternative();
  if (!value.is_array()) return value;
  const kx::Array& source = value.array();
  bool any_error = false;
  for (const Value& element : source.values()) any_error = any_error || element.is_error();
  if (!any_error) return value;
  const Value replacement = alternative();
  // An alternative of the same shape replaces element by element, a single value everywhere.
  const bool paired = replacement.is_array() && replacement.array().rows() == source.rows() &&
                      replacement.array().columns() == source.columns();
  kx::Array result = source;
  ArrayTextBudget text("IFERROR");
  for (std::size_t i = 0; i < result.size(); ++i) {
    if (result.at(i).is_error()) result.at(i) = paired ? replacement.array().at(i) : single_of(replacement);
    text.count(result.at(i));
  }
  return result;
}

// --- Aggregates -----------------------------------------------------------------------------

// Calls take(x) for every number an aggregate counts from arguments `first` on: a value given
// directly counts when it reads as a number (TRUE, "3" and an empty place included); inside
// ranges and arrays only numbers count. An error value anywhere is the result.
template <class Take>
void for_each_number(const Arguments& arguments, std::size_t first, Take&& take) {
  for (std::size_t i = first; i < arguments.count(); ++i) {
    auto visit = [&](const Value& value, bool direct) {
      if (direct) {
        take(number_of(value));
      } else if (value.is_number()) {
        take(value.number());
      } else if (value.is_error()) {
        give_error(value.error().number);
      }
      return true;
    };
    arguments.for_each(i, visit);
  }
}

Value sum(const Arguments& arguments) {
  double total = 0;
  for_each_number(arguments, 0, [&](double x) { total += x; });
  return kx::checked::finite(total);
}

Value average(const Arguments& arguments) {
  double total = 0;
  double count = 0;
  for_each_number(arguments, 0, [&](double x) {
    total += x;
    ++count;
  });
  if (count == 0) give_error(kx::error::kXlDiv0);
  return kx::checked::finite(total / count);
}

template <bool Maximum>
Value extreme(const Arguments& arguments) {
  bool any = false;
  double best = 0;
  for_each_number(arguments, 0, [&](double x) {
    if (!any || (Maximum ? x > best : x < best)) best = x;
    any = true;
  });
  return best;  // none at all gives 0
}

// AND and OR: values given directly count as TRUE or FALSE, except texts other than those
// two, which are left out; inside ranges and arrays booleans and numbers count and texts are
// skipped. Nothing to test is #VALUE!.
template <bool All>
Value logical_fold(const Arguments& arguments) {
  bool any = false;
  bool result = All;
  for (std::size_t i = 0; i < arguments.count(); ++i) {
    auto visit = [&](const Value& value, bool direct) {
      bool flag = false;
      if (value.is_error() && !value.is_missing()) give_error(value.error().number);
      if (direct && value.is_text() && !kx::equals_ignore_case(value.text(), "TRUE") &&
          !kx::equals_ignore_case(value.text(), "FALSE")) {
        return true;
      }
      if (direct) {
        flag = logical_of(value);
      } else if (value.is_boolean() || value.is_number()) {
        flag = logical_of(value);
      } else {
        return true;
      }
      any = true;
      result = All ? (result && flag) : (result || flag);
      return true;
    };
    arguments.for_each(i, visit);
  }
  if (!any) give_error(kx::error::kXlValue);
  return result;
}

// --- Finance ------------------------------------------------------------------------------

// (1+rate)^periods. Through log1p, so that the rate keeps the digits that 1+rate would round
// away: over 360 periods that rounding alone costs a dozen significant bits.
double compound(double rate, double periods) {
  if (rate > -1.0) return kx::checked::exp(periods * std::log1p(rate));
  return kx::checked::pow(1.0 + rate, periods);
}

// NPV(rate, value1, ...): each value discounted by its period, the first by one period.
Value net_present_value(const Arguments& arguments) {
  const double rate = number_of(arguments.value(0));
  if (rate == -1.0) give_error(kx::error::kXlDiv0);
  double total = 0;
  double period = 0;
  for_each_number(arguments, 1, [&](double x) {
    ++period;
    total = kx::checked::add(total, kx::checked::div(x, compound(rate, period)));
  });
  return total;
}

// PMT(rate, nper, pv, [fv], [type]): the payment per period; type 1 pays at the start.
Value payment(const Arguments& arguments) {
  const double rate = number_of(arguments.value(0));
  const double periods = number_of(arguments.value(1));
  const double present = number_of(arguments.value(2));
  const double future = arguments.given(3) ? number_of(arguments.value(3)) : 0.0;
  const double due = arguments.given(4) && number_of(arguments.value(4)) != 0.0 ? 1.0 : 0.0;
  if (periods == 0.0) give_error(kx::error::kXlNum);
  if (rate == 0.0) return kx::checked::finite(-(present + future) / periods);
  const double growth = compound(rate, periods);
  // (1+rate)^n - 1 without the cancellation that a small rate would suffer.
  const double annuity = rate > -1.0 ? std::expm1(periods * std::log1p(rate)) : growth - 1.0;
  const double timing = 1.0 + rate * due;
  if (annuity == 0.0 || timing == 0.0) give_error(kx::error::kXlNum);
  return kx::checked::finite(-(rate * (present * growth + future)) / (timing * annuity));
}

constexpr std::size_t kAny = kMaxArguments;

constexpr std::array<Builtin, 19> kBuiltins = {{
    {"IF", 2, 3, choose_if, "logical_test, [value_if_true], [value_if_false]"},
    {"IFERROR", 2, 2, if_error, "value, value_if_error"},
    {"AND", 1, kAny, logical_fold<true>, "logical1, ..."},
    {"OR", 1, kAny, logical_fold<false>, "logical1, ..."},
    {"NOT", 1, 1, logical_not, "logical"},
    {"ABS", 1, 1, numeric<absolute>, "number"},
    {"SQRT", 1, 1, numeric<square_root>, "number"},
    {"EXP", 1, 1, numeric<exponential>, "number"},
    {"LN", 1, 1, numeric<natural_log>, "number"},
    {"LOG10", 1, 1, numeric<log10_of>, "number"},
    {"POWER", 2, 2, power, "number, power"},
    {"INT", 1, 1, numeric<integer_part>, "number"},
    {"MOD", 2, 2, mod, "number, divisor"},
    {"SUM", 1, kAny, sum, "number1, ..."},
    {"MIN", 1, kAny, extreme<false>, "number1, ..."},
    {"MAX", 1, kAny, extreme<true>, "number1, ..."},
    {"AVERAGE", 1, kAny, average, "number1, ..."},
    {"NPV", 2, kAny, net_present_value, "rate, value1, ..."},
    {"PMT", 3, 5, payment, "rate, nper, pv, [fv], [type]"},
}};

}  // namespace

std::span<const Builtin> builtins() { return kBuiltins; }

}  // namespace host
