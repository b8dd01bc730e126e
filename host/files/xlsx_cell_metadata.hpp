// Which cells of an .xlsx workbook hold dynamic-array formulas: the cell metadata a cell names
// by its "cm" number.
#pragma once

#include <string>
#include <vector>

namespace host {

// By cell metadata number (from 1, index 0 unused): true where the metadata marks a formula as
// a dynamic array, which spills instead of intersecting.
std::vector<bool> read_dynamic_array_metadata(const std::string& xml);

}  // namespace host
