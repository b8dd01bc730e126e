#include "host/formula/reference_operators.hpp"

#include <algorithm>
#include <array>
#include <vector>

#include "common/failure.hpp"
#include "common/text_compare.hpp"
#include "host/document/cell_range.hpp"
#include "host/formula/function_table.hpp"

namespace host {
namespace {

const CellRange* cells_of(const kx::Value& value) {
  return value.is_range() ? dynamic_cast<const CellRange*>(value.range().get()) : nullptr;
}

// The functions whose arguments may be several ranges at once, as the spreadsheet lets them.
constexpr std::array<std::string_view, 19> kUnionReaders = {
    "SUM",   "COUNT",  "COUNTA", "AVERAGE", "MIN",     "MAX",     "LARGE", "SMALL", "PRODUCT", "SUMSQ",
    "STDEV", "STDEVP", "VAR",    "VARP",    "STDEV.S", "STDEV.P", "VAR.S", "VAR.P", "MEDIAN",
};

}  // namespace

kx::Value intersect(const kx::Value& left, const kx::Value& right) {
  if (left.is_error()) return left;
  if (right.is_error()) return right;
  const CellRange* a = cells_of(left);
  const CellRange* b = cells_of(right);
  if (a == nullptr || b == nullptr) return kx::ErrorValue{kx::error::kXlValue};
  const std::int32_t top = std::max(a->row(), b->row());
  const std::int32_t left_column = std::max(a->column(), b->column());
  const std::int32_t bottom = std::min(a->row() + a->row_count(), b->row() + b->row_count()) - 1;
  const std::int32_t right_column = std::min(a->column() + a->column_count(), b->column() + b->column_count()) - 1;
  if (a->sheet() != b->sheet() || top > bottom || left_column > right_column) return kx::ErrorValue{kx::error::kXlNull};
  return kx::Value(a->sheet()->area(top, left_column, bottom, right_column));
}

kx::Value span(const kx::Value& left, const kx::Value& right) {
  if (left.is_error()) return left;
  if (right.is_error()) return right;
  const CellRange* a = cells_of(left);
  const CellRange* b = cells_of(right);
  if (a == nullptr || b == nullptr || a->sheet() != b->sheet()) return kx::ErrorValue{kx::error::kXlValue};
  const std::int32_t top = std::min(a->row(), b->row());
  const std::int32_t left_column = std::min(a->column(), b->column());
  const std::int32_t bottom = std::max(a->row() + a->row_count(), b->row() + b->row_count()) - 1;
  const std::int32_t right_column = std::max(a->column() + a->column_count(), b->column() + b->column_count()) - 1;
  return kx::Value(a->sheet()->area(top, left_column, bottom, right_column));
}

bool accepts_union(std::string_view function) {
  const std::string_view name = without_prefixes(function);
  return std::any_of(kUnionReaders.begin(), kUnionReaders.end(),
                     [&](std::string_view reader) { return kx::equals_ignore_case(reader, name); });
}

kx::Value union_values(std::span<const kx::Value> parts) {
  std::vector<kx::Value> values;
  for (const kx::Value& part : parts) {
    if (!part.is_array()) {
      values.push_back(part);
      continue;
    }
    const auto& elements = part.array().values();
    values.insert(values.end(), elements.begin(), elements.end());
  }
  kx::Array column(values.size(), 1);
  for (std::size_t i = 0; i < values.size(); ++i) column.at(i) = std::move(values[i]);
  return column;
}

}  // namespace host
