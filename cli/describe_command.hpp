// `kx describe DIST P1 P2 … [--left X] [--right Y] [--plot FILE] [--decimal-separator C]`: the distribution dialog
// played from the command line: description, statistics, chart range and interval rows.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

struct DescribeOptions {
  std::string distribution;  // the display name or the distribution code
  std::vector<std::string> parameters;
  std::optional<double> left;  // the interval markers; by default a twentieth inside the chart
  std::optional<double> right;
  std::vector<double> probabilities;  // --p: the quantile of each
  std::string plot_path;
  bool cumulative_plot = false;  // --cdf: the plot shows P(X <= x) instead of the density
  std::string language = "GBR";
  std::string decimal_separator = ".";  // the host's: "." or ","
};

// Prints the dialog's statistics column; returns the exit status. Raises kx::Failure with a
// one-line message for an unknown distribution, a wrong number of parameters, a parameter
// that is no number or one the dialog refuses.
int run_describe(const DescribeOptions& options);

}  // namespace cli
