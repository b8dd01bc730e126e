#include "host/formula/spill.hpp"

#include "host/document/address.hpp"
#include "host/document/sheet.hpp"
#include "host/formula/formula_errors.hpp"
#include "host/formula/limits.hpp"

namespace host {
namespace {

bool is_anchor(const SheetArea& area, std::int32_t row, std::int32_t column) {
  return row == area.area.top && column == area.area.left;
}

// A spilled element must be a single value; an array inside an array has no cell to go to.
bool is_cell_value(const kx::Value& element) {
  switch (element.kind()) {
    case kx::Value::Kind::Array:
    case kx::Value::Kind::Range:
    case kx::Value::Kind::Object: return false;
    default: return true;
  }
}

kx::Value cell_value_of(const kx::Value& element) {
  return is_cell_value(element) ? element : kx::Value(kx::ErrorValue{kx::error::kXlValue});
}

}  // namespace

std::optional<SheetArea> result_area(const Sheet& sheet, std::int32_t row, std::int32_t column, const kx::Value& result) {
  if (!result.is_array() || result.array().size() <= 1) return std::nullopt;
  const kx::Array& array = result.array();
  const std::int64_t bottom = std::int64_t{row} + static_cast<std::int64_t>(array.rows()) - 1;
  const std::int64_t right = std::int64_t{column} + static_cast<std::int64_t>(array.columns()) - 1;
  if (static_cast<std::int64_t>(array.size()) > kMaxFormulaArrayCells || bottom > kMaxRows || right > kMaxColumns)
    return std::nullopt;
  SheetArea target{&sheet, {}};
  target.area.top = row;
  target.area.left = column;
  target.area.bottom = static_cast<std::int32_t>(bottom);
  target.area.right = static_cast<std::int32_t>(right);
  return target;
}

bool spill_is_free(const Sheet& sheet, const SheetArea& target, const std::optional<SheetArea>& previous) {
  for (std::int32_t row = target.area.top; row <= target.area.bottom; ++row) {
    for (std::int32_t column = target.area.left; column <= target.area.right; ++column) {
      if (is_anchor(target, row, column)) continue;
      const Cell* cell = sheet.find(row, column);
      if (cell == nullptr || (!cell->has_formula() && cell->value.is_empty())) continue;
      if (previous && previous->area.contains(row, column)) continue;  // our own earlier spill
      return false;
    }
  }
  return true;
}

void clear_spill(Sheet& sheet, const SheetArea& spill) {
  for (std::int32_t row = spill.area.top; row <= spill.area.bottom; ++row) {
    for (std::int32_t column = spill.area.left; column <= spill.area.right; ++column) {
      if (!is_anchor(spill, row, column)) sheet.clear(row, column);
    }
  }
}

std::optional<SheetArea> write_result(Sheet& sheet, std::int32_t row, std::int32_t column, const kx::Value& result,
                                      const std::optional<SheetArea>& previous) {
  Cell& anchor = sheet.cell(row, column);
  if (!result.is_array() || result.array().size() == 1) {
    if (previous) clear_spill(sheet, *previous);
    const kx::Value& single = result.is_array() ? result.array().at(0) : result;
    if (is_cell_value(single)) {
      anchor.value = single;  // most results: a number assigned in place
    } else {
      anchor.value = cell_value_of(single);
    }
    return std::nullopt;
  }
  const std::optional<SheetArea> target = result_area(sheet, row, column, result);
  if (!target || !spill_is_free(sheet, *target, previous)) {
    if (previous) clear_spill(sheet, *previous);
    anchor.value = kx::ErrorValue{kErrSpill};
    return std::nullopt;
  }
  const kx::Array& array = result.array();
  if (previous) {
    for (std::int32_t r = previous->area.top; r <= previous->area.bottom; ++r) {
      for (std::int32_t c = previous->area.left; c <= previous->area.right; ++c) {
        if (!target->area.contains(r, c)) sheet.clear(r, c);
      }
    }
  }
  for (std::size_t r = 0; r < array.rows(); ++r) {
    for (std::size_t c = 0; c < array.columns(); ++c) {
      const auto cell_row = static_cast<std::int32_t>(row + static_cast<std::int32_t>(r));
      const auto cell_column = static_cast<std::int32_t>(column + static_cast<std::int32_t>(c));
      if (r == 0 && c == 0) {
        sheet.cell(row, column).value = cell_value_of(array.at(0, 0));
      } else {
        sheet.set_value(cell_row, cell_column, cell_value_of(array.at(r, c)));
      }
    }
  }
  return target;
}

}  // namespace host
