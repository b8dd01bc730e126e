// Case-insensitive comparison of ASCII names, as the platform compares member and function names.
#pragma once

#include <string>
#include <string_view>

namespace kx {

bool equals_ignore_case(std::string_view a, std::string_view b);
std::string to_lower_ascii(std::string_view text);
std::string to_upper_ascii(std::string_view text);

}  // namespace kx
