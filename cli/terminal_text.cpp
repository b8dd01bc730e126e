#include "cli/terminal_text.hpp"

#include <fmt/format.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "cli/utf8_text.hpp"

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
    // A byte that starts no UTF-8 character is written out too: a terminal reading Latin-1
    // takes 0x9b for a control sequence.
    const std::size_t length = byte < 0x80 ? 1 : utf8_length_at(text, i);
    if (byte < 0x20 || byte == 0x7f || length == 0) {
      safe += fmt::format("\\x{:02x}", byte);
    } else if (byte == 0xc2 && static_cast<unsigned char>(text[i + 1]) <= 0x9f) {
      safe += fmt::format("\\u{:04x}", static_cast<unsigned char>(text[++i]));
    } else {
      safe.append(text.substr(i, length));
      i += length - 1;
    }
  }
  return safe;
}

int terminal_columns(int fd) {
  if (isatty(fd) == 0) return 0;
  winsize size{};
  if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;  // a terminal that does not say
}

std::size_t display_width(std::string_view text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xc0) != 0x80; }));
}

std::string wrapped(const std::string& text, int width) {
  if (width <= 0) return text;
  const auto limit = static_cast<std::size_t>(width);
  std::string out;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    std::string piece = text.substr(start, end - start);
    const std::size_t indent = std::min(piece.find_first_not_of(' '), piece.size());
    std::size_t fixed = indent;  // the spaces a break may not fall into
    while (display_width(piece) > limit) {
      // The last space that leaves the part before it within the width.
      std::size_t cut = std::string::npos;
      for (std::size_t i = piece.find(' ', fixed + 1); i != std::string::npos; i = piece.find(' ', i + 1)) {
        if (display_width(std::string_view(piece).substr(0, i)) > limit) break;
        cut = i;
      }
      if (cut == std::string::npos) break;  // one word wider than the terminal
      out.append(piece, 0, cut);
      out += '\n';
      const std::size_t rest = std::min(piece.find_first_not_of(' ', cut), piece.size());
      fixed = indent + 4;
      piece = std::string(fixed, ' ') + piece.substr(rest);
    }
    out += piece;
    if (end < text.size()) out += '\n';
    start = end + 1;
  }
  return out;
}

void print_error_line(std::string_view message) { fmt::print(stderr, "kx: {}\n", terminal_safe(message)); }

}  // namespace cli
