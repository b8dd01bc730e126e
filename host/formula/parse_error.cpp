#include "host/formula/parse_error.hpp"

namespace host {

ParseError::ParseError(std::string_view formula, std::size_t offset, const std::string& message)
    : std::runtime_error(message), column_(column_at(formula, offset)) {}

std::size_t column_at(std::string_view text, std::size_t offset) {
  std::size_t column = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xc0) != 0x80) ++column;  // skip UTF-8 continuation bytes
  }
  return column;
}

}  // namespace host
