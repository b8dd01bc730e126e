// Reading .xlsx workbooks.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "host/document/book.hpp"
#include "host/files/workbook_files.hpp"

namespace host {

// Sheets, values and formula texts of an .xlsx file's content; a shared formula is
// written out in every cell it fills, an array formula in its top-left cell.
std::shared_ptr<Book> read_xlsx(std::string_view content, const std::string& book_name, const ReadLimits& limits);

}  // namespace host
