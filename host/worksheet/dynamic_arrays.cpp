// Functions that build arrays which spill: SEQUENCE, SORT, SORTBY, UNIQUE, FILTER, RANDARRAY.
// Each checks the size of what it builds against the formula's budget before it allocates.
#include <algorithm>
#include <cmath>
#include <compare>
#include <cstddef>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "common/conversions.hpp"
#include "common/uniform_generator.hpp"
#include "host/formula/limits.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

void check_budget(double cells, std::string_view function) {
  if (cells > static_cast<double>(kMaxFormulaArrayCells)) {
    throw LimitExceeded(std::string(function) + " would build " + kx::format_general(cells) +
                        " elements, more than the " + std::to_string(kMaxFormulaArrayCells) + " a formula may build");
  }
}

// The rows (or, by column, the columns) of a grid as the lines a function reorders.
struct Lines {
  const Grid& grid;
  bool by_column;
  std::size_t count() const { return by_column ? grid.columns() : grid.rows(); }
  std::size_t width() const { return by_column ? grid.rows() : grid.columns(); }
  const kx::Value& at(std::size_t line, std::size_t k) const { return by_column ? grid.at(k, line) : grid.at(line, k); }
};

// An array of the chosen lines, in their order.
kx::Value gathered(const Lines& lines, const std::vector<std::size_t>& chosen) {
  kx::Array result(lines.by_column ? lines.width() : chosen.size(), lines.by_column ? chosen.size() : lines.width());
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    for (std::size_t k = 0; k < lines.width(); ++k) {
      (lines.by_column ? result.at(k, i) : result.at(i, k)) = lines.at(chosen[i], k);
    }
  }
  return result;
}

kx::Value sequence(Arguments args) {
  const double rows = is_omitted(args[0]) ? 1.0 : whole_arg(args[0]);
  const double columns = is_omitted(args[1]) ? 1.0 : whole_arg(args[1]);
  const double start = number_or(args[2], 1.0);
  const double step = number_or(args[3], 1.0);
  if (rows < 1.0 || columns < 1.0) raise_error(kx::error::kXlValue, "the rows and columns must be at least 1");
  check_budget(rows * columns, "SEQUENCE");
  kx::Array result(static_cast<std::size_t>(rows), static_cast<std::size_t>(columns));
  for (std::size_t i = 0; i < result.size(); ++i) result.at(i) = start + step * static_cast<double>(i);
  return result;
}

// Order of cells: numbers, texts, booleans, errors (by their number), then blank cells.
std::weak_ordering cell_order(const kx::Value& a, const kx::Value& b) {
  if (a.is_empty() || b.is_empty()) return static_cast<int>(a.is_empty()) <=> static_cast<int>(b.is_empty());
  if (a.is_error() && b.is_error()) return a.error().number <=> b.error().number;
  if (a.is_error() || b.is_error()) return static_cast<int>(a.is_error()) <=> static_cast<int>(b.is_error());
  return kx::compare_values(a, b);
}

// Order of cells in a sort, as the spreadsheet sorts: every error value is equal, a
// descending sort reverses the order, and blank cells come last either way.
std::weak_ordering sort_order(const kx::Value& a, const kx::Value& b, bool descending) {
  if (a.is_empty() || b.is_empty()) return cell_order(a, b);
  if (a.is_error() && b.is_error()) return std::weak_ordering::equivalent;
  const std::weak_ordering order = cell_order(a, b);
  return descending ? 0 <=> order : order;
}

kx::Value sort(Arguments args) {
  const Grid grid(args[0]);
  const bool by_column = !is_omitted(args[3]) && flag_arg(args[3]);
  const Lines lines{grid, by_column};
  const double index = is_omitted(args[1]) ? 1.0 : whole_arg(args[1]);
  const double order = is_omitted(args[2]) ? 1.0 : whole_arg(args[2]);
  if (index < 1.0 || index > static_cast<double>(lines.width())) {
    raise_error(kx::error::kXlValue, "the sort index lies outside the array");
  }
  if (order != 1.0 && order != -1.0) raise_error(kx::error::kXlValue, "the sort order must be 1 or -1");
  const auto key = static_cast<std::size_t>(index) - 1;
  std::vector<std::size_t> chosen(lines.count());
  std::iota(chosen.begin(), chosen.end(), std::size_t{0});
  std::stable_sort(chosen.begin(), chosen.end(), [&](std::size_t a, std::size_t b) {
    return sort_order(lines.at(a, key), lines.at(b, key), order < 0) < 0;
  });
  return gathered(lines, chosen);
}

// SORTBY(array, by_array1, [sort_order1], ...): the rows (or, for keys in a row, the
// columns) ordered by each key in turn.
kx::Value sort_by(Arguments args) {
  const Grid grid(args[0]);
  struct Key {
    Grid values;
    double order;
  };
  std::vector<Key> keys;
  std::optional<bool> by_column;
  for (std::size_t i = 1; i < args.size(); i += 2) {
    if (is_omitted(args[i])) raise_error(kx::error::kXlValue, "a sort key is missing");
    Grid key(args[i]);
    const double order = i + 1 < args.size() && !is_omitted(args[i + 1]) ? whole_arg(args[i + 1]) : 1.0;
    if (order != 1.0 && order != -1.0) raise_error(kx::error::kXlValue, "the sort order must be 1 or -1");
    const bool key_by_column = key.rows() == 1 && key.columns() > 1;
    if (by_column && *by_column != key_by_column)
      raise_error(kx::error::kXlValue, "the keys must all be rows or columns");
    by_column = key_by_column;
    const std::size_t wanted = key_by_column ? grid.columns() : grid.rows();
    if ((key_by_column ? key.columns() : key.rows()) != wanted || (key.rows() > 1 && key.columns() > 1)) {
      raise_error(kx::error::kXlValue, "each key must be as long as the array");
    }
    keys.push_back({std::move(key), order});
  }
  const Lines lines{grid, by_column.value_or(false)};
  std::vector<std::size_t> chosen(lines.count());
  std::iota(chosen.begin(), chosen.end(), std::size_t{0});
  std::stable_sort(chosen.begin(), chosen.end(), [&](std::size_t a, std::size_t b) {
    for (const Key& key : keys) {
      const std::weak_ordering o = sort_order(key.values.at(a), key.values.at(b), key.order < 0);
      if (o != 0) return o < 0;
    }
    return false;
  });
  return gathered(lines, chosen);
}

// RANDARRAY([rows], [columns], [min], [max], [whole_number]).
kx::Value random_array(Arguments args) {
  const double rows = is_omitted(args[0]) ? 1.0 : whole_arg(args[0]);
  const double columns = is_omitted(args[1]) ? 1.0 : whole_arg(args[1]);
  const double low = number_or(args[2], 0.0);
  const double high = number_or(args[3], 1.0);
  const bool whole = !is_omitted(args[4]) && flag_arg(args[4]);
  if (rows < 1.0 || columns < 1.0) raise_error(kx::error::kXlValue, "the rows and columns must be at least 1");
  if (low > high) raise_error(kx::error::kXlValue, "the minimum must not exceed the maximum");
  if (whole && (low != std::trunc(low) || high != std::trunc(high))) {
    raise_error(kx::error::kXlValue, "whole numbers need whole bounds");
  }
  check_budget(rows * columns, "RANDARRAY");
  kx::Array result(static_cast<std::size_t>(rows), static_cast<std::size_t>(columns));
  for (kx::Value& cell : result.values()) {
    const double u = kx::uniform_generator().next();
    cell = whole ? std::min(high, low + std::floor(u * (high - low + 1.0))) : low + u * (high - low);
  }
  return result;
}

bool same_line(const Lines& lines, std::size_t a, std::size_t b) {
  for (std::size_t k = 0; k < lines.width(); ++k) {
    const kx::Value& x = lines.at(a, k);
    const kx::Value& y = lines.at(b, k);
    if (x.is_error() || y.is_error()) {
      if (!(x.is_error() && y.is_error() && x.error().number == y.error().number)) return false;
      continue;
    }
    if (x.kind() != y.kind() || !same_value(x, y)) return false;
  }
  return true;
}

kx::Value unique(Arguments args) {
  const Grid grid(args[0]);
  const bool by_column = !is_omitted(args[1]) && flag_arg(args[1]);
  const bool exactly_once = !is_omitted(args[2]) && flag_arg(args[2]);
  const Lines lines{grid, by_column};
  // Lines sorted by content find their equals in n log n instead of comparing every pair.
  std::vector<std::size_t> order(lines.count());
  std::iota(order.begin(), order.end(), std::size_t{0});
  const auto less = [&](std::size_t a, std::size_t b) {
    for (std::size_t k = 0; k < lines.width(); ++k) {
      const std::weak_ordering o = cell_order(lines.at(a, k), lines.at(b, k));
      if (o != 0) return o < 0;
    }
    return false;
  };
  std::stable_sort(order.begin(), order.end(), less);
  std::vector<std::size_t> first_of(lines.count());
  std::vector<std::size_t> copies(lines.count(), 0);
  for (std::size_t i = 0; i < order.size(); ++i) {
    const bool repeats = i > 0 && same_line(lines, order[i - 1], order[i]);
    first_of[order[i]] = repeats ? first_of[order[i - 1]] : order[i];
    ++copies[first_of[order[i]]];
  }
  std::vector<std::size_t> chosen;
  for (std::size_t line = 0; line < lines.count(); ++line) {
    if (first_of[line] != line) continue;
    if (exactly_once && copies[line] != 1) continue;
    chosen.push_back(line);
  }
  if (chosen.empty()) raise_error(kx::error::kXlValue, "no value occurs exactly once");
  return gathered(lines, chosen);
}

kx::Value filter(Arguments args) {
  const Grid grid(args[0]);
  const Grid include(args[1]);
  bool by_column = false;
  if (include.columns() == 1 && include.rows() == grid.rows()) {
    by_column = false;
  } else if (include.rows() == 1 && include.columns() == grid.columns()) {
    by_column = true;
  } else {
    raise_error(kx::error::kXlValue, "the include array must match the array's rows or columns");
  }
  const Lines lines{grid, by_column};
  std::vector<std::size_t> chosen;
  for (std::size_t line = 0; line < lines.count(); ++line) {
    const kx::Value& flag = include.at(line);
    if (flag.is_error()) raise_error(flag.error().number, "the include array holds an error");
    if (!flag.is_empty() && !flag.is_text() && flag_arg(flag)) chosen.push_back(line);
  }
  if (chosen.empty()) {
    if (!is_omitted(args[2])) return args[2];
    raise_error(kx::error::kXlValue, "no row meets the condition");
  }
  return gathered(lines, chosen);
}

constexpr SheetFunction kFunctions[] = {
    {"SEQUENCE", 1, 4, kArrays, sequence, "rows, [columns], [start], [step]"},
    {"SORT", 1, 4, kArrays, sort, "array, [sort_index], [sort_order], [by_col]"},
    {"UNIQUE", 1, 3, kArrays, unique, "array, [by_col], [exactly_once]"},
    {"FILTER", 2, 3, kArrays, filter, "array, include, [if_empty]"},
    {"SORTBY", 2, kUnlimited, kArrays, sort_by, "array, by_array1, [sort_order1], ..."},
    {"RANDARRAY", 0, 5, kArrays, random_array, "[rows], [columns], [min], [max], [whole_number]", true},
};

}  // namespace

Family dynamic_array_functions() { return kFunctions; }

}  // namespace host::worksheet
