// Numbers as workbook files write them.
#pragma once

#include <optional>
#include <string_view>

namespace host {

// The double nearest the decimal text, correctly rounded (subnormals included); surrounding
// blanks and a "+" allowed. A number too small for a double is 0. Writers print the largest
// doubles to 16 or 17 digits rounded up ("1.797693134862316E+308"), just past the largest
// double: up to that rounding such a text is the largest double. nullopt for any other text.
std::optional<double> file_number(std::string_view text);

}  // namespace host
