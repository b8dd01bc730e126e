// The database functions: a table whose first row names its fields, a field chosen by name
// or number, and a criteria range whose header names fields and whose rows each give
// conditions that must all hold; a record counts when any criteria row holds for it.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "common/text_compare.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/criteria.hpp"
#include "host/worksheet/families.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

// The column of the table a field names: its label without case, or its number from 1.
std::size_t field_column(const Grid& table, const kx::Value& field_arg) {
  const kx::Value field = single_arg(field_arg);
  if (field.is_error()) raise_error(field.error().number, "the field is an error value");
  if (field.is_number()) {
    const double number = std::trunc(field.number());
    if (number < 1.0 || number > static_cast<double>(table.columns())) {
      raise_error(kx::error::kXlValue, "the field number lies outside the table");
    }
    return static_cast<std::size_t>(number) - 1;
  }
  const std::string label = text_arg(field);
  for (std::size_t column = 0; column < table.columns(); ++column) {
    const kx::Value& header = table.at(0, column);
    if (!header.is_empty() && kx::equals_ignore_case(text_arg(header), label)) return column;
  }
  raise_error(kx::error::kXlValue, "no field of the table is named \"" + label + "\"");
}

// A condition of the criteria range: a plain text matches the texts that begin with it, as
// a filter's criteria do; "=text" matches the whole text.
struct Condition {
  std::size_t column;
  Criterion criterion;
};

Criterion criterion_of(const kx::Value& cell) {
  if (cell.is_text() && !cell.text().empty() && cell.text().find_first_of("<>=") != 0) {
    return Criterion(kx::Value(cell.text() + "*"));
  }
  return Criterion(cell);
}

// The table's records (1-based rows below the header) that meet the criteria.
std::vector<std::size_t> records_meeting(const Grid& table, const kx::Value& criteria_arg) {
  const Grid criteria(criteria_arg);
  if (criteria.rows() < 2) raise_error(kx::error::kXlValue, "the criteria need a header and at least one row");
  std::vector<std::vector<Condition>> alternatives;
  for (std::size_t row = 1; row < criteria.rows(); ++row) {
    std::vector<Condition> conditions;
    for (std::size_t column = 0; column < criteria.columns(); ++column) {
      const kx::Value& cell = criteria.at(row, column);
      if (cell.is_empty() || (cell.is_text() && cell.text().empty())) continue;
      conditions.push_back({field_column(table, criteria.at(0, column)), criterion_of(cell)});
    }
    alternatives.push_back(std::move(conditions));
  }
  std::vector<std::size_t> records;
  for (std::size_t record = 1; record < table.rows(); ++record) {
    const bool meets = std::any_of(alternatives.begin(), alternatives.end(), [&](const std::vector<Condition>& all) {
      return std::all_of(all.begin(), all.end(),
                         [&](const Condition& c) { return c.criterion.matches(table.at(record, c.column)); });
    });
    if (meets) records.push_back(record);
  }
  return records;
}

// The values of the field in the records meeting the criteria.
std::vector<kx::Value> field_values(Arguments args) {
  const Grid table(args[0]);
  if (table.rows() < 1) raise_error(kx::error::kXlValue, "the table needs a header row");
  const std::size_t column = field_column(table, args[1]);
  std::vector<kx::Value> values;
  for (const std::size_t record : records_meeting(table, args[2])) values.push_back(table.at(record, column));
  return values;
}

std::vector<double> field_numbers(Arguments args) {
  std::vector<double> numbers;
  for (const kx::Value& value : field_values(args)) {
    if (holds_number(value)) numbers.push_back(value.number());
  }
  return numbers;
}

kx::Value d_sum(Arguments args) {
  const std::vector<double> numbers = field_numbers(args);
  return std::accumulate(numbers.begin(), numbers.end(), 0.0);
}

kx::Value d_product(Arguments args) {
  const std::vector<double> numbers = field_numbers(args);
  if (numbers.empty()) return 0.0;
  return std::accumulate(numbers.begin(), numbers.end(), 1.0, std::multiplies<>());
}

kx::Value d_average(Arguments args) {
  const std::vector<double> numbers = field_numbers(args);
  if (numbers.empty()) raise_error(kx::error::kXlDiv0, "no record meets the criteria");
  return std::accumulate(numbers.begin(), numbers.end(), 0.0) / static_cast<double>(numbers.size());
}

template <bool Largest>
kx::Value d_extreme(Arguments args) {
  const std::vector<double> numbers = field_numbers(args);
  if (numbers.empty()) return 0.0;
  return Largest ? *std::max_element(numbers.begin(), numbers.end())
                 : *std::min_element(numbers.begin(), numbers.end());
}

// Without a field, DCOUNT and DCOUNTA count the records themselves.
template <bool Numbers>
kx::Value d_count(Arguments args) {
  if (is_omitted(args[1])) {
    const Grid table(args[0]);
    return static_cast<double>(records_meeting(table, args[2]).size());
  }
  double count = 0.0;
  for (const kx::Value& value : field_values(args)) {
    if (Numbers ? value.is_number() : !value.is_empty()) count += 1.0;
  }
  return count;
}

kx::Value d_get(Arguments args) {
  const std::vector<kx::Value> values = field_values(args);
  if (values.empty()) raise_error(kx::error::kXlValue, "no record meets the criteria");
  if (values.size() > 1) raise_error(kx::error::kXlNum, "more than one record meets the criteria");
  return values.front();
}

template <bool Sample, bool Root>
kx::Value d_variance(Arguments args) {
  const std::vector<double> numbers = field_numbers(args);
  if (numbers.size() < (Sample ? 2u : 1u)) raise_error(kx::error::kXlDiv0, "too few records meet the criteria");
  const double variance = squared_deviations(numbers) / static_cast<double>(numbers.size() - (Sample ? 1 : 0));
  return Root ? std::sqrt(variance) : variance;
}

constexpr SheetFunction kFunctions[] = {
    {"DSUM", 3, 3, kArrays, d_sum, "database, field, criteria"},
    {"DAVERAGE", 3, 3, kArrays, d_average, "database, field, criteria"},
    {"DCOUNT", 3, 3, kArrays, d_count<true>, "database, [field], criteria"},
    {"DCOUNTA", 3, 3, kArrays, d_count<false>, "database, [field], criteria"},
    {"DGET", 3, 3, kArrays, d_get, "database, field, criteria"},
    {"DMAX", 3, 3, kArrays, d_extreme<true>, "database, field, criteria"},
    {"DMIN", 3, 3, kArrays, d_extreme<false>, "database, field, criteria"},
    {"DPRODUCT", 3, 3, kArrays, d_product, "database, field, criteria"},
    {"DSTDEV", 3, 3, kArrays, d_variance<true, true>, "database, field, criteria"},
    {"DSTDEVP", 3, 3, kArrays, d_variance<false, true>, "database, field, criteria"},
    {"DVAR", 3, 3, kArrays, d_variance<true, false>, "database, field, criteria"},
    {"DVARP", 3, 3, kArrays, d_variance<false, false>, "database, field, criteria"},
};

}  // namespace

Family database_functions() { return kFunctions; }

}  // namespace host::worksheet
