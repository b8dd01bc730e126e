// Bisection over whole numbers that ends for any ends, even where doubles are farther apart than 1.
#pragma once

#include <cmath>

namespace kx {

// The smallest whole number in (below, above] at which a test that turns true once and stays
// true holds, given that it fails at below and holds at above. Beyond 2^53 the midpoint of two
// neighbouring doubles is one of them: the search stops there instead of looping forever, and
// the step count bounds it whatever the test does.
template <class Test>
double first_whole_where(double below, double above, Test&& holds) {
  constexpr int kMostSteps = 2200;  // enough to halve the whole range of doubles to a unit
  for (int step = 0; step < kMostSteps && above - below > 1.0; ++step) {
    const double middle = std::floor(below + (above - below) / 2.0);
    if (!(middle > below && middle < above)) break;
    (holds(middle) ? above : below) = middle;
  }
  return above;
}

}  // namespace kx
