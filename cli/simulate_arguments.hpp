// The values of `kx simulate`'s options that carry more than one thing: percentile lists,
// targets and cell settings. Each raises kx::Failure with a line saying what is wrong.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cli/simulation_report.hpp"
#include "host/simulation/simulation.hpp"
#include "host/simulation/simulation_model.hpp"

namespace cli {

// "1,10,50,90,99": the percentiles, each from 0 to 100, kept with the text that named it.
void parse_percentiles(std::string_view text, ReportSettings& into);

// "0" (every output) or "Net present value<=0" (one output, by name or cell).
Target parse_target(std::string_view text);

// "Net present value<10%" (the output's bottom tenth), ">90%" (its top tenth), "<0" (below a value).
Scenario parse_scenario(std::string_view text);

// "Sheet!B4=0.25": the cell and its new content.
host::CellSetting parse_setting(std::string_view text);

// "1%" (of each output's mean) or "0.5" (in the outputs' units), positive.
host::Precision parse_precision(std::string_view text);

// "2/8": the second of eight shares of the iterations, K from 1 to N.
struct Part {
  std::int64_t part = 0;
  std::int64_t parts = 0;
};
Part parse_part(std::string_view text);
// A CSV model's field separator: one character, or "tab" (also "\t").
char parse_delimiter(std::string_view text);

// A number written in full, without surrounding blanks; none otherwise.
std::optional<double> number_of(std::string_view text);

}  // namespace cli
