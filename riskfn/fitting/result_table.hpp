// The fitting dialog's tables: cells addressed by the caller's own bounds, the rows of the
// result table, and its ranking.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/value.hpp"

namespace riskfn::fitting {

// The cell (row, column) of a two-dimensional array, by the array's own bounds; a cell
// outside it, or an array of another shape, fails with subscript out of range (9).
kx::Value& table_cell(kx::Array& table, std::int32_t row, std::int32_t column);
const kx::Value& table_cell(const kx::Array& table, std::int32_t row, std::int32_t column);

// A table passed by reference, as an array to write into.
kx::Array writable_table(const kx::Value& table);

// Writes one candidate into `row`: rank 1, the name, then the distance and the parameters
// formatted "0.0000" (texts as they are); the titles go into row 0 first.
void store_fit_row(kx::Array& table, std::span<const std::string, 8> titles, std::int32_t row, const std::string& name,
                   const kx::Value& distance, std::span<const kx::Value, 5> parameters, char decimal_separator);

// Orders rows 1 .. `rows` by their distances, smallest first; rows without one (not
// applicable) go last in the order they had. Ties keep their order. Column 1 becomes the rank.
void rank_fit_rows(kx::Array& table, std::int32_t rows, std::span<const std::optional<double>> distances);

}  // namespace riskfn::fitting
