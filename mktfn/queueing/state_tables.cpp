#include "mktfn/queueing/state_tables.hpp"

#include <algorithm>
#include <limits>

#include "common/checked_math.hpp"

namespace mktfn {

double StateTable::column_sum(std::size_t column) const {
  double sum = 0.0;
  for (std::size_t row = 0; row < rows(); ++row) sum += at(row, column);
  return kx::checked::finite(sum);
}

std::vector<double> StateTable::probabilities_from(double boundary) const {
  std::vector<double> bars;
  for (std::size_t row = 0; row < rows(); ++row) {
    if (at(row, probability_column) >= boundary) bars.push_back(at(row, probability_column));
  }
  return bars;
}

kx::Value StateTable::to_array() const {
  kx::Array array(rows(), columns, 0, 0);
  std::transform(cells.begin(), cells.end(), array.values().begin(), [](double cell) { return kx::Value(cell); });
  return array;
}

StateTable mms_table(double offered_load, std::int16_t servers, double tail) {
  constexpr std::size_t kRows = 60001;
  const double r = offered_load;
  const double s = servers;
  StateTable table{4, 2, std::vector<double>(kRows * 4)};
  auto cell = [&](std::size_t n, std::size_t column) -> double& { return table.cells[n * 4 + column]; };

  // The table starts out zero: each column is written only as far as it can be non-zero.
  for (std::size_t n = 0; n < kRows; ++n) cell(n, 0) = static_cast<double>(n);
  cell(0, 1) = 1.0;
  if (servers > 1) cell(1, 1) = r;
  for (std::size_t n = 2; static_cast<double>(n) < s; ++n) cell(n, 1) = cell(n - 1, 1) * r / static_cast<double>(n);
  table.P0 = kx::checked::div(1.0, kx::checked::add(tail, table.column_sum(1)));

  cell(0, 2) = table.P0;
  // The tail stops at the smallest normal double and stays zero below it: rounding would keep
  // it at the smallest subnormal for all 60000 rows, slowly, without changing any result.
  for (std::size_t n = 1; n < kRows && cell(n - 1, 2) >= std::numeric_limits<double>::min(); ++n) {
    const double divisor = static_cast<double>(n) <= s ? static_cast<double>(n) : s;
    cell(n, 2) = kx::checked::finite(cell(n - 1, 2) * r / divisor);
  }
  for (std::size_t n = 0; static_cast<double>(n) < s; ++n) cell(n, 3) = cell(n, 2);
  cell(0, 3) = table.P0;
  table.Pw = 1.0 - table.column_sum(3);
  return table;
}

StateTable msp_table(std::int16_t population, std::int16_t servers, double offered_load) {
  if (population < 0) throw kx::Failure(kx::error::kSubscriptOutOfRange, "The population cannot be negative");
  const std::size_t rows = static_cast<std::size_t>(population) + 1;
  const double N = population;
  const double s = servers;
  const double r = offered_load;
  StateTable table{10, 4, std::vector<double>(rows * 10)};
  auto cell = [&](std::size_t n, std::size_t column) -> double& { return table.cells[n * 10 + column]; };

  // Column 0 counts from -s, so that it is positive exactly for the states with a queue: the
  // weight then divides by min(n, s) and column 5 holds the queue of each state.
  for (std::size_t n = 0; n < rows; ++n) {
    const double units = static_cast<double>(n);
    cell(n, 0) = units - s;
    cell(n, 1) = N - units;
    cell(n, 2) = units;
    if (n == 0) {
      cell(n, 3) = 1.0;
    } else {
      const double divisor = cell(n, 0) > 0 ? s : units;
      cell(n, 3) = kx::checked::finite(cell(n - 1, 3) * (N - units + 1) * r / divisor);
    }
  }
  table.P0 = kx::checked::div(1.0, table.column_sum(3));
  for (std::size_t n = 0; n < rows; ++n) {
    const double units = static_cast<double>(n);
    const double p = cell(n, 3) * table.P0;
    const double busy = std::min(units, s);
    cell(n, 4) = p;
    cell(n, 5) = cell(n, 0) > 0 ? cell(n, 0) * p : 0.0;
    cell(n, 6) = units < s ? units * p : 0.0;
    cell(n, 7) = units < s ? p : 0.0;
    cell(n, 8) = busy;
    cell(n, 9) = busy * p;
  }
  return table;
}

StateTable msq_table(double offered_load, double a, std::int16_t servers, double utilisation, std::int16_t max_queue) {
  if (max_queue < 0) throw kx::Failure(kx::error::kSubscriptOutOfRange, "The maximum queue cannot be negative");
  // The states run to the capacity s + Max_Queue: the textbook M/M/s/K model, whose state
  // probabilities sum to one.
  const std::size_t rows = static_cast<std::size_t>(servers) + static_cast<std::size_t>(max_queue) + 1;
  const double r = offered_load;
  const double s = servers;
  StateTable table{8, 3, std::vector<double>(rows * 8)};
  auto cell = [&](std::size_t n, std::size_t column) -> double& { return table.cells[n * 8 + column]; };

  for (std::size_t n = 0; n < rows; ++n) {
    const double units = static_cast<double>(n);
    cell(n, 0) = units;
    if (units < s) cell(n, 1) = n == 0 ? 1.0 : kx::checked::finite(cell(n - 1, 1) * r / units);
    if (units >= s) cell(n, 2) = units == s ? 1.0 : kx::checked::finite(cell(n - 1, 2) * utilisation);
  }
  table.P0 = kx::checked::div(1.0, kx::checked::add(table.column_sum(1), kx::checked::mul(a, table.column_sum(2))));

  for (std::size_t n = 0; n < rows; ++n) {
    const double units = static_cast<double>(n);
    cell(n, 4) = n == 0 ? table.P0 : cell(n - 1, 4) * r / units;
    cell(n, 5) = units >= s ? kx::checked::finite(table.P0 * a * cell(n, 2)) : 0.0;
    const double p = units < s ? cell(n, 4) : cell(n, 5);
    cell(n, 3) = p;
    cell(n, 6) = units < s ? p : 0.0;
    cell(n, 7) = units < s ? units * p : 0.0;
  }
  // An arriving unit waits when it finds every server busy and room in the queue: the full
  // state is the one in which it balks.
  double waits = 0.0;
  for (std::size_t n = static_cast<std::size_t>(servers); n + 1 < rows; ++n) waits += cell(n, 3);
  table.Pw = waits;
  table.Pb = cell(rows - 1, 3);
  return table;
}

}  // namespace mktfn
