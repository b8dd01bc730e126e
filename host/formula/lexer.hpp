// Splits formula text into tokens: literals, references with their sheet, names, operators.
#pragma once

#include <string_view>
#include <vector>

#include "host/formula/token.hpp"

namespace host {

// Every token of `text`, ending with an End token. Raises ParseError at the first character
// that starts no token.
std::vector<Token> tokenize(std::string_view text);

}  // namespace host
