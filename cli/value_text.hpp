// How `kx` prints a cell value: numbers in the general form, TRUE/FALSE, texts with their
// control characters written out, an empty value as 0, the standard error values by their
// names (#N/A, #SPILL!) and others as #ERR(n), an array as tab-separated rows.
#pragma once

#include <string>

#include "common/value.hpp"

namespace cli {

// Numbers with `digits` significant digits (15 the general form, 17 round-trip); one line
// per row for an array, without the final newline.
std::string value_text(const kx::Value& value, int digits = 15);

}  // namespace cli
