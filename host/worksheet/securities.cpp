// Securities: the coupon schedule of a bond (COUPPCD, COUPNCD, COUPNUM and the day counts of
// its period), the price, yield and duration of a coupon bond, with an odd first or last
// period too, interest accrued, securities paying at maturity or sold at a discount, and
// Treasury bills. Day counts follow the basis:
// 0 US 30/360, 1 actual/actual, 2 actual/360, 3 actual/365, 4 European 30/360.
#include <algorithm>
#include <cmath>
#include <optional>

#include "host/worksheet/arguments.hpp"
#include "host/worksheet/serial_dates.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

double day_arg(const kx::Value& value) {
  const double serial = std::floor(number_arg(value));
  check_domain(serial >= 0.0 && serial <= kLastSerial, "the date lies outside 1900 to 9999");
  return serial;
}

int basis_arg(const kx::Value& value) {
  const double basis = is_omitted(value) ? 0.0 : std::trunc(number_arg(value));
  check_domain(basis >= 0.0 && basis <= 4.0, "the basis must be 0 to 4");
  return static_cast<int>(basis);
}

int frequency_arg(const kx::Value& value) {
  const double frequency = std::trunc(number_arg(value));
  check_domain(frequency == 1.0 || frequency == 2.0 || frequency == 4.0, "the frequency must be 1, 2 or 4");
  return static_cast<int>(frequency);
}

// The bond's dates: settlement before maturity.
struct Term {
  double settlement;
  double maturity;
};

Term term_args(const kx::Value& settlement, const kx::Value& maturity) {
  const Term term{day_arg(settlement), day_arg(maturity)};
  check_domain(term.settlement < term.maturity, "the settlement must come before the maturity");
  return term;
}

// The coupon date `periods` coupons before maturity: coupons fall on the maturity's day of
// the month, or on every month's last day when the maturity does.
double coupon_date(const Date& maturity, int months_back) {
  const bool end_of_month = maturity.day == days_in_month(maturity.year, maturity.month);
  const int index = maturity.year * 12 + (maturity.month - 1) - months_back;
  const int year = index / 12;
  const int month = index % 12 + 1;
  const int last = days_in_month(year, month);
  return serial_of(year, month, end_of_month ? last : std::min(maturity.day, last));
}

struct Coupons {
  double previous;  // the last coupon date on or before settlement
  double next;      // the first after it
  int count;        // coupons payable from settlement to maturity
};

Coupons coupons_of(const Term& term, int frequency) {
  const Date maturity = date_of(term.maturity);
  const int step = 12 / frequency;
  double next = term.maturity;
  for (int k = 1;; ++k) {
    const double date = coupon_date(maturity, k * step);
    if (date <= term.settlement) return {date, next, k};
    next = date;
  }
}

// Days between two dates by the basis: 30/360 for 0 and 4, actual days otherwise.
double days_between(double from, double to, int basis) {
  if (basis == 0 || basis == 4) return std::round(year_fraction(from, to, basis) * 360.0) * (from <= to ? 1.0 : -1.0);
  return to - from;
}

// The length of a coupon period in days.
double period_days(const Coupons& c, int basis, int frequency) {
  if (basis == 1) return c.next - c.previous;
  return (basis == 3 ? 365.0 : 360.0) / frequency;
}

double days_from_previous(const Term& term, const Coupons& c, int basis) {
  return days_between(c.previous, term.settlement, basis);
}

double days_to_next(const Term& term, const Coupons& c, int basis, int frequency) {
  if (basis == 0) return period_days(c, basis, frequency) - days_from_previous(term, c, basis);
  return days_between(term.settlement, c.next, basis);
}

// COUPPCD, COUPNCD, COUPNUM, COUPDAYBS, COUPDAYS, COUPDAYSNC share their arguments.
struct CouponArgs {
  Term term;
  int frequency;
  int basis;
  Coupons coupons;
};

CouponArgs coupon_args(Arguments args) {
  const Term term = term_args(args[0], args[1]);
  const int frequency = frequency_arg(args[2]);
  const int basis = basis_arg(args[3]);
  return {term, frequency, basis, coupons_of(term, frequency)};
}

kx::Value previous_coupon(Arguments args) { return coupon_args(args).coupons.previous; }
kx::Value next_coupon(Arguments args) { return coupon_args(args).coupons.next; }
kx::Value coupon_count(Arguments args) { return static_cast<double>(coupon_args(args).coupons.count); }

kx::Value days_since_coupon(Arguments args) {
  const CouponArgs a = coupon_args(args);
  return days_from_previous(a.term, a.coupons, a.basis);
}

kx::Value coupon_period_days(Arguments args) {
  const CouponArgs a = coupon_args(args);
  return period_days(a.coupons, a.basis, a.frequency);
}

kx::Value days_to_coupon(Arguments args) {
  const CouponArgs a = coupon_args(args);
  return days_to_next(a.term, a.coupons, a.basis, a.frequency);
}

// A coupon bond of 100 face value: its price at a yield, per the coupon schedule.
struct Bond {
  CouponArgs schedule;
  double rate;
  double redemption;

  double accrued_share() const {  // A/E
    return days_from_previous(schedule.term, schedule.coupons, schedule.basis) /
           period_days(schedule.coupons, schedule.basis, schedule.frequency);
  }
  double to_next_share() const {  // DSC/E
    return days_to_next(schedule.term, schedule.coupons, schedule.basis, schedule.frequency) /
           period_days(schedule.coupons, schedule.basis, schedule.frequency);
  }

  double price(double yield) const {
    const double f = schedule.frequency;
    const double coupon = 100.0 * rate / f;
    const int n = schedule.coupons.count;
    const double dsc = to_next_share();
    if (n == 1) return (redemption + coupon) / (1.0 + dsc * yield / f) - accrued_share() * coupon;
    const double growth = 1.0 + yield / f;
    check_domain(growth > 0.0, "the yield must be above -frequency");
    double value = redemption / std::pow(growth, n - 1.0 + dsc);
    for (int k = 1; k <= n; ++k) value += coupon / std::pow(growth, k - 1.0 + dsc);
    return value - coupon * accrued_share();
  }

  // Macaulay duration in years.
  double duration(double yield) const {
    const double f = schedule.frequency;
    const double coupon = 100.0 * rate / f;
    const int n = schedule.coupons.count;
    const double dsc = to_next_share();
    const double growth = 1.0 + yield / f;
    double weighted = 0.0;
    double total = 0.0;
    for (int k = 1; k <= n; ++k) {
      const double t = k - 1.0 + dsc;
      const double flow = (k == n ? coupon + redemption : coupon) / std::pow(growth, t);
      weighted += t / f * flow;
      total += flow;
    }
    return weighted / total;
  }
};

Bond bond_args(Arguments args, std::size_t rate_at, std::size_t redemption_at, std::size_t frequency_at) {
  const Term term = term_args(args[0], args[1]);
  const double rate = number_arg(args[rate_at]);
  const double redemption = redemption_at == 0 ? 100.0 : number_arg(args[redemption_at]);
  const int frequency = frequency_arg(args[frequency_at]);
  const int basis = basis_arg(args[frequency_at + 1]);
  check_domain(rate >= 0.0, "the rate must not be negative");
  check_domain(redemption > 0.0, "the redemption must be positive");
  return {{term, frequency, basis, coupons_of(term, frequency)}, rate, redemption};
}

// PRICE(settlement, maturity, rate, yld, redemption, frequency, [basis]).
kx::Value price(Arguments args) {
  const Bond bond = bond_args(args, 2, 4, 5);
  const double yield = number_arg(args[3]);
  check_domain(yield >= 0.0, "the yield must not be negative");
  return bond.price(yield);
}

// The yield at which a bond paying `frequency` coupons a year is priced `target`. The price
// falls as the yield grows: bracketed, then bisected to the last bit.
template <class Priced>
double yield_at_price(const Priced& price, double target, double frequency) {
  check_domain(target > 0.0, "the price must be positive");
  double low = -frequency * (1.0 - 1e-9);
  double high = 1.0;
  while (price(high) > target) {
    high *= 2.0;
    check_domain(high < 1e10, "no yield gives this price");
  }
  if (price(low) < target) raise_error(kx::error::kXlNum, "no yield gives this price");
  for (int i = 0; i < 200 && high - low > 1e-16 * std::max(1.0, std::fabs(high)); ++i) {
    const double middle = (low + high) / 2.0;
    (price(middle) > target ? low : high) = middle;
  }
  return (low + high) / 2.0;
}

// YIELD(settlement, maturity, rate, pr, redemption, frequency, [basis]): the yield at which
// the price is pr.
kx::Value yield(Arguments args) {
  const Bond bond = bond_args(args, 2, 4, 5);
  return yield_at_price([&](double y) { return bond.price(y); }, number_arg(args[3]), bond.schedule.frequency);
}

// DURATION and MDURATION(settlement, maturity, coupon, yld, frequency, [basis]).
template <bool Modified>
kx::Value duration(Arguments args) {
  const Bond bond = bond_args(args, 2, 0, 4);
  const double yield = number_arg(args[3]);
  check_domain(yield >= 0.0, "the yield must not be negative");
  const double years = bond.duration(yield);
  return Modified ? years / (1.0 + yield / bond.schedule.frequency) : years;
}

// ACCRINT(issue, first_interest, settlement, rate, par, frequency, [basis], [calc_method]):
// the interest of the coupon periods (anchored on the first interest date) from issue, or
// with calc_method FALSE and a settlement after the first interest date from that date, to
// settlement, each period's share of its coupon by the basis's day count.
kx::Value accrued_interest(Arguments args) {
  const double issue = day_arg(args[0]);
  const double first_interest = day_arg(args[1]);
  const double settlement = day_arg(args[2]);
  const double rate = number_arg(args[3]);
  const double par = number_or(args[4], 1000.0);
  const int frequency = frequency_arg(args[5]);
  const int basis = basis_arg(args[6]);
  const bool from_issue = is_omitted(args[7]) || flag_arg(args[7]);
  check_domain(rate > 0.0 && par > 0.0, "the rate and par must be positive");
  check_domain(issue < settlement, "the issue must come before the settlement");
  const Date anchor = date_of(first_interest);
  const int step = 12 / frequency;
  // Coupon dates around the anchor: k periods after it (negative: before).
  const auto coupon_at = [&](int k) { return coupon_date(anchor, -k * step); };
  int k = 0;
  while (coupon_at(k) > issue) --k;
  double start = issue;
  if (!from_issue && settlement > first_interest) {
    while (coupon_at(k) < first_interest) ++k;
    start = first_interest;
  }
  double total = 0.0;
  for (; coupon_at(k) < settlement; ++k) {
    const double period_start = coupon_at(k);
    const double period_end = coupon_at(k + 1);
    const double from = std::max(start, period_start);
    const double to = std::min(settlement, period_end);
    if (to <= from) continue;
    const double length = basis == 1 ? period_end - period_start : (basis == 3 ? 365.0 : 360.0) / frequency;
    total += days_between(from, to, basis) / length;
  }
  return par * rate / frequency * total;
}

// ACCRINTM(issue, settlement, rate, [par], [basis]): interest paid at maturity.
kx::Value accrued_interest_at_maturity(Arguments args) {
  const double issue = day_arg(args[0]);
  const double settlement = day_arg(args[1]);
  const double rate = number_arg(args[2]);
  const double par = number_or(args[3], 1000.0);
  const int basis = basis_arg(args[4]);
  check_domain(rate > 0.0 && par > 0.0, "the rate and par must be positive");
  check_domain(issue < settlement, "the issue must come before the settlement");
  return par * rate * year_fraction(issue, settlement, basis);
}

// The years from settlement to maturity, for the discounted securities: on the 30/360 bases
// the actual days over 360, else by the basis.
double years_to_maturity(Arguments args, std::size_t basis_at) {
  const Term term = term_args(args[0], args[1]);
  const int basis = basis_arg(args[basis_at]);
  if (basis == 0 || basis == 4) return (term.maturity - term.settlement) / 360.0;
  return year_fraction(term.settlement, term.maturity, basis);
}

// PRICEDISC(settlement, maturity, discount, redemption, [basis]).
kx::Value discounted_price(Arguments args) {
  const double years = years_to_maturity(args, 4);
  const double discount = number_arg(args[2]);
  const double redemption = number_arg(args[3]);
  check_domain(discount > 0.0 && redemption > 0.0, "the discount and redemption must be positive");
  return redemption * (1.0 - discount * years);
}

// DISC(settlement, maturity, pr, redemption, [basis]): the gain by the year on the redemption;
// YIELDDISC(..., pr, redemption, [basis]) and INTRATE(..., investment, redemption, [basis]):
// on the money paid.
template <bool OnRedemption>
kx::Value gain_rate(Arguments args) {
  const double years = years_to_maturity(args, 4);
  const double paid = number_arg(args[2]);
  const double redemption = number_arg(args[3]);
  check_domain(paid > 0.0 && redemption > 0.0, "the amounts must be positive");
  return (redemption - paid) / (OnRedemption ? redemption : paid) / years;
}

// RECEIVED(settlement, maturity, investment, discount, [basis]).
kx::Value amount_received(Arguments args) {
  const double years = years_to_maturity(args, 4);
  const double investment = number_arg(args[2]);
  const double discount = number_arg(args[3]);
  check_domain(investment > 0.0 && discount > 0.0, "the investment and discount must be positive");
  const double share = 1.0 - discount * years;
  check_domain(share > 0.0, "the discount consumes the whole amount");
  return investment / share;
}

// The year shares of a security paying its interest at maturity: issue to maturity, issue
// to settlement, settlement to maturity.
struct AtMaturity {
  double issue_to_maturity;
  double accrued;
  double remaining;
};

AtMaturity at_maturity(Arguments args) {
  const Term term = term_args(args[0], args[1]);
  const double issue = day_arg(args[2]);
  const int basis = basis_arg(args[5]);
  check_domain(issue <= term.settlement, "the issue must not come after the settlement");
  return {year_fraction(issue, term.maturity, basis), year_fraction(issue, term.settlement, basis),
          year_fraction(term.settlement, term.maturity, basis)};
}

// PRICEMAT(settlement, maturity, issue, rate, yld, [basis]).
kx::Value price_at_maturity(Arguments args) {
  const AtMaturity t = at_maturity(args);
  const double rate = number_arg(args[3]);
  const double yield = number_arg(args[4]);
  check_domain(rate >= 0.0 && yield >= 0.0, "the rate and yield must not be negative");
  return (100.0 + t.issue_to_maturity * rate * 100.0) / (1.0 + t.remaining * yield) - t.accrued * rate * 100.0;
}

// YIELDMAT(settlement, maturity, issue, rate, pr, [basis]).
kx::Value yield_at_maturity(Arguments args) {
  const AtMaturity t = at_maturity(args);
  const double rate = number_arg(args[3]);
  const double price = number_arg(args[4]);
  check_domain(rate >= 0.0 && price > 0.0, "the rate must not be negative and the price must be positive");
  const double paid = price / 100.0 + t.accrued * rate;
  return (1.0 + t.issue_to_maturity * rate - paid) / paid / t.remaining;
}

// Treasury bills: actual days to a maturity at most a year after settlement, on 360 days.
double bill_days(Arguments args) {
  const Term term = term_args(args[0], args[1]);
  const Date settled = date_of(term.settlement);
  check_domain(term.maturity <= serial_of(settled.year + 1, settled.month, settled.day),
               "the maturity must lie within a year of the settlement");
  return term.maturity - term.settlement;
}

kx::Value bill_price(Arguments args) {
  const double days = bill_days(args);
  const double discount = number_arg(args[2]);
  check_domain(discount > 0.0, "the discount must be positive");
  const double price = 100.0 * (1.0 - discount * days / 360.0);
  check_domain(price > 0.0, "the discount leaves no price");
  return price;
}

kx::Value bill_yield(Arguments args) {
  const double days = bill_days(args);
  const double price = number_arg(args[2]);
  check_domain(price > 0.0, "the price must be positive");
  return (100.0 - price) / price * 360.0 / days;
}

// The bond-equivalent yield: simple interest on 365 days up to half a year, beyond it the
// yield of a bond paying one coupon half way.
kx::Value bill_equivalent(Arguments args) {
  const double days = bill_days(args);
  const double discount = number_arg(args[2]);
  check_domain(discount > 0.0, "the discount must be positive");
  if (days <= 182.0) return 365.0 * discount / (360.0 - discount * days);
  const double price = 100.0 * (1.0 - discount * days / 360.0);
  check_domain(price > 0.0, "the discount leaves no price");
  const double years = days / 365.0;
  return (-years + std::sqrt(years * years - (2.0 * years - 1.0) * (1.0 - 100.0 / price))) / (years - 0.5);
}

// The quasi-coupon periods of an odd first or last period, as shares of a regular period:
// the days of the odd stretch, those of it up to settlement, and those after settlement.
struct OddShares {
  double coupon = 0.0;     // sum of DC/NL
  double accrued = 0.0;    // sum of A/NL
  double remaining = 0.0;  // sum of DSC/NL
};

// Adds the quasi-coupon period [start, end] to the shares of the odd stretch [from, to].
void add_quasi_period(OddShares& shares, double start, double end, double from, double to, double settlement, int basis,
                      int frequency) {
  const double length = basis == 1 ? end - start : (basis == 3 ? 365.0 : 360.0) / frequency;
  const double first = std::max(start, from);
  const double last = std::min(end, to);
  if (last > first) shares.coupon += days_between(first, last, basis) / length;
  if (std::min(last, settlement) > first)
    shares.accrued += days_between(first, std::min(last, settlement), basis) / length;
  if (last > std::max(first, settlement))
    shares.remaining += days_between(std::max(first, settlement), last, basis) / length;
}

// A bond whose first period is odd (ODDFPRICE, ODDFYIELD): issued at `issue`, first coupon at
// `first`, regular coupons after it to maturity.
struct OddFirstBond {
  double settlement;
  double maturity;
  double issue;
  double first;
  double rate;
  double redemption;
  int frequency;
  int basis;

  double price(double yield) const {
    const double f = frequency;
    const double coupon = 100.0 * rate / f;
    const double growth = 1.0 + yield / f;
    check_domain(growth > 0.0, "the yield must be above -frequency");
    // The quasi-coupon periods back from the first coupon until one holds the issue; the one
    // holding settlement gives the periods from settlement to the first coupon.
    const Date anchor = date_of(first);
    const int step = 12 / frequency;
    OddShares shares;
    double to_first = 0.0;
    for (int i = 1;; ++i) {
      const double end = coupon_date(anchor, (i - 1) * step);
      const double start = coupon_date(anchor, i * step);
      add_quasi_period(shares, start, end, issue, first, settlement, basis, frequency);
      if (start <= settlement && settlement < end) {
        const double length = basis == 1 ? end - start : (basis == 3 ? 365.0 : 360.0) / frequency;
        to_first = (i - 1) + days_between(settlement, end, basis) / length;
      }
      if (start <= issue) break;
    }
    const int regular = first < maturity ? coupons_of({first, maturity}, frequency).count : 0;
    double value =
        redemption / std::pow(growth, regular + to_first) + coupon * shares.coupon / std::pow(growth, to_first);
    for (int k = 1; k <= regular; ++k) value += coupon / std::pow(growth, k + to_first);
    return value - coupon * shares.accrued;
  }
};

// ODDFPRICE and ODDFYIELD(settlement, maturity, issue, first_coupon, rate, yld or pr,
// redemption, frequency, [basis]).
OddFirstBond odd_first_args(Arguments args) {
  const OddFirstBond bond{day_arg(args[0]),    day_arg(args[1]),    day_arg(args[2]),       day_arg(args[3]),
                          number_arg(args[4]), number_arg(args[6]), frequency_arg(args[7]), basis_arg(args[8])};
  check_domain(bond.issue < bond.settlement && bond.settlement < bond.first && bond.first < bond.maturity,
               "the dates must follow in the order issue, settlement, first coupon, maturity");
  check_domain(bond.rate >= 0.0, "the rate must not be negative");
  check_domain(bond.redemption > 0.0, "the redemption must be positive");
  return bond;
}

kx::Value odd_first_price(Arguments args) {
  const OddFirstBond bond = odd_first_args(args);
  const double yield = number_arg(args[5]);
  check_domain(yield >= 0.0, "the yield must not be negative");
  return bond.price(yield);
}

kx::Value odd_first_yield(Arguments args) {
  const OddFirstBond bond = odd_first_args(args);
  return yield_at_price([&](double y) { return bond.price(y); }, number_arg(args[5]), bond.frequency);
}

// A bond whose last period is odd (ODDLPRICE, ODDLYIELD): its last coupon before maturity at
// `last`. Its price is the redemption and the odd coupon, discounted by simple interest.
struct OddLastBond {
  double coupon_value;     // redemption and the odd period's coupon, paid at maturity
  double accrued;          // the coupon accrued at settlement
  double remaining_share;  // periods from settlement to maturity
};

// ODDLPRICE and ODDLYIELD(settlement, maturity, last_interest, rate, yld or pr, redemption,
// frequency, [basis]).
OddLastBond odd_last_args(Arguments args) {
  const double settlement = day_arg(args[0]);
  const double maturity = day_arg(args[1]);
  const double last = day_arg(args[2]);
  const double rate = number_arg(args[3]);
  const double redemption = number_arg(args[5]);
  const int frequency = frequency_arg(args[6]);
  const int basis = basis_arg(args[7]);
  check_domain(last < settlement && settlement < maturity,
               "the dates must follow in the order last interest, settlement, maturity");
  check_domain(rate >= 0.0, "the rate must not be negative");
  check_domain(redemption > 0.0, "the redemption must be positive");
  const Date anchor = date_of(last);
  const int step = 12 / frequency;
  OddShares shares;
  for (int i = 1;; ++i) {
    const double start = coupon_date(anchor, -(i - 1) * step);
    const double end = coupon_date(anchor, -i * step);
    add_quasi_period(shares, start, end, last, maturity, settlement, basis, frequency);
    if (end >= maturity) break;
  }
  const double coupon = 100.0 * rate / frequency;
  return {redemption + coupon * shares.coupon, coupon * shares.accrued, shares.remaining / frequency};
}

kx::Value odd_last_price(Arguments args) {
  const OddLastBond bond = odd_last_args(args);
  const double yield = number_arg(args[4]);
  check_domain(yield >= 0.0, "the yield must not be negative");
  return bond.coupon_value / (1.0 + bond.remaining_share * yield) - bond.accrued;
}

kx::Value odd_last_yield(Arguments args) {
  const OddLastBond bond = odd_last_args(args);
  const double price = number_arg(args[4]);
  check_domain(price > 0.0, "the price must be positive");
  const double paid = price + bond.accrued;
  return (bond.coupon_value - paid) / paid / bond.remaining_share;
}

constexpr SheetFunction kFunctions[] = {
    {"COUPPCD", 3, 4, kSingleValues, previous_coupon, "settlement, maturity, frequency, [basis]"},
    {"COUPNCD", 3, 4, kSingleValues, next_coupon, "settlement, maturity, frequency, [basis]"},
    {"COUPNUM", 3, 4, kSingleValues, coupon_count, "settlement, maturity, frequency, [basis]"},
    {"COUPDAYBS", 3, 4, kSingleValues, days_since_coupon, "settlement, maturity, frequency, [basis]"},
    {"COUPDAYS", 3, 4, kSingleValues, coupon_period_days, "settlement, maturity, frequency, [basis]"},
    {"COUPDAYSNC", 3, 4, kSingleValues, days_to_coupon, "settlement, maturity, frequency, [basis]"},
    {"PRICE", 6, 7, kSingleValues, price, "settlement, maturity, rate, yld, redemption, frequency, [basis]"},
    {"YIELD", 6, 7, kSingleValues, yield, "settlement, maturity, rate, pr, redemption, frequency, [basis]"},
    {"DURATION", 5, 6, kSingleValues, duration<false>, "settlement, maturity, coupon, yld, frequency, [basis]"},
    {"MDURATION", 5, 6, kSingleValues, duration<true>, "settlement, maturity, coupon, yld, frequency, [basis]"},
    {"ACCRINT", 6, 8, kSingleValues, accrued_interest,
     "issue, first_interest, settlement, rate, par, frequency, [basis], [calc_method]"},
    {"ACCRINTM", 3, 5, kSingleValues, accrued_interest_at_maturity, "issue, settlement, rate, [par], [basis]"},
    {"PRICEDISC", 4, 5, kSingleValues, discounted_price, "settlement, maturity, discount, redemption, [basis]"},
    {"DISC", 4, 5, kSingleValues, gain_rate<true>, "settlement, maturity, pr, redemption, [basis]"},
    {"YIELDDISC", 4, 5, kSingleValues, gain_rate<false>, "settlement, maturity, pr, redemption, [basis]"},
    {"INTRATE", 4, 5, kSingleValues, gain_rate<false>, "settlement, maturity, investment, redemption, [basis]"},
    {"RECEIVED", 4, 5, kSingleValues, amount_received, "settlement, maturity, investment, discount, [basis]"},
    {"PRICEMAT", 5, 6, kSingleValues, price_at_maturity, "settlement, maturity, issue, rate, yld, [basis]"},
    {"YIELDMAT", 5, 6, kSingleValues, yield_at_maturity, "settlement, maturity, issue, rate, pr, [basis]"},
    {"TBILLPRICE", 3, 3, kSingleValues, bill_price, "settlement, maturity, discount"},
    {"TBILLYIELD", 3, 3, kSingleValues, bill_yield, "settlement, maturity, pr"},
    {"TBILLEQ", 3, 3, kSingleValues, bill_equivalent, "settlement, maturity, discount"},
    {"ODDFPRICE", 8, 9, kSingleValues, odd_first_price,
     "settlement, maturity, issue, first_coupon, rate, yld, redemption, frequency, [basis]"},
    {"ODDFYIELD", 8, 9, kSingleValues, odd_first_yield,
     "settlement, maturity, issue, first_coupon, rate, pr, redemption, frequency, [basis]"},
    {"ODDLPRICE", 7, 8, kSingleValues, odd_last_price,
     "settlement, maturity, last_interest, rate, yld, redemption, frequency, [basis]"},
    {"ODDLYIELD", 7, 8, kSingleValues, odd_last_yield,
     "settlement, maturity, last_interest, rate, pr, redemption, frequency, [basis]"},
};

}  // namespace

Family securities_functions() { return kFunctions; }

}  // namespace host::worksheet
