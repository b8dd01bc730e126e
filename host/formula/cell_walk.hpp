// Walking the cells of a rectangle in place, row by row, without building an array of them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <tuple>
#include <vector>

#include "common/value.hpp"
#include "host/document/address.hpp"
#include "host/document/sheet.hpp"
#include "host/formula/reference.hpp"

namespace host {

// A reference over every row (a whole column) or every column (a whole row) covers the sheet's
// used range, as spreadsheets compute it: the cells beyond hold nothing, and reading them would
// cost a million cells for each such reference.
template <class Area>
Area used_part(const Sheet& sheet, Area area) {
  if (area.top == 1 && area.bottom == kMaxRows) area.bottom = std::max(1, sheet.last_row());
  if (area.left == 1 && area.right == kMaxColumns) area.right = std::max(1, sheet.last_column());
  return area;
}

// Calls visit(row, column, value) for the cells of `area` on `sheet` in row order; a false
// return stops the walk. When the rectangle is larger than the number of written cells only
// the written ones are visited, so that A:A costs what the sheet holds, not a million lookups.
template <class Area, class Visit>
void for_each_cell_in(Sheet& sheet, const Area& area, Visit&& visit) {
  if (area.cell_count() <= static_cast<std::int64_t>(sheet.cell_count())) {
    for (std::int32_t row = area.top; row <= area.bottom; ++row) {
      for (std::int32_t column = area.left; column <= area.right; ++column) {
        if (!visit(row, column, sheet.value(row, column))) return;
      }
    }
    return;
  }
  std::vector<std::tuple<std::int32_t, std::int32_t, const kx::Value*>> written;
  sheet.for_each_cell([&](std::int32_t row, std::int32_t column, Cell& cell) {
    if (area.contains(row, column)) written.emplace_back(row, column, &cell.value);
  });
  std::sort(written.begin(), written.end());
  for (const auto& [row, column, value] : written) {
    if (!visit(row, column, *value)) return;
  }
}

}  // namespace host
