// The cells of one worksheet part of an .xlsx workbook.
#pragma once

#include <string>
#include <vector>

#include "host/files/book_builder.hpp"

namespace host {

// What the cells of a sheet part name by number.
struct XlsxCellContext {
  const std::vector<std::string>& shared_strings;
  const std::vector<bool>& dynamic_metadata;  // by "cm" number, from xlsx_cell_metadata
};

// Writes every cell of the sheet part into `sheet`: values, texts, booleans, errors, ISO dates,
// and formulas with the result the file stored. A shared formula is written out in every cell
// it fills, an array formula in its top-left cell. A formula that is neither an array formula
// nor marked a dynamic array is legacy: it intersects a range where one value is expected. A
// cell the host cannot hold as written (an unknown error, a date that is none, an unknown type)
// is kept as near as it can be and noted with BookBuilder::warn.
void read_sheet_part(const std::string& xml, const XlsxCellContext& context, Sheet& sheet, BookBuilder& builder);

}  // namespace host
