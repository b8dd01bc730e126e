// Writing a formula's result into its cell: an array result spills into the cells below and
// to the right of it, as long as they are empty.
#pragma once

#include <cstdint>
#include <optional>

#include "common/value.hpp"
#include "host/formula/dependency_graph.hpp"

namespace host {

class Sheet;

// Writes `result` at (row, column) of `sheet`, which holds the formula. An array of more than
// one element spills: the formula's cell takes the first element and the others go to the
// cells around it. If any of those cells holds a value or formula that the previous spill
// (`previous`, anchor included) did not put there, or the array reaches past the sheet's
// edge, nothing spills and the cell shows #SPILL!. Cells of the previous spill that the new
// result does not cover are emptied. Returns the area the result covers now, if it spilled.
std::optional<SheetArea> write_result(Sheet& sheet, std::int32_t row, std::int32_t column, const kx::Value& result,
                                      const std::optional<SheetArea>& previous);

// The rectangle an array result of more than one element would cover from (row, column),
// anchor included; nullopt for a single value or an array that does not fit on the sheet.
std::optional<SheetArea> result_area(const Sheet& sheet, std::int32_t row, std::int32_t column, const kx::Value& result);

// Whether a spill may take `target`: every cell but the anchor is empty or was the previous spill's.
bool spill_is_free(const Sheet& sheet, const SheetArea& target, const std::optional<SheetArea>& previous);

// Empties the cells of a spill area other than its anchor.
void clear_spill(Sheet& sheet, const SheetArea& spill);

}  // namespace host
