// The probabilities the dialog shows for its interval, and the density it draws: both through
// the distribution functions of Main, so that the dialog and the worksheet agree.
#pragma once

#include "riskfn/dialog/dialog_values.hpp"

namespace riskfn {
class Main;
}

namespace riskfn::dialog {

// P(X <= x) of the distribution with code `code`; 0 for a code the dialog does not handle.
double cumulative_probability(int code, double x, const Parameters& p, Main& main);

// The chart's value at x: the density (or probability) of the distribution, or for some codes
// the cumulative probability when `cumulative` asks for it; 0 for a code not handled.
double chart_density(int code, double x, const Parameters& p, Main& main, bool cumulative);

}  // namespace riskfn::dialog
