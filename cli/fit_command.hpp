// `kx fit FILE [--column C] [--dist NAME] [--kind continuous|discrete|both] [--method
// moments|mle] [--rank distance|ks|ad|aic|bic] [--json] [--plot FILE]`: fits the candidate
// distributions to one column of observations through PDF.FitPDF, as the add-in's fitting
// dialog does, and prints the ranked result table and the timing table.
#pragma once

#include <string>

namespace cli {

struct FitOptions {
  std::string file;
  std::string column;        // empty: the first column of numbers
  std::string distribution;  // empty: all
  std::string kind = "both";
  std::string language = "GBR";
  std::string method = "moments";
  std::string rank = "distance";
  int bootstrap = 0;  // replicates of the parametric bootstrap for the best three's p-values
  bool json = false;
  std::string plot_path;
};

// Prints the tables; returns the exit status. Raises kx::Failure with a one-line message
// for data or options that cannot be fitted.
int run_fit(const FitOptions& options);

}  // namespace cli
