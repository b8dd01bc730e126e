#include "cli/progress_line.hpp"

#include <fmt/format.h>
#include <unistd.h>

#include <cstdio>

#include "cli/terminal_text.hpp"

namespace cli {

ProgressLine::ProgressLine(host::Spreadsheet& application, std::chrono::steady_clock::duration interval)
    : application_(application) {
  if (isatty(fileno(stderr)) == 0) return;
  application_.on_status_bar([this, interval](std::string_view text) {
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && now - last_shown_ < interval) return;
    last_shown_ = now;
    // Carriage return and erase-line: the next text replaces this one in place.
    fmt::print(stderr, "\r\033[K{}", terminal_safe(text));
    std::fflush(stderr);
    shown_ = true;
  });
}

ProgressLine::~ProgressLine() {
  application_.on_status_bar(nullptr);
  if (shown_) fmt::print(stderr, "\r\033[K");
}

}  // namespace cli
