// Reading comma-separated values into a workbook of one sheet.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "host/document/book.hpp"
#include "host/files/workbook_files.hpp"

namespace host {

// Quoted fields may hold commas, doubled quotes and line breaks; records end with CRLF,
// LF or CR; a leading UTF-8 byte order mark is skipped. A field starting with "=" is a
// formula, TRUE and FALSE (any case) are booleans, numbers become numbers, empty fields
// stay empty and anything else is text, quoted or not.
std::shared_ptr<Book> read_csv(std::string_view content, const std::string& book_name, std::string sheet_name,
                               const ReadLimits& limits);

}  // namespace host
