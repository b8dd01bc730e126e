// The host's status bar as a progress line on the terminal.
#pragma once

#include "host/document/spreadsheet.hpp"

namespace cli {

// Shows every status-bar text on one rewritten line of standard error while it is a
// terminal; the line is cleared when the object goes. Does nothing when stderr is redirected.
class ProgressLine {
 public:
  explicit ProgressLine(host::Spreadsheet& application);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

 private:
  host::Spreadsheet& application_;
  bool shown_ = false;
};

}  // namespace cli
