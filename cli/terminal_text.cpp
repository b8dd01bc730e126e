#include "cli/terminal_text.hpp"

#include <fmt/format.h>

#include <cstdio>

namespace cli {

std::string terminal_safe(std::string_view text) {
  std::string safe;
  safe.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    switch (byte) {
      case '\n': safe += "\\n"; continue;
      case '\r': safe += "\\r"; continue;
      case '\t': safe += "\\t"; continue;
      case '\\': safe += "\\\\"; continue;
      default: break;
    }
    if (byte < 0x20 || byte == 0x7f) {
      safe += fmt::format("\\x{:02x}", byte);
    } else if (byte == 0xc2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9f) {
      safe += fmt::format("\\u{:04x}", static_cast<unsigned char>(text[++i]));
    } else {
      safe += text[i];
    }
  }
  return safe;
}

void print_error_line(std::string_view message) { fmt::print(stderr, "kx: {}\n", terminal_safe(message)); }

}  // namespace cli
