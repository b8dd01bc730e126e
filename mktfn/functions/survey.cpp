// Survey coding, scoring and lookups: recoding answers through a code frame, customer
// satisfaction indices, two-key average, count and sum over a table, and the customer-value
// measures of relative performance and price.
#include <cstdint>
#include <string>
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

bool same_value(const Value& a, const Value& b) { return kx::compare_values(a, b) == 0; }

// The matching rows of a table: a count kept in 16 bits and a sum kept in single precision.
struct Lookup {
  std::int16_t count = 0;
  float sum = 0.0F;
};

Lookup look_up(const Value& label1, const Value& column1, const Value& label2, const Value& column2,
               const Value& search_column, const Value& database) {
  const std::int32_t first = kx::to_int32(column1);
  const std::int32_t second = kx::to_int32(column2);
  const std::int32_t searched = kx::to_int32(search_column);
  const std::int32_t rows = rows_count(database);
  for (const std::int32_t column : {first, second, searched}) {
    if (column < 1 || column > columns_count(database)) {
      throw kx::Failure(kx::error::kSubscriptOutOfRange,
                        "Subscript out of range: column " + std::to_string(column) + " lies outside the table");
    }
  }
  Lookup found;
  for (std::int32_t i = 1; i <= rows; ++i) {
    if (!same_value(cell(database, i, first), label1) || !same_value(cell(database, i, second), label2)) continue;
    found.count = counter_limit(std::int64_t{found.count} + 1);
    found.sum = kx::to_single(checked::add(found.sum, number_at(database, i, searched)));
  }
  return found;
}

}  // namespace

kx::Value Main::kxCODING(kx::Value& To_Be_Coded, kx::Value& Code_Frame, kx::Value& Output_Code) {
  return trapped(*this, [&]() -> Value {
    const std::int32_t codes = rows_count(Code_Frame);
    if (rows_count(Output_Code) != codes) return value_error();
    const std::vector<Value> answers = values_of(To_Be_Coded);
    kx::Array coded(answers.size(), 1);
    for (std::size_t i = 0; i < answers.size(); ++i) {
      // The first entry of the code frame that matches gives the code; no match gives FALSE.
      Value code = false;
      for (std::int32_t k = 1; k <= codes; ++k) {
        if (same_value(element(Code_Frame, k), answers[i])) {
          code = element(Output_Code, k);
          break;
        }
      }
      coded.at(i, 0) = std::move(code);
    }
    return coded;
  });
}

kx::Value Main::kxCSII(kx::Value& Scores, kx::Value& Weights, std::int16_t& Max_Score, kx::Value& Database,
                       kx::Value& Group_Name) {
  double score = 0.0;
  double weight = 0.0;
  if (is_omitted(Database)) {
    kx::Application& app = host();
    score = host_number(app, WorksheetFn::Average, {Scores});
    weight = host_number(app, WorksheetFn::Average, {Weights});
  } else {
    // The group's means, through the WorksheetFunction object: a failing call fails this one.
    const auto functions = host().worksheet_function();
    const double members = kx::to_double(functions->call(WorksheetFn::CountIf, {Database, Group_Name}));
    score = checked::div(kx::to_double(functions->call(WorksheetFn::SumIf, {Database, Group_Name, Scores})), members);
    weight = checked::div(kx::to_double(functions->call(WorksheetFn::SumIf, {Database, Group_Name, Weights})), members);
  }
  // The mean score moved from the scale 1 ... Max_Score to 0 ... 1, weighted by the mean weight.
  return checked::div(checked::mul(score - 1.0, weight), Max_Score - 1.0);
}

kx::Value Main::kxCSIW(kx::Value& Score_Frequencies, kx::Value& Weights) {
  kx::Application& app = host();
  return checked::div(host_number(app, WorksheetFn::SumProduct, {Weights, Score_Frequencies}),
                      host_number(app, WorksheetFn::Max, {Weights}));
}

kx::Value Main::kxDBAVG(kx::Value& Label1, kx::Value& Col1, kx::Value& Label2, kx::Value& Col2,
                        kx::Value& Search_Column, kx::Value& Database) {
  const Lookup found = look_up(Label1, Col1, Label2, Col2, Search_Column, Database);
  return kx::to_single(checked::div(found.sum, found.count));
}

kx::Value Main::kxDBCOUNT(kx::Value& Label1, kx::Value& Col1, kx::Value& Label2, kx::Value& Col2,
                          kx::Value& Search_Column, kx::Value& Database) {
  return look_up(Label1, Col1, Label2, Col2, Search_Column, Database).count;
}

kx::Value Main::kxDBSUM(kx::Value& Label1, kx::Value& Col1, kx::Value& Label2, kx::Value& Col2,
                        kx::Value& Search_Column, kx::Value& Database) {
  return look_up(Label1, Col1, Label2, Col2, Search_Column, Database).sum;
}

kx::Value Main::kxPERFCV(kx::Value& Relative_Performance, kx::Value& Relative_Price) {
  return checked::sub(kx::to_double(Relative_Performance), kx::to_double(Relative_Price));
}

kx::Value Main::kxPERFO(kx::Value& Input_Ranks) {
  return checked::div(host_number(host(), WorksheetFn::Sum, {Input_Ranks}), rows_count(Input_Ranks));
}

kx::Value Main::kxPERFR(kx::Value& Input_Number, kx::Value& Overall_Performance) {
  const double average =
      checked::div(host_number(host(), WorksheetFn::Sum, {Overall_Performance}), columns_count(Overall_Performance));
  return checked::div(checked::mul(100.0, kx::to_double(Input_Number)), average);
}

}  // namespace mktfn
