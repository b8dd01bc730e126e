// The host's status bar as a progress line on the terminal.
#pragma once

#include <chrono>

#include "host/document/spreadsheet.hpp"

namespace cli {

// Shows the status-bar texts on one rewritten line of standard error while it is a terminal;
// the line is cleared when the object goes. Does nothing when stderr is redirected. With an
// interval, a text that follows the last one shown sooner than that is skipped: a component
// may report every one of many thousand steps.
class ProgressLine {
 public:
  explicit ProgressLine(host::Spreadsheet& application,
                        std::chrono::steady_clock::duration interval = std::chrono::steady_clock::duration::zero());
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

 private:
  host::Spreadsheet& application_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point last_shown_;
};

}  // namespace cli
