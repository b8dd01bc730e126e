#include "cli/progress_bar.hpp"

#include <fmt/format.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>

namespace cli {
namespace {

constexpr double kQuietSeconds = 1.0;
constexpr int kWidth = 30;

}  // namespace

ProgressBar::ProgressBar() : terminal_(isatty(fileno(stderr)) != 0) {}

ProgressBar::~ProgressBar() {
  if (shown_) fmt::print(stderr, "\r\033[K");
}

void ProgressBar::show(const host::SimulationProgress& progress) {
  if (!terminal_ || progress.seconds < kQuietSeconds || progress.total <= 0) return;
  const double share = static_cast<double>(progress.done) / static_cast<double>(progress.total);
  const int filled = static_cast<int>(share * kWidth);
  std::string bar;
  for (int i = 0; i < kWidth; ++i) bar += i < filled ? "█" : "░";
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
