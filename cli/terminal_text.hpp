// Text bound for a terminal: what a workbook or formula holds must not move the cursor,
// colour the screen or start a line of its own.
#pragma once

#include <string>
#include <string_view>

namespace cli {

// The text with every control character written out visibly: \n, \r, \t, \\ and \xHH for the
// other C0 controls, DEL and bytes that are no UTF-8, \u0080 to \u009f for the C1 controls.
std::string terminal_safe(std::string_view text);

// The width of the terminal on file descriptor `fd` in columns; 0 when it is no terminal.
int terminal_columns(int fd);

// The columns a UTF-8 text takes on a terminal: one per character.
std::size_t display_width(std::string_view text);

// Every line of `text` longer than `width` columns broken at its spaces, the rest of it on
// lines indented by four more; a width of 0 leaves the text as it is.
std::string wrapped(const std::string& text, int width);

// Prints "kx: " and the message, made safe, as one line on standard error.
void print_error_line(std::string_view message);

}  // namespace cli
