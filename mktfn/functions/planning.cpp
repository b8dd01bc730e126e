// Growth, time and planning: growth rates and their inverse, compound annual growth,
// interpolation between two cells, the learning curve, PERT estimates, seasonal averages,
// gross rating points, buying rates, repeat buying and break-even points.
#include <cmath>
#include <cstdint>
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

double pert_spread(const Value& optimistic, const Value& pessimistic) {
  return checked::div(checked::sub(kx::to_double(pessimistic), kx::to_double(optimistic)), 6.0);
}

}  // namespace

kx::Value Main::kxGROWTH(kx::Value& Previous_Values, kx::Value& Latest_Values) {
  return trapped(*this, [&] {
    const std::int32_t rows = rows_count(Previous_Values);
    const std::int32_t columns = columns_count(Previous_Values);
    require_shape(Latest_Values, rows, columns);
    kx::Array growth(static_cast<std::size_t>(rows), static_cast<std::size_t>(columns));
    for (std::int32_t i = 1; i <= rows; ++i) {
      for (std::int32_t j = 1; j <= columns; ++j) {
        growth.at(static_cast<std::size_t>(i - 1), static_cast<std::size_t>(j - 1)) =
            checked::div(number_at(Latest_Values, i, j), number_at(Previous_Values, i, j)) - 1.0;
      }
    }
    return growth;
  });
}

kx::Value Main::kxGROWTHBACK(kx::Value& Values, kx::Value& Growth) {
  return trapped(*this, [&] {
    const double growth = kx::to_double(Growth);
    // A fall of 100 % or more leaves nothing to grow from.
    if (growth <= -1.0) return 0.0;
    return checked::div(kx::to_double(Values), 1.0 + growth);
  });
}

kx::Value Main::kxCAGR(double Last_Period, double Previous_Period, std::int16_t& Number_Periods) {
  const double periods = Number_Periods == 0 ? 2.0 : Number_Periods;
  return checked::sub(checked::pow(checked::div(Last_Period, Previous_Period), 1.0 / periods), 1.0);
}

kx::Value Main::kxINTERPOLE(kx::Value& Min_Value, kx::Value& Max_Value) {
  return trapped(*this, [&] {
    const kx::Range& low = range_of(Min_Value);
    const kx::Range& high = range_of(Max_Value);
    std::int32_t gap = 0;
    if (low.row() == high.row()) {
      gap = high.column() - low.column();
    } else if (low.column() == high.column()) {
      gap = high.row() - low.row();
    }
    // Only the cells strictly between the two: neighbours, or cells in the wrong order, have none.
    if (gap < 2) throw kx::Failure(kx::error::kSubscriptOutOfRange, "No cells lie between Min_Value and Max_Value");
    const double from = kx::to_double(Min_Value);
    const double step = checked::div(checked::sub(kx::to_double(Max_Value), from), gap);
    kx::Array between = kx::Array::vector(static_cast<std::size_t>(gap - 1));
    for (std::int32_t i = 0; i < gap - 1; ++i) between.at(static_cast<std::size_t>(i)) = from + (i + 1) * step;
    return between;
  });
}

kx::Value Main::kxLEARN(kx::Value& Time_First_Units, kx::Value& Learning_Rate, kx::Value& Units) {
  // Through the WorksheetFunction object: a logarithm that cannot be taken fails the call.
  const auto functions = host().worksheet_function();
  const double doubling = checked::div(kx::to_double(functions->call(WorksheetFn::Ln, {Learning_Rate})),
                                       kx::to_double(functions->call(WorksheetFn::Ln, {2.0})));
  return checked::mul(kx::to_double(Time_First_Units), checked::pow(kx::to_double(Units), doubling));
}

double Main::kxPERTT(double Optimistic, double Most_Likely, double Pessimistic) {
  return checked::div(checked::add(checked::add(Optimistic, checked::mul(4.0, Most_Likely)), Pessimistic), 6.0);
}

kx::Value Main::kxPERTSD(const kx::Value& Optimistic, const kx::Value& Pessimistic) {
  return pert_spread(Optimistic, Pessimistic);
}

kx::Value Main::kxPERTVAR(const kx::Value& Optimistic, const kx::Value& Pessimistic) {
  const double spread = pert_spread(Optimistic, Pessimistic);
  return checked::mul(spread, spread);
}

kx::Value Main::kxSEASON(kx::Value& Actual_Data, std::int16_t& Cycle_Length, std::int16_t& Cycle_Start) {
  if (Cycle_Start > Cycle_Length) return value_error();
  const std::int32_t n = rows_count(Actual_Data);
  if (Cycle_Length == 0) throw kx::Failure(kx::error::kDivisionByZero, "Division by zero: Cycle_Length is 0");
  if (Cycle_Length < 0) throw kx::Failure(kx::error::kSubscriptOutOfRange, "Cycle_Length must be positive");
  // Observation i (from 0) has position (i mod L) + 1 in its cycle.
  const auto length = static_cast<std::size_t>(Cycle_Length);
  std::vector<double> sums(length, 0.0);
  std::vector<double> counts(length, 0.0);
  for (std::int32_t i = 0; i < n; ++i) {
    const std::size_t position = static_cast<std::size_t>(i) % length;
    sums[position] = checked::add(sums[position], number_at(Actual_Data, i + 1));
    counts[position] += 1.0;
  }
  // A position without observations stays empty.
  kx::Array averages(length, 1);
  for (std::size_t p = 0; p < length; ++p) {
    if (counts[p] > 0.0) averages.at(p, 0) = sums[p] / counts[p];
  }
  return averages;
}

kx::Value Main::kxGRP(kx::Value& Reach, kx::Value& Frequency) {
  if (Reach.is_range() && Frequency.is_range() && rows_count(Reach) > 1 && rows_count(Frequency) > 1) {
    require_length(Frequency, rows_count(Reach));
    double points = 0.0;
    for (std::int32_t i = 1; i <= rows_count(Reach); ++i) {
      points = checked::add(points, checked::mul(checked::mul(100.0, number_at(Reach, i)), number_at(Frequency, i)));
    }
    return points;
  }
  // 100 · Reach · Frequency from the left: a reach given in percent times 100 is mostly whole,
  // so 0.6 at 3 gives 180 rather than 179.99999999999997.
  return checked::mul(checked::mul(100.0, kx::to_double(Reach)), kx::to_double(Frequency));
}

double Main::kxBUYRATE(double Max_Buyers, double Buyers, std::int16_t& Buy_Time) {
  if (Buy_Time == 0) return 0.0;
  // The exponent doubles with each unit of Buy_Time.
  const double exponent = checked::pow(2.0, Buy_Time - 1.0);
  return checked::mul(Max_Buyers, checked::sub(1.0, checked::pow(checked::sub(1.0, Buyers), exponent)));
}

double Main::kxREBUY(double Switch_To_New, double Rebuy_New) {
  return checked::div(Switch_To_New, checked::sub(checked::add(Switch_To_New, 1.0), Rebuy_New));
}

kx::Value Main::kxREBUYS(kx::Value& Buy_Probability) {
  const double probability = kx::to_double(Buy_Probability);
  return checked::div(probability, checked::mul(1.0 - probability, 1.0 - probability));
}

double Main::kxBEP(kx::Value& Price, double Variable_Cost, double Fix_Cost, bool& Do_Value) {
  const double price = kx::to_double(Price);
  const double margin = checked::sub(price, Variable_Cost);
  // The break-even revenue divides by the margin as a share of the price.
  return Do_Value ? checked::div(Fix_Cost, checked::div(margin, price)) : checked::div(Fix_Cost, margin);
}

double Main::kxBEPR(kx::Value& Price, double Variable_Cost, double Fix_Cost, float Commission, bool& Do_Value) {
  const double price = kx::to_double(Price);
  const double quantity =
      checked::div(Fix_Cost, checked::sub(checked::sub(price, Variable_Cost), checked::mul(Commission, price)));
  return Do_Value ? checked::mul(price, quantity) : quantity;
}

}  // namespace mktfn
