// Reading .ods workbooks and their flat form, .fods.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "host/document/book.hpp"
#include "host/files/workbook_files.hpp"

namespace host {

// Sheets, values and formula texts of an .ods file's content. Formulas are rewritten
// from the OpenFormula form to the A1 form; one that has no A1 form keeps its own text.
std::shared_ptr<Book> read_ods(std::string_view content, const std::string& book_name, const ReadLimits& limits);

// The same from a flat .fods file: the whole document as one XML text.
std::shared_ptr<Book> read_flat_ods(std::string_view content, const std::string& book_name, const ReadLimits& limits);

}  // namespace host
