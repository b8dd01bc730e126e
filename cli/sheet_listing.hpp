// What `kx eval --sheet FILE` without a formula shows: the sheets a workbook was read into.
#pragma once

#include <string>

#include "host/document/book.hpp"

namespace cli {

// One line for the workbook, then one per sheet in the workbook's order: its name, its used
// range ("empty" when it holds no cell), its number of formula cells, and "hidden" for a
// hidden sheet. Names are made safe for a terminal.
std::string sheet_listing(const host::Book& book);

}  // namespace cli
