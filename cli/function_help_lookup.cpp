#include "cli/function_help_lookup.hpp"

#include <span>

#include "host/worksheet/function_help.hpp"
#include "mktfn/functions/function_help.hpp"
#include "riskfn/analysis/analysis_help.hpp"
#include "riskfn/sampling/sampling_help.hpp"

namespace cli {
namespace {

std::span<const kx::FunctionHelp> const kTables[] = {riskfn::sampling::sampling_help(),
                                                      riskfn::analysis::analysis_help(), mktfn::function_help(),
                                                      host::worksheet::function_help()};

}  // namespace

const kx::FunctionHelp* find_function_help(std::string_view name) {
  for (const auto table : kTables) {
    if (const kx::FunctionHelp* help = kx::find_help(table, name)) return help;
  }
  return nullptr;
}

}  // namespace cli
