// The state-by-state probability tables of the multi-server queueing models, one row per
// number of units in the system. The models read their sums; doArr publishes them as arrays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/value.hpp"

namespace mktfn {

struct StateTable {
  std::size_t columns = 0;
  std::size_t probability_column = 0;  // the column of p_n
  std::vector<double> cells;           // row by row
  double P0 = 0.0;
  double Pw = 0.0;
  double Pb = 0.0;

  std::size_t rows() const { return columns == 0 ? 0 : cells.size() / columns; }
  double at(std::size_t row, std::size_t column) const { return cells[row * columns + column]; }
  // Added in row order, as the host's Sum adds a column; fails with overflow when it is no finite number.
  double column_sum(std::size_t column) const;
  // The p_n of at least `boundary`, in row order: the bars of the chart.
  std::vector<double> probabilities_from(double boundary) const;
  // The table as the host receives it: two dimensions, both indexed from 0.
  kx::Value to_array() const;
};

// M/M/s: 60001 rows (n = 0 to 60000) of n, r^n/n! below s (the finite part of the normalising
// sum), p_n and p_n below s. `tail` is r^s / (s! (1 - r/s)), the rest of the normalising sum.
StateTable mms_table(double offered_load, std::int16_t servers, double tail);

// s servers and a finite calling population of N, rows n = 0 to N, ten columns: n - s, N - n,
// n, the weight c_n, p_n, (n - s) p_n above s, n p_n below s, p_n below s, busy servers
// min(n, s), and min(n, s) p_n.
StateTable msp_table(std::int16_t population, std::int16_t servers, double offered_load);

// s servers with room for `max_queue` waiting units, rows n = 0 to s + max_queue, eight columns:
// n, r^n/n! below s, ρ^(n - s) from s on (the two parts of the normalising sum), p_n,
// P0 r^n/n!, P0 a ρ^(n - s) from s on, p_n below s, n p_n below s. `a` is r^s/s!.
StateTable msq_table(double offered_load, double a, std::int16_t servers, double utilisation, std::int16_t max_queue);

}  // namespace mktfn
