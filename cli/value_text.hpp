// How `kx` prints a cell value: numbers in the general form, TRUE/FALSE, texts as they are,
// an empty value as nothing, an error value as #ERR(n), an array as tab-separated rows.
#pragma once

#include <string>

#include "common/value.hpp"

namespace cli {

// The general form with `digits` significant digits (1 to 17): 15 is the spreadsheet's own
// general form, 17 is enough to read the same double back.
std::string format_number(double number, int digits = 15);

// One line per row for an array, without the final newline.
std::string value_text(const kx::Value& value, int digits = 15);

}  // namespace cli
