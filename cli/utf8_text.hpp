// Texts from workbooks and file names are bytes, not always UTF-8; what shows them (a terminal,
// a picture's font, a JSON reader) needs to know where a character is valid.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace cli {

// The bytes of the well-formed UTF-8 character at `at` (1 to 4); 0 where none starts there:
// a stray continuation byte, a truncated or overlong sequence, a surrogate or a code point past
// U+10FFFF.
std::size_t utf8_length_at(std::string_view text, std::size_t at);

// The text with each byte that starts no well-formed character replaced by U+FFFD.
std::string valid_utf8(std::string_view text);

}  // namespace cli
