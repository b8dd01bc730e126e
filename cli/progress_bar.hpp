// A simulation's progress as a bar on the terminal: share done, iterations per second and
// the time left. Shown only on a terminal, and only once a run has lasted a second.
#pragma once

#include "host/simulation/simulation.hpp"

namespace cli {

class ProgressBar {
 public:
  ProgressBar();
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void show(const host::SimulationProgress& progress);

 private:
  bool terminal_ = false;
  bool shown_ = false;
};

}  // namespace cli
