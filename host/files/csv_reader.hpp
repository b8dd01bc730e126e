// Reading comma-separated values into a workbook of one sheet.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "host/document/book.hpp"
#include "host/files/workbook_files.hpp"

namespace host {

// Fields are separated by `format.delimiter`. Quoted fields may hold it, doubled quotes and line breaks; records end with CRLF,
// LF or CR; a leading UTF-8 byte order mark is skipped. A field starting with "=" is a
// formula, TRUE and FALSE (any case) are booleans, numbers become numbers, empty fields
// stay empty and anything else is text, quoted or not. With a decimal comma, numbers read
// "1,5" and "1.234,5", and formulas "kxNORMAL(1,5;0,5)".
std::shared_ptr<Book> read_csv(std::string_view content, const std::string& book_name, std::string sheet_name,
                               const ReadLimits& limits, const CsvFormat& format = {});

// The number a field (no formula) holds as the reader takes it: plain ("-1.5e3"), with grouped
// thousands ("1,234.5"), or a percentage of either; with a decimal comma "-1,5e3", "1.234,5".
// nullopt for a text.
std::optional<double> csv_number(std::string_view field, const CsvFormat& format);

// A field's formula, without its "=", as the host keeps it: with a decimal comma "kxNORMAL(1,5;0,5)"
// reads "kxNORMAL(1.5,0.5)", character for character. Texts in quotes and quoted sheet names stay
// as they are; inside an array constant ';' keeps separating rows.
std::string csv_formula(std::string_view formula, const CsvFormat& format);

}  // namespace host
