// `kx eval [--sheet FILE]... [--seed S] [--digits N] FORMULA...`: evaluates formulas against
// the loaded workbooks with the components started as the add-in starts them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

struct EvalOptions {
  std::vector<std::string> sheets;    // workbook files, the first one active
  std::optional<std::uint64_t> seed;  // reproducible sampling
  std::string language = "GBR";       // the add-in's language
  int digits = 15;                    // significant digits of printed numbers
  bool server = false;                // mktfn through its server program
  std::vector<std::string> formulas;
};

// A seed as given on the command line: decimal digits only, from 0 to 2^64 - 1; nothing for
// any other text, so that "-1" or a seed too large is refused rather than wrapped or clamped.
std::optional<std::uint64_t> parse_seed(std::string_view text);

// Prints each formula's value on its own line(s), or without formulas the sheets of each
// workbook (sheet_listing); returns the exit status: 1 when a formula does not parse, a call
// fails or a workbook cannot be read.
int run_eval(const EvalOptions& options);

}  // namespace cli
