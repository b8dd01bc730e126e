// A CSV model written where the decimal mark is a comma holds fields separated by ';', numbers
// such as 1,5 and formulas such as kxNORMAL(1,5;0,5): read with commas between fields and
// points in numbers, it would become a different model without a word.
#pragma once

#include <optional>
#include <string>

#include "host/files/workbook_files.hpp"

namespace cli {

// The format to read a model with: the options given, the usual ',' and '.' for the others.
// Raises kx::Failure, naming the options that read the file, when a .csv file looks written
// otherwise than that and the option that would say so was not given: most of its first lines
// separated by ';', a field that is a number only with a decimal comma ("1,5"), a formula
// separating its arguments by ';'. Other files pass.
host::CsvFormat csv_format_for(const std::string& path, std::optional<char> delimiter, std::optional<char> decimal);

}  // namespace cli
