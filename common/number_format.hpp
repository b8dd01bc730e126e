// Number formatting with the platform's fixed patterns ("0.0000", "0.0", "0.0%", "0.00%", "0.0000%", "0").
#pragma once

#include <string>
#include <string_view>

namespace kx {

// Formats a number with a pattern of the form "0", "0.0…0", optionally followed by "%".
// Rounds halves away from zero on the number's 15-digit decimal form, so that 2.675
// becomes "2.68" as the user sees it. Raises a Failure (5) for a pattern of another form.
std::string format_number(double number, std::string_view pattern, char decimal_separator = '.');

}  // namespace kx
