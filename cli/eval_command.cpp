#include "cli/eval_command.hpp"

#include <fmt/format.h>

#include <cstdio>
#include <exception>

#include "cli/progress_line.hpp"
#include "cli/value_text.hpp"
#include "common/failure.hpp"
#include "common/uniform_generator.hpp"
#include "host/addin/addin_workbook.hpp"
#include "host/files/workbook_files.hpp"
#include "host/formula/parse_error.hpp"
#include "host/session/session.hpp"
#include "mktfn/frame/classes.hpp"
#include "riskfn/frame/classes.hpp"

namespace cli {
namespace {

// Formulas of the workbooks that cannot be computed are shown, not fatal: their cells hold
// error values, and a formula given on the command line may not read them at all.
void report_workbook_problems(host::FormulaEngine& engine) {
  for (const auto& problem : engine.problems()) {
    fmt::print(stderr, "kx: warning: {}: {} (column {})\n", problem.cell, problem.problem.message,
               problem.problem.column);
  }
  for (const auto& cycle : engine.cycles()) {
    fmt::print(stderr, "kx: warning: circular reference through {}\n", fmt::join(cycle, ", "));
  }
}

// False when the formula failed; the reason is on standard error.
bool evaluate_and_print(host::FormulaEngine& engine, const std::string& formula, int digits) {
  try {
    const auto evaluation = engine.evaluate(formula);
    // A failed call that its formula caught (IFERROR) leaves a value, and that value is the answer.
    if (evaluation.failure && evaluation.value.is_error()) {
      const auto& failure = *evaluation.failure;
      if (failure.function.empty()) {
        fmt::print(stderr, "kx: {} (error {})\n", failure.message, failure.number);
      } else {
        fmt::print(stderr, "kx: {} failed: {} (error {})\n", failure.function, failure.message, failure.number);
      }
      return false;
    }
    fmt::print("{}\n", value_text(evaluation.value, digits));
    return true;
  } catch (const host::ParseError& error) {
    fmt::print(stderr, "kx: cannot read the formula {} at column {}: {}\n", formula, error.column(), error.what());
    return false;
  }
}

}  // namespace

int run_eval(const EvalOptions& options) {
  if (options.seed) kx::uniform_generator().set_fixed_seed(*options.seed);
  host::Session session({riskfn::create_object("Main"), mktfn::create_object("Main")});
  host::set_addin_language(session.application(), options.language);
  const ProgressLine progress(session.application());
  try {
    for (const std::string& path : options.sheets) session.open(host::load_workbook(path));
  } catch (const kx::Failure& failure) {
    fmt::print(stderr, "kx: {}\n", failure.what());
    return 1;
  }
  if (options.sheets.empty()) session.open_blank();

  host::FormulaEngine& engine = session.engine();
  engine.recalculate();
  report_workbook_problems(engine);
  for (const std::string& formula : options.formulas) {
    if (!evaluate_and_print(engine, formula, options.digits)) return 1;
  }
  return 0;
}

}  // namespace cli
