#include "riskfn/analysis/analysis_help.hpp"

namespace riskfn::analysis {
namespace {

std::vector<kx::FunctionHelp> make_table() {
  return {
      {"kxOUTPUT", "marks its cell as an output of the simulation; computes nothing and adds nothing", {},
       "kxOUTPUT()"},
      {"kxLOCK", "keeps the sampling calls of its cell at their deterministic values for the whole run", {},
       "kxLOCK()"},
      {"kxNAME", "names the output or input of its cell in the simulation's report; computes nothing",
       {{"CellName", "name", "the name to show"}, {"ItemNum", "item", "ignored (0 when omitted)"}},
       "kxNAME(\"Units sold\")"},
      {"utRoundDLL", "a number rounded to a number of decimals, halves to even",
       {{"Value", "value", "the number to round"}, {"numDigits", "decimals", "the number of decimals (0 when omitted)"}},
       "utRoundDLL(2.345,2)"},
      {"kxHISTO", "a histogram: for each class its label, upper limit, count and cumulative share",
       {{"InputRng", "values", "the values: a range or an array"},
        {"Classes", "classes", "the number of classes; omitted or below 1, chosen by rule"},
        {"pointerHisto", "labels", "for an array of values, 1 asks for class labels"}},
       "kxHISTO({1,2,2,3,3,3,4,4,5},3)"},
      {"kxOPTNUM", "the number of runs after which a simulation's running mean settled (0: never)",
       {{"InputRange", "results", "the results in run order, one column"},
        {"StablePeriods", "stable runs", "the window and the number of consecutive stable runs (20 when omitted)"},
        {"SelectionLimit", "limit", "the largest relative change that counts as stable (0.0005 when omitted)"}},
       "kxOPTNUM({1;2;3;2;1;2;3;2;1;2},2,0.5)"},
      {"kxWEIBULLEST", "the Weibull shape and scale whose mean and standard deviation match the given ones",
       {{"P1", "mean", "the mean to match"},
        {"P2", "standard deviation", "the standard deviation to match"},
        {"OnlyOneValue", "which", "1: the shape only; 2: the scale only; 0 or omitted: both, shape above scale"}},
       "kxWEIBULLEST(10,4)"},
      {"kxCORREL", "uniform numbers whose normal scores have the given correlations, one per variable",
       {{"correlArray", "correlations", "a k x k correlation matrix, or one correlation r of two variables"}},
       "kxCORREL({1,0.5;0.5,1})"},
  };
}

}  // namespace

std::span<const kx::FunctionHelp> analysis_help() {
  static const std::vector<kx::FunctionHelp> table = make_table();
  return table;
}

}  // namespace riskfn::analysis
