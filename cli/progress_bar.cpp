#include "cli/progress_bar.hpp"

#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cli/terminal_text.hpp"

namespace cli {
namespace {

constexpr double kQuietSeconds = 1.0;
constexpr int kWidth = 30;
// The columns beside the bar: share, rate and time left.
constexpr int kBeside = 48;

}  // namespace

ProgressBar::ProgressBar() : terminal_(isatty(fileno(stderr)) != 0) {}

ProgressBar::~ProgressBar() {
  if (shown_) fmt::print(stderr, "\r\033[K");
}

void ProgressBar::show(const host::SimulationProgress& progress) {
  if (!terminal_ || progress.seconds < kQuietSeconds || progress.total <= 0) return;
  const double share = static_cast<double>(progress.done) / static_cast<double>(progress.total);
  // Narrower on a narrow terminal: a line that wraps would no longer be replaced in place.
  const int columns = terminal_columns(fileno(stderr));
  const int width = columns > 0 ? std::clamp(columns - kBeside, 0, kWidth) : kWidth;
  const int filled = static_cast<int>(share * width);
  std::string bar;
  for (int i = 0; i < width; ++i) bar += i < filled ? "█" : "░";
  const double rate = static_cast<double>(progress.done) / progress.seconds;
  std::string left = "";
  if (rate > 0)
    left = fmt::format("{:.0f} s left", std::ceil(static_cast<double>(progress.total - progress.done) / rate));
  // Carriage return and erase-line: each update replaces the last in place.
  fmt::print(stderr, "\r\033[K{} {:3.0f}%  {:.0f} iterations/s  {}", bar, 100 * share, rate, left);
  std::fflush(stderr);
  shown_ = true;
}

}  // namespace cli
