#include "riskfn/fitting/result_table.hpp"

#include <algorithm>
#include <numeric>
#include <vector>

#include "common/failure.hpp"
#include "common/number_format.hpp"

namespace riskfn::fitting {
namespace {

constexpr std::int32_t kFirstStoredColumn = 2;  // name, distance, five parameters
constexpr std::int32_t kLastColumn = 8;

std::size_t offset(const kx::Array& table, std::int32_t row, std::int32_t column) {
  const std::int64_t r = std::int64_t{row} - table.lower_bound(1);
  const std::int64_t c = std::int64_t{column} - table.lower_bound(2);
  if (table.dimensions() != 2 || r < 0 || c < 0 || r >= static_cast<std::int64_t>(table.rows()) ||
      c >= static_cast<std::int64_t>(table.columns())) {
    throw kx::Failure(kx::error::kSubscriptOutOfRange, "Subscript out of range: no cell (" + std::to_string(row) +
                                                           ", " + std::to_string(column) + ") in the table");
  }
  return static_cast<std::size_t>(r) * table.columns() + static_cast<std::size_t>(c);
}

kx::Value formatted(const kx::Value& value, char decimal_separator) {
  if (value.is_number()) return kx::format_number(value.number(), "0.0000", decimal_separator);
  return value;
}

}  // namespace

kx::Value& table_cell(kx::Array& table, std::int32_t row, std::int32_t column) {
  return table.at(offset(table, row, column));
}

const kx::Value& table_cell(const kx::Array& table, std::int32_t row, std::int32_t column) {
  return table.at(offset(table, row, column));
}

kx::Array writable_table(const kx::Value& table) {
  if (!table.is_array()) throw kx::Failure(kx::error::kTypeMismatch, "Type mismatch: the table is no array");
  return table.array();
}

void store_fit_row(kx::Array& table, std::span<const std::string, 8> titles, std::int32_t row, const std::string& name,
                   const kx::Value& distance, std::span<const kx::Value, 5> parameters, char decimal_separator) {
  for (std::int32_t column = 1; column <= kLastColumn; ++column) table_cell(table, 0, column) = titles[column - 1];
  table_cell(table, row, 1) = 1.0;
  table_cell(table, row, 2) = name;
  table_cell(table, row, 3) = formatted(distance, decimal_separator);
  for (std::int32_t slot = 0; slot < 5; ++slot)
    table_cell(table, row, 4 + slot) = formatted(parameters[slot], decimal_separator);
}

void rank_fit_rows(kx::Array& table, std::int32_t rows, std::span<const std::optional<double>> distances) {
  std::vector<std::int32_t> order(static_cast<std::size_t>(rows));
  std::iota(order.begin(), order.end(), 1);
  const auto distance_of = [&](std::int32_t row) {
    const auto index = static_cast<std::size_t>(row);
    return index < distances.size() ? distances[index] : std::nullopt;
  };
  std::stable_sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) {
    const std::optional<double> da = distance_of(a);
    const std::optional<double> db = distance_of(b);
    if (da && db) return *da < *db;
    return da.has_value() && !db.has_value();
  });
  std::vector<std::array<kx::Value, kLastColumn - kFirstStoredColumn + 1>> moved(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    for (std::int32_t column = kFirstStoredColumn; column <= kLastColumn; ++column)
      moved[i][column - kFirstStoredColumn] = table_cell(table, order[i], column);
  }
  for (std::int32_t rank = 1; rank <= rows; ++rank) {
    table_cell(table, rank, 1) = static_cast<double>(rank);
    for (std::int32_t column = kFirstStoredColumn; column <= kLastColumn; ++column)
      table_cell(table, rank, column) = moved[rank - 1][column - kFirstStoredColumn];
  }
}

}  // namespace riskfn::fitting
