// Upper, lower and proper case of UTF-8 texts for every letter Unicode maps one to one
// (À to à, Σ to σ, Ж to ж), through the C library's UTF-8 case tables.
#pragma once

#include <string>
#include <string_view>

namespace kx {

std::string to_upper_case(std::string_view text);
std::string to_lower_case(std::string_view text);
// Each letter that follows a non-letter upper case, every other letter lower case.
std::string to_proper_case(std::string_view text);
// Whether a text holds only ASCII characters, whose case the ASCII functions map alone.
bool is_ascii(std::string_view text);

}  // namespace kx
