// Financial functions: annuities (PV, FV, NPER, RATE, IPMT, PPMT, CUMIPMT, CUMPRINC), returns
// of cash flows (IRR, MIRR, XNPV, XIRR), depreciation (SLN, DB, DDB, SYD, VDB), growth
// (PDURATION, RRI, FVSCHEDULE), fractional prices and interest rate conversion.
// The rates found by iteration take a bounded number of steps and are #NUM! when they do not
// settle: a model recalculated a million times must never hang on one cell. Roots far from the
// guess, negative ones too, are found by bracketing them.
#include <algorithm>
#include <boost/math/tools/toms748_solve.hpp>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "host/worksheet/arguments.hpp"
#include "host/worksheet/boost_policy.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

// Iterative searches stop after this many steps, as the common spreadsheets do.
constexpr int kMostIterations = 100;
// VDB, CUMIPMT and CUMPRINC add up at most this many periods.
constexpr double kMostPeriodsWalked = 1e7;
// A rate has settled when a step moves it by less than this.
constexpr double kRateTolerance = 1e-10;

// (1+rate)^periods, through log1p so that a small rate keeps its digits.
double growth_of(double rate, double periods) {
  if (rate > -1.0) return std::exp(periods * std::log1p(rate));
  return std::pow(1.0 + rate, periods);
}

// ((1+rate)^periods - 1) / rate, which tends to `periods` as the rate goes to 0.
double annuity_factor(double rate, double periods) {
  if (rate == 0.0) return periods;
  if (rate > -1.0) return std::expm1(periods * std::log1p(rate)) / rate;
  return (std::pow(1.0 + rate, periods) - 1.0) / rate;
}

double due_of(const kx::Value& type) { return number_or(type, 0.0) != 0.0 ? 1.0 : 0.0; }

double future_value(double rate, double periods, double payment, double present, double due) {
  return -(present * growth_of(rate, periods) + payment * (1.0 + rate * due) * annuity_factor(rate, periods));
}

double payment_of(double rate, double periods, double present, double future, double due) {
  const double factor = (1.0 + rate * due) * annuity_factor(rate, periods);
  if (factor == 0.0) raise_error(kx::error::kXlNum, "the payment is undefined for these arguments");
  return -(present * growth_of(rate, periods) + future) / factor;
}

// Newton's method on f with a numeric derivative, from `guess`, bounded in steps; rates at or
// below -100% have no meaning and stop it too.
template <class Function>
std::optional<double> newton_rate(Function&& f, double guess) {
  double rate = guess;
  for (int step = 0; step < kMostIterations; ++step) {
    const double value = f(rate);
    if (!std::isfinite(value)) break;
    const double h = 1e-7 * std::max(1.0, std::fabs(rate));
    const double slope = (f(rate + h) - f(rate - h)) / (2.0 * h);
    if (slope == 0.0 || !std::isfinite(slope)) break;
    const double next = rate - value / slope;
    if (!std::isfinite(next) || next <= -1.0) break;
    if (std::fabs(next - rate) < kRateTolerance * std::max(1.0, std::fabs(next))) return next;
    rate = next;
  }
  return std::nullopt;
}

// The rate where f is 0: Newton from the guess; when that fails (a root far from the guess,
// or below 0), the sign changes of f over rates from -99.9% to 10^6% bracket the roots, and
// the one nearest the guess is closed in on to the last bit.
template <class Function>
double solve_rate(Function&& f, double guess) {
  check_domain(guess > -1.0, "the guess must be above -100%");
  if (const auto rate = newton_rate(f, guess)) return *rate;
  static constexpr double kGrid[] = {-0.999, -0.99, -0.95, -0.9, -0.8, -0.7, -0.6, -0.5, -0.4, -0.3,  -0.2, -0.15,
                                     -0.1,   -0.05, -0.02, 0.0,  0.02, 0.05, 0.1,  0.15, 0.2,  0.3,   0.4,  0.5,
                                     0.75,   1.0,   1.5,   2.0,  3.0,  5.0,  10.0, 20.0, 50.0, 100.0, 1e3,  1e4};
  std::optional<std::pair<double, double>> nearest;
  double low = kGrid[0];
  double f_low = f(low);
  for (std::size_t i = 1; i < std::size(kGrid); ++i) {
    const double high = kGrid[i];
    const double f_high = f(high);
    const bool crosses = std::isfinite(f_low) && std::isfinite(f_high) && (f_low < 0.0) != (f_high < 0.0);
    const auto distance = [&](const std::pair<double, double>& b) {
      return std::max(0.0, std::max(b.first - guess, guess - b.second));
    };
    if (crosses && (!nearest || distance({low, high}) < distance(*nearest))) nearest = std::pair(low, high);
    low = high;
    f_low = f_high;
  }
  if (!nearest) raise_error(kx::error::kXlNum, "the rate did not converge; try another guess");
  if (f(nearest->first) == 0.0) return nearest->first;
  std::uintmax_t iterations = 200;
  const auto [a, b] = boost::math::tools::toms748_solve(
      f, nearest->first, nearest->second, boost::math::tools::eps_tolerance<double>(), iterations, BoostPolicy());
  return (a + b) / 2.0;
}

kx::Value present_value(Arguments args) {
  const double rate = number_arg(args[0]);
  const double periods = number_arg(args[1]);
  const double payment = number_arg(args[2]);
  const double future = number_or(args[3], 0.0);
  const double due = due_of(args[4]);
  const double growth = growth_of(rate, periods);
  if (growth == 0.0) raise_error(kx::error::kXlNum, "the rate gives no present value");
  return -(future + payment * (1.0 + rate * due) * annuity_factor(rate, periods)) / growth;
}

kx::Value future_value_of(Arguments args) {
  return future_value(number_arg(args[0]), number_arg(args[1]), number_arg(args[2]), number_or(args[3], 0.0),
                      due_of(args[4]));
}

kx::Value period_count(Arguments args) {
  const double rate = number_arg(args[0]);
  const double payment = number_arg(args[1]);
  const double present = number_arg(args[2]);
  const double future = number_or(args[3], 0.0);
  const double due = due_of(args[4]);
  if (rate == 0.0) {
    if (payment == 0.0) raise_error(kx::error::kXlNum, "with no rate and no payment the count is undefined");
    return -(present + future) / payment;
  }
  check_domain(rate > -1.0, "the rate must be above -100%");
  const double paid = payment * (1.0 + rate * due);
  const double ratio = (paid - future * rate) / (paid + present * rate);
  check_domain(ratio > 0.0, "no number of periods reaches the future value");
  return std::log(ratio) / std::log1p(rate);
}

kx::Value rate_of(Arguments args) {
  const double periods = number_arg(args[0]);
  const double payment = number_arg(args[1]);
  const double present = number_arg(args[2]);
  const double future = number_or(args[3], 0.0);
  const double due = due_of(args[4]);
  const double guess = number_or(args[5], 0.1);
  check_domain(periods > 0.0, "the number of periods must be positive");
  return solve_rate(
      [&](double rate) {
        return present * growth_of(rate, periods) + payment * (1.0 + rate * due) * annuity_factor(rate, periods) +
               future;
      },
      guess);
}

// The interest part of payment `period` (1-based), as the common spreadsheets split it.
double interest_part(double rate, double period, double periods, double present, double future, double due) {
  check_domain(period >= 1.0 && period <= periods, "the period must lie between 1 and the number of periods");
  const double payment = payment_of(rate, periods, present, future, due);
  double interest = 0.0;
  if (period == 1.0) {
    interest = due != 0.0 ? 0.0 : -present;
  } else if (due != 0.0) {
    interest = future_value(rate, period - 2.0, payment, present, 1.0) - payment;
  } else {
    interest = future_value(rate, period - 1.0, payment, present, 0.0);
  }
  return interest * rate;
}

kx::Value interest_payment(Arguments args) {
  return interest_part(number_arg(args[0]), number_arg(args[1]), number_arg(args[2]), number_arg(args[3]),
                       number_or(args[4], 0.0), due_of(args[5]));
}

kx::Value principal_payment(Arguments args) {
  const double rate = number_arg(args[0]);
  const double period = number_arg(args[1]);
  const double periods = number_arg(args[2]);
  const double present = number_arg(args[3]);
  const double future = number_or(args[4], 0.0);
  const double due = due_of(args[5]);
  const double interest = interest_part(rate, period, periods, present, future, due);
  return payment_of(rate, periods, present, future, due) - interest;
}

// The net present value of flows at periods 0, 1, 2, ...
double discounted(const std::vector<double>& flows, double rate) {
  double total = 0.0;
  for (std::size_t i = 0; i < flows.size(); ++i) total += flows[i] / growth_of(rate, static_cast<double>(i));
  return total;
}

void check_signs(const std::vector<double>& flows) {
  bool positive = false;
  bool negative = false;
  for (const double flow : flows) {
    positive = positive || flow > 0.0;
    negative = negative || flow < 0.0;
  }
  check_domain(positive && negative, "the cash flows need at least one positive and one negative value");
}

kx::Value internal_rate(Arguments args) {
  const std::vector<double> flows = numbers_of(args.first(1));
  check_signs(flows);
  return solve_rate([&](double rate) { return discounted(flows, rate); }, number_or(args[1], 0.1));
}

kx::Value modified_internal_rate(Arguments args) {
  const std::vector<double> flows = numbers_of(args.first(1));
  const double finance = number_arg(args[1]);
  const double reinvest = number_arg(args[2]);
  const auto count = static_cast<double>(flows.size());
  double gains = 0.0;
  double costs = 0.0;
  for (std::size_t i = 0; i < flows.size(); ++i) {
    const auto period = static_cast<double>(i + 1);  // discounted as NPV does, from period 1
    if (flows[i] > 0.0) gains += flows[i] / growth_of(reinvest, period);
    if (flows[i] < 0.0) costs += flows[i] / growth_of(finance, period);
  }
  // Flows that only cost lose everything: -100%.
  if (gains == 0.0 && costs < 0.0 && count >= 2.0) return -1.0;
  if (gains == 0.0 || costs == 0.0 || count < 2.0) {
    raise_error(kx::error::kXlDiv0, "the cash flows need at least one positive and one negative value");
  }
  const double ratio = -gains * growth_of(reinvest, count) / (costs * (1.0 + finance));
  return std::pow(ratio, 1.0 / (count - 1.0)) - 1.0;
}

struct DatedFlows {
  std::vector<double> flows;
  std::vector<double> days;  // since the first date
};

DatedFlows dated_flows(const kx::Value& values, const kx::Value& dates) {
  const Grid value_grid(values);
  const Grid date_grid(dates);
  if (value_grid.size() != date_grid.size()) raise_error(kx::error::kXlNum, "values and dates must be as many");
  DatedFlows dated;
  for (std::size_t i = 0; i < value_grid.size(); ++i) {
    // A blank value or date is no cash flow the spreadsheet can date: #NUM!.
    check_domain(!value_grid.at(i).is_empty() && !date_grid.at(i).is_empty(), "a value or date is blank");
    dated.flows.push_back(number_arg(value_grid.at(i)));
    dated.days.push_back(std::trunc(number_arg(date_grid.at(i))));
  }
  check_domain(!dated.flows.empty(), "there are no cash flows");
  const double first = dated.days.front();
  for (double& day : dated.days) {
    check_domain(day >= first, "no date may come before the first");
    day -= first;
  }
  return dated;
}

double dated_value(const DatedFlows& dated, double rate) {
  double total = 0.0;
  for (std::size_t i = 0; i < dated.flows.size(); ++i) {
    total += dated.flows[i] / growth_of(rate, dated.days[i] / 365.0);
  }
  return total;
}

kx::Value dated_present_value(Arguments args) {
  const double rate = number_arg(args[0]);
  check_domain(rate > -1.0, "the rate must be above -100%");
  return dated_value(dated_flows(args[1], args[2]), rate);
}

kx::Value dated_internal_rate(Arguments args) {
  const DatedFlows dated = dated_flows(args[0], args[1]);
  check_signs(dated.flows);
  return solve_rate([&](double rate) { return dated_value(dated, rate); }, number_or(args[2], 0.1));
}

kx::Value straight_line(Arguments args) {
  const double life = number_arg(args[2]);
  if (life == 0.0) raise_error(kx::error::kXlDiv0, "the life must not be 0");
  return (number_arg(args[0]) - number_arg(args[1])) / life;
}

kx::Value sum_of_years(Arguments args) {
  const double cost = number_arg(args[0]);
  const double salvage = number_arg(args[1]);
  const double life = number_arg(args[2]);
  const double period = number_arg(args[3]);
  check_domain(life > 0.0 && period > 0.0 && period <= life, "the period must lie within the life");
  return (cost - salvage) * (life - period + 1.0) * 2.0 / (life * (life + 1.0));
}

kx::Value double_declining(Arguments args) {
  const double cost = number_arg(args[0]);
  const double salvage = number_arg(args[1]);
  const double life = number_arg(args[2]);
  const double period = number_arg(args[3]);
  const double factor = number_or(args[4], 2.0);
  check_domain(cost >= 0.0 && salvage >= 0.0 && life > 0.0 && factor > 0.0, "cost, salvage, life and factor");
  check_domain(period >= 1.0 && period <= life, "the period must lie within the life");
  double rate = factor / life;
  double before = 0.0;
  if (rate >= 1.0) {
    rate = 1.0;
    before = period == 1.0 ? cost : 0.0;
  } else {
    before = cost * std::pow(1.0 - rate, period - 1.0);
  }
  const double after = cost * std::pow(1.0 - rate, period);
  const double depreciation = after < salvage ? before - salvage : before - after;
  return std::max(0.0, depreciation);
}

// DB: the fixed-declining rate rounded to three decimals, a short first year of `months`,
// and the rest of the last year in period life + 1.
kx::Value fixed_declining(Arguments args) {
  const double cost = number_arg(args[0]);
  const double salvage = number_arg(args[1]);
  const double life = whole_arg(args[2]);
  const double period = whole_arg(args[3]);
  const double months = whole_arg(is_omitted(args[4]) ? kx::Value(12.0) : args[4]);
  check_domain(cost >= 0.0 && salvage >= 0.0 && life > 0.0, "cost, salvage and life");
  check_domain(months >= 1.0 && months <= 12.0, "the months of the first year must be 1 to 12");
  check_domain(period >= 1.0 && period <= life + (months < 12.0 ? 1.0 : 0.0), "the period lies outside the life");
  if (cost == 0.0) return 0.0;
  const double rate = std::round((1.0 - std::pow(salvage / cost, 1.0 / life)) * 1000.0) / 1000.0;
  double total = cost * rate * months / 12.0;
  double depreciation = total;
  for (double p = 2.0; p <= period; p += 1.0) {
    depreciation = p == life + 1.0 ? (cost - total) * rate * (12.0 - months) / 12.0 : (cost - total) * rate;
    total += depreciation;
  }
  return depreciation;
}

// VDB: declining balance at factor/life a period, switching to straight line over the rest of
// the life once that gives more (unless no_switch); a fractional period takes its share of
// the period's depreciation.
kx::Value variable_declining(Arguments args) {
  const double cost = number_arg(args[0]);
  const double salvage = number_arg(args[1]);
  const double life = number_arg(args[2]);
  const double start = number_arg(args[3]);
  const double end = number_arg(args[4]);
  const double factor = number_or(args[5], 2.0);
  const bool no_switch = !is_omitted(args[6]) && flag_arg(args[6]);
  check_domain(cost >= 0.0 && salvage >= 0.0 && life > 0.0 && factor > 0.0, "cost, salvage, life and factor");
  check_domain(start >= 0.0 && start <= end && end <= life, "the periods must satisfy 0 <= start <= end <= life");
  // The schedule is walked period by period: a bound keeps a wild argument from hanging the cell.
  check_domain(end <= kMostPeriodsWalked, "the end period is too far");
  double book = cost;
  bool straight = false;
  double total = 0.0;
  for (double period = 1.0; period - 1.0 < end; period += 1.0) {
    const double declining = std::min(book * std::min(1.0, factor / life), std::max(0.0, book - salvage));
    const double remaining = life - period + 1.0;
    const double straight_line = remaining > 0.0 ? std::max(0.0, book - salvage) / std::max(1.0, remaining) : 0.0;
    straight = straight || (!no_switch && straight_line > declining);
    const double depreciation = straight ? straight_line : declining;
    const double overlap = std::min(end, period) - std::max(start, period - 1.0);
    if (overlap > 0.0) total += depreciation * overlap;
    book -= depreciation;
  }
  return total;
}

// CUMIPMT and CUMPRINC: the interest (or principal) paid from period start to end.
template <bool Interest>
kx::Value cumulative_payment(Arguments args) {
  const double rate = number_arg(args[0]);
  const double periods = number_arg(args[1]);
  const double present = number_arg(args[2]);
  const double start = std::trunc(number_arg(args[3]));
  const double end = std::trunc(number_arg(args[4]));
  const double type = number_arg(args[5]);
  check_domain(rate > 0.0 && periods > 0.0 && present > 0.0, "the rate, periods and present value must be positive");
  check_domain(start >= 1.0 && start <= end && end <= periods, "the periods must satisfy 1 <= start <= end <= nper");
  check_domain(type == 0.0 || type == 1.0, "the type must be 0 or 1");
  check_domain(end - start < kMostPeriodsWalked, "too many periods to add up");
  const double payment = payment_of(rate, periods, present, 0.0, type);
  double total = 0.0;
  for (double period = start; period <= end; period += 1.0) {
    const double interest = interest_part(rate, period, periods, present, 0.0, type);
    total += Interest ? interest : payment - interest;
  }
  return total;
}

// The interest paid in period `per` of a loan repaid in equal principal parts.
kx::Value interest_of_straight_loan(Arguments args) {
  const double rate = number_arg(args[0]);
  const double period = number_arg(args[1]);
  const double periods = number_arg(args[2]);
  const double present = number_arg(args[3]);
  if (periods == 0.0) raise_error(kx::error::kXlDiv0, "the number of periods is 0");
  return present * rate * (period / periods - 1.0);
}

// The periods an investment needs at `rate` to grow from pv to fv.
kx::Value periods_to_grow(Arguments args) {
  const double rate = number_arg(args[0]);
  const double present = number_arg(args[1]);
  const double future = number_arg(args[2]);
  check_domain(rate > 0.0 && present > 0.0 && future > 0.0, "the rate and values must be positive");
  return (std::log(future) - std::log(present)) / std::log1p(rate);
}

// The rate at which pv grows to fv in nper periods.
kx::Value growth_rate(Arguments args) {
  const double periods = number_arg(args[0]);
  const double present = number_arg(args[1]);
  const double future = number_arg(args[2]);
  check_domain(periods > 0.0, "the number of periods must be positive");
  check_domain(present != 0.0, "the present value must not be 0");
  const double ratio = future / present;
  check_domain(ratio >= 0.0, "the values must have the same sign");
  return std::pow(ratio, 1.0 / periods) - 1.0;
}

// The principal grown by each rate of the schedule in turn; blank cells are a rate of 0.
kx::Value future_value_of_schedule(Arguments args) {
  double value = number_arg(args[0]);
  const Grid schedule(args[1]);
  for (std::size_t i = 0; i < schedule.size(); ++i) {
    const kx::Value& rate = schedule.at(i);
    if (rate.is_empty()) continue;
    if (rate.is_error()) raise_error(rate.error().number, "a rate holds an error value");
    if (!rate.is_number()) raise_error(kx::error::kXlValue, "the rates must be numbers");
    value *= 1.0 + rate.number();
  }
  return value;
}

// A price quoted in fractions (1.02 for 1 2/16 with fraction 16) as a decimal, and back.
template <bool ToDecimal>
kx::Value fractional_dollar(Arguments args) {
  const double price = number_arg(args[0]);
  const double fraction = std::trunc(number_arg(args[1]));
  check_domain(fraction >= 0.0, "the fraction must not be negative");
  if (fraction == 0.0) raise_error(kx::error::kXlDiv0, "the fraction is 0");
  const double whole = std::trunc(price);
  const double part = price - whole;
  const double scale = std::pow(10.0, std::ceil(std::log10(fraction)));
  return whole + (ToDecimal ? part * scale / fraction : part * fraction / scale);
}

kx::Value effective_rate(Arguments args) {
  const double nominal = number_arg(args[0]);
  const double periods = whole_arg(args[1]);
  check_domain(nominal > 0.0 && periods >= 1.0, "the rate must be positive and the periods at least 1");
  return std::expm1(periods * std::log1p(nominal / periods));
}

kx::Value nominal_rate(Arguments args) {
  const double effective = number_arg(args[0]);
  const double periods = whole_arg(args[1]);
  check_domain(effective > 0.0 && periods >= 1.0, "the rate must be positive and the periods at least 1");
  return periods * std::expm1(std::log1p(effective) / periods);
}

constexpr SheetFunction kFunctions[] = {
    {"PV", 3, 5, kSingleValues, present_value, "rate, nper, pmt, [fv], [type]"},
    {"FV", 3, 5, kSingleValues, future_value_of, "rate, nper, pmt, [pv], [type]"},
    {"NPER", 3, 5, kSingleValues, period_count, "rate, pmt, pv, [fv], [type]"},
    {"RATE", 3, 6, kSingleValues, rate_of, "nper, pmt, pv, [fv], [type], [guess]"},
    {"IPMT", 4, 6, kSingleValues, interest_payment, "rate, per, nper, pv, [fv], [type]"},
    {"PPMT", 4, 6, kSingleValues, principal_payment, "rate, per, nper, pv, [fv], [type]"},
    {"IRR", 1, 2, kArrays, internal_rate, "values, [guess]"},
    {"MIRR", 3, 3, kArrays, modified_internal_rate, "values, finance_rate, reinvest_rate"},
    {"XNPV", 3, 3, kArrays, dated_present_value, "rate, values, dates"},
    {"XIRR", 2, 3, kArrays, dated_internal_rate, "values, dates, [guess]"},
    {"SLN", 3, 3, kSingleValues, straight_line, "cost, salvage, life"},
    {"DB", 4, 5, kSingleValues, fixed_declining, "cost, salvage, life, period, [month]"},
    {"DDB", 4, 5, kSingleValues, double_declining, "cost, salvage, life, period, [factor]"},
    {"SYD", 4, 4, kSingleValues, sum_of_years, "cost, salvage, life, per"},
    {"VDB", 5, 7, kSingleValues, variable_declining,
     "cost, salvage, life, start_period, end_period, [factor], [no_switch]"},
    {"CUMIPMT", 6, 6, kSingleValues, cumulative_payment<true>, "rate, nper, pv, start_period, end_period, type"},
    {"CUMPRINC", 6, 6, kSingleValues, cumulative_payment<false>, "rate, nper, pv, start_period, end_period, type"},
    {"ISPMT", 4, 4, kSingleValues, interest_of_straight_loan, "rate, per, nper, pv"},
    {"PDURATION", 3, 3, kSingleValues, periods_to_grow, "rate, pv, fv"},
    {"RRI", 3, 3, kSingleValues, growth_rate, "nper, pv, fv"},
    {"FVSCHEDULE", 2, 2, kArrays, future_value_of_schedule, "principal, schedule"},
    {"DOLLARDE", 2, 2, kSingleValues, fractional_dollar<true>, "fractional_dollar, fraction"},
    {"DOLLARFR", 2, 2, kSingleValues, fractional_dollar<false>, "decimal_dollar, fraction"},
    {"EFFECT", 2, 2, kSingleValues, effective_rate, "nominal_rate, npery"},
    {"NOMINAL", 2, 2, kSingleValues, nominal_rate, "effect_rate, npery"},
};

}  // namespace

Family financial_functions() { return kFunctions; }

}  // namespace host::worksheet
