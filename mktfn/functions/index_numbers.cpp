// Price and quantity index numbers of a basket between an old and a new period: Laspeyres,
// Paasche, Marshall-Edgeworth and Fisher, each 100 when nothing changed. None of them traps
// its failures.
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

// 100 times the quotient, scaled after dividing so that equal sums give exactly 100.
double index_of(double current, double base) { return checked::mul(100.0, checked::div(current, base)); }

// Laspeyres and Paasche: one SumProduct for each period.
double aggregate_index(kx::Application& host, const Value& current, const Value& base, const Value& weights) {
  return index_of(host_number(host, WorksheetFn::SumProduct, {current, weights}),
                  host_number(host, WorksheetFn::SumProduct, {base, weights}));
}

// Marshall-Edgeworth: the two periods' weights summed item by item over the n items of
// `sizing`. The baskets are read as the other indices read them: ranges or arrays, in a row
// or a column.
double edgeworth_index(const Value& current, const Value& base, const Value& old_weights, const Value& new_weights,
                       const Value& sizing) {
  const std::size_t n = values_of(sizing).size();
  for (const Value* argument : {&current, &base, &old_weights, &new_weights})
    require_length(*argument, static_cast<std::int64_t>(n));
  const std::vector<double> current_items = numbers_of(current);
  const std::vector<double> base_items = numbers_of(base);
  const std::vector<double> old_items = numbers_of(old_weights);
  const std::vector<double> new_items = numbers_of(new_weights);
  double current_total = 0.0;
  double base_total = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double weight = checked::add(old_items[i], new_items[i]);
    current_total = checked::add(current_total, checked::mul(weight, current_items[i]));
    base_total = checked::add(base_total, checked::mul(weight, base_items[i]));
  }
  return index_of(current_total, base_total);
}

// Fisher: the geometric mean of the Laspeyres and Paasche indices, on the same scale.
double fisher_index(const Value& laspeyres, const Value& paasche) {
  return checked::sqrt(checked::mul(kx::to_double(laspeyres), kx::to_double(paasche)));
}

}  // namespace

kx::Value Main::kxLASP(kx::Value& Price_Old, kx::Value& Price_New, kx::Value& Quantity_Old) {
  return aggregate_index(host(), Price_New, Price_Old, Quantity_Old);
}

kx::Value Main::kxPAASCHEP(kx::Value& Price_Old, kx::Value& Price_New, kx::Value& Quantity_New) {
  return aggregate_index(host(), Price_New, Price_Old, Quantity_New);
}

kx::Value Main::kxEDGEP(kx::Value& Price_Old, kx::Value& Price_New, kx::Value& Quantity_Old, kx::Value& Quantity_New) {
  return edgeworth_index(Price_New, Price_Old, Quantity_Old, Quantity_New, Quantity_Old);
}

kx::Value Main::kxFISHERP(kx::Value& Price_Old, kx::Value& Price_New, kx::Value& Quantity_Old,
                          kx::Value& Quantity_New) {
  return fisher_index(kxLASP(Price_Old, Price_New, Quantity_Old), kxPAASCHEP(Price_Old, Price_New, Quantity_New));
}

kx::Value Main::kxLASQ(kx::Value& Price_Old, kx::Value& Quantity_Old, kx::Value& Quantity_New) {
  return aggregate_index(host(), Quantity_New, Quantity_Old, Price_Old);
}

kx::Value Main::kxPAASCHEQ(kx::Value& Price_New, kx::Value& Quantity_Old, kx::Value& Quantity_New) {
  return aggregate_index(host(), Quantity_New, Quantity_Old, Price_New);
}

kx::Value Main::kxEDGEQ(kx::Value& Price_Old, kx::Value& Price_New, kx::Value& Quantity_Old, kx::Value& Quantity_New) {
  return edgeworth_index(Quantity_New, Quantity_Old, Price_Old, Price_New, Quantity_Old);
}

kx::Value Main::kxFISHERQ(kx::Value& Price_Old, kx::Value& Price_New, kx::Value& Quantity_Old,
                          kx::Value& Quantity_New) {
  return fisher_index(kxLASQ(Price_Old, Quantity_Old, Quantity_New), kxPAASCHEQ(Price_New, Quantity_Old, Quantity_New));
}

}  // namespace mktfn
