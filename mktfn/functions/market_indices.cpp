// Market and brand indices: development and opportunity indices across areas, brand equity,
// concentration, share of market against share of advertising, share tables, relative
// values, price premium, the pressure index and the evolution index.
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

// Indices laid out along a row for row data, else down a column.
kx::Array index_line(std::size_t count, bool along_row) {
  return along_row ? kx::Array(1, count) : kx::Array(count, 1);
}

// A total given by the caller, or the sum of the figures.
double total_of(kx::Application& host, const Value& total, const Value& figures) {
  return is_omitted(total) ? host_number(host, WorksheetFn::Sum, {figures}) : kx::to_double(total);
}

// The development index of each area: its share of the figures against its share of the
// market size, times 100. Shared by the brand and the category index.
Value development_index(const Main& main, const Value& sizes, const Value& figures, const Value& total_size,
                        const Value& total_figures) {
  return trapped(main, [&] {
    const kx::Range& range = range_of(figures);
    const bool along_row = range.column_count() > 1;
    const std::int32_t n = along_row ? range.column_count() : range.row_count();
    require_length(sizes, n);
    kx::Application& host = main.host();
    const double size_total = total_of(host, total_size, sizes);
    const double figure_total = total_of(host, total_figures, figures);
    kx::Array indices = index_line(static_cast<std::size_t>(n), along_row);
    for (std::int32_t i = 1; i <= n; ++i) {
      const double size_share = checked::div(number_at(sizes, i), size_total);
      const double figure_share = checked::div(number_at(figures, i), figure_total);
      indices.at(static_cast<std::size_t>(i - 1)) = checked::div(checked::mul(100.0, figure_share), size_share);
    }
    return indices;
  });
}

}  // namespace

kx::Value Main::kxBDI(kx::Value& Area_Size, kx::Value& Brand_Size, kx::Value& Total_Area, kx::Value& Total_Brand) {
  return development_index(*this, Area_Size, Brand_Size, Total_Area, Total_Brand);
}

kx::Value Main::kxCDI(kx::Value& Area_Size, kx::Value& Area_Value, kx::Value& Total_Size, kx::Value& Total_Value) {
  return development_index(*this, Area_Size, Area_Value, Total_Size, Total_Value);
}

kx::Value Main::kxMOI(kx::Value& Area_Size, kx::Value& Brand_Size, kx::Value& Area_Value, kx::Value& Total_Area_Size,
                      kx::Value& Total_Brand, kx::Value& Total_Area_Value) {
  return trapped(*this, [&]() -> Value {
    const Value category = kxCDI(Area_Size, Area_Value, Total_Area_Size, Total_Area_Value);
    const Value brand = kxBDI(Area_Size, Brand_Size, Total_Area_Size, Total_Brand);
    if (category.is_error() || brand.is_error()) return value_error();
    const kx::Array& c = category.array();
    const kx::Array& b = brand.array();
    if (c.size() != b.size()) throw kx::Failure(kx::error::kSubscriptOutOfRange);
    kx::Array indices = index_line(c.size(), columns_count(Area_Value) > 1);
    for (std::size_t i = 0; i < c.size(); ++i) {
      indices.at(i) = checked::div(kx::to_double(c.at(i)), kx::to_double(b.at(i)));
    }
    return indices;
  });
}

double Main::kxBEI(double Market_Share, double Average_Market_Price, double Brand_Price, double Loyalty_Index,
                   double Brand_Profit) {
  const double profit = Brand_Profit == 0.0 ? 1.0 : Brand_Profit;
  return checked::mul(
      checked::mul(checked::div(checked::mul(Market_Share, Brand_Price), Average_Market_Price), Loyalty_Index), profit);
}

kx::Value Main::kxHERF(kx::Value& Market_Shares) { return host_number(host(), WorksheetFn::SumSq, {Market_Shares}); }

kx::Value Main::kxMSAR(kx::Value& Market_Share, kx::Value& Product_Adv_Investment, kx::Value& Tot_Adv_Investment) {
  const double share = kx::to_double(Market_Share);
  const double advertising = kx::to_double(Product_Adv_Investment);
  // Without a total, Product_Adv_Investment is the advertising share already.
  if (is_omitted(Tot_Adv_Investment)) return checked::div(share, advertising);
  return checked::div(share, checked::div(advertising, kx::to_double(Tot_Adv_Investment)));
}

kx::Value Main::kxSHARE(kx::Value& Database, std::int16_t& Direction, bool& Relative_Share) {
  return trapped(*this, [&] {
    const kx::Range& range = range_of(Database);
    const std::int32_t rows = range.row_count();
    const std::int32_t columns = range.column_count();
    const bool within_rows = Direction >= 2;
    const WorksheetFn divisor_fn = Relative_Share ? WorksheetFn::Max : WorksheetFn::Sum;
    kx::Application& host = this->host();
    std::vector<double> divisors;
    for (std::int32_t k = 1; k <= (within_rows ? rows : columns); ++k) {
      divisors.push_back(host_number(host, divisor_fn, {within_rows ? range.rows(k) : range.columns(k)}));
    }
    kx::Array shares(static_cast<std::size_t>(rows), static_cast<std::size_t>(columns));
    for (std::int32_t i = 1; i <= rows; ++i) {
      for (std::int32_t j = 1; j <= columns; ++j) {
        const double divisor = divisors[static_cast<std::size_t>((within_rows ? i : j) - 1)];
        shares.at(static_cast<std::size_t>(i - 1), static_cast<std::size_t>(j - 1)) =
            checked::div(number_at(Database, i, j), divisor);
      }
    }
    return shares;
  });
}

kx::Value Main::kxRELATIVE(kx::Value& Input_Number, kx::Value& Database, bool& Is_Average) {
  const double number = kx::to_double(Input_Number);
  kx::Application& host = this->host();
  if (!Is_Average) return checked::div(number, host_number(host, WorksheetFn::Max, {Database}));
  const double average = checked::div(host_number(host, WorksheetFn::Sum, {Database}), columns_count(Database));
  return checked::div(number, average);
}

double Main::kxPREMIUM(double Brand_Price, double Benchmark_Price) {
  return checked::div(checked::sub(Brand_Price, Benchmark_Price), Benchmark_Price);
}

kx::Value Main::kxPRESS(const kx::Value& Contribution_Margin, const kx::Value& Facility_Cost, bool& Squared_Index) {
  const double power = Squared_Index ? 2.0 : 1.0;
  kx::Application& host = this->host();
  // The totals are kept in single precision.
  const double margin_total = kx::to_single(host_number(host, WorksheetFn::Sum, {Contribution_Margin}));
  const double cost_total = kx::to_single(host_number(host, WorksheetFn::Sum, {Facility_Cost}));
  const std::int32_t n = rows_count(Contribution_Margin);
  require_shape(Facility_Cost, n, 1);
  kx::Array indices(static_cast<std::size_t>(n), 1);
  for (std::int32_t i = 1; i <= n; ++i) {
    const double margin_share = checked::div(number_at(Contribution_Margin, i, 1), margin_total);
    const double cost_share = checked::div(number_at(Facility_Cost, i, 1), cost_total);
    indices.at(static_cast<std::size_t>(i - 1)) = checked::div(checked::pow(margin_share, power), cost_share);
  }
  return indices;
}

kx::Value Main::kxEI(kx::Value& Previous_Values, kx::Value& Last_Values, kx::Value& Market_Values) {
  return trapped(*this, [&]() -> Value {
    const std::int32_t n = rows_count(Previous_Values);
    if (rows_count(Last_Values) != n) return value_error();
    kx::Application& host = this->host();
    // One market growth for all items; or, with Market_Values, item i takes market row i when
    // there are as many market rows as items, else the first market row.
    double market_growth = 0.0;
    std::int32_t market_rows = 0;
    if (is_omitted(Market_Values)) {
      market_growth = checked::div(host_number(host, WorksheetFn::Sum, {Last_Values}),
                                   host_number(host, WorksheetFn::Sum, {Previous_Values})) -
                      1.0;
    } else {
      // Each market row holds the previous value, then the latest.
      market_rows = rows_count(Market_Values);
      require_shape(Market_Values, 1, 2);
    }
    kx::Array indices(static_cast<std::size_t>(n), 1);
    for (std::int32_t i = 1; i <= n; ++i) {
      const double growth = checked::div(number_at(Last_Values, i, 1), number_at(Previous_Values, i, 1)) - 1.0;
      if (market_rows > 0) {
        const std::int32_t row = market_rows == n ? i : 1;
        market_growth = checked::div(number_at(Market_Values, row, 2), number_at(Market_Values, row, 1)) - 1.0;
      }
      indices.at(static_cast<std::size_t>(i - 1)) = checked::div(100.0 * (1.0 + growth), 1.0 + market_growth);
    }
    return indices;
  });
}

}  // namespace mktfn
