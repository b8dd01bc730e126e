// A CSV model written where the decimal mark is a comma holds fields separated by ';' and
// numbers such as 1,5: read as commas, it would become a different model without a word.
#pragma once

#include "host/files/workbook_files.hpp"

namespace cli {

// Raises kx::Failure, saying how to make the file readable, when most of a .csv file's first
// lines separate their fields by ';', and commas outside quotes are fewer. Other files pass.
void refuse_semicolon_csv(const host::WorkbookFile& file);

}  // namespace cli
