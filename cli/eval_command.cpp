#include "cli/eval_command.hpp"

#include <fmt/format.h>

#include <charconv>
#include <cstdio>
#include <exception>
#include <string_view>

#include "cli/call_failure_text.hpp"
#include "cli/components.hpp"
#include "cli/progress_line.hpp"
#include "cli/sheet_listing.hpp"
#include "cli/terminal_text.hpp"
#include "cli/value_text.hpp"
#include "cli/workbook_loading.hpp"
#include "common/failure.hpp"
#include "common/uniform_generator.hpp"
#include "host/addin/addin_workbook.hpp"
#include "host/formula/parse_error.hpp"
#include "host/session/session.hpp"

namespace cli {
namespace {

// Formulas of the workbooks that cannot be computed are shown, not fatal: their cells hold
// error values, and a formula given on the command line may not read them at all.
void report_workbook_problems(host::FormulaEngine& engine) {
  for (const auto& problem : engine.problems()) {
    print_error_line(
        fmt::format("warning: {}: {} (column {})", problem.cell, problem.problem.message, problem.problem.column));
  }
  for (const auto& cycle : engine.cycles()) {
    print_error_line(fmt::format("warning: circular reference through {}", fmt::join(cycle, ", ")));
  }
  for (const auto& failed : engine.call_failures()) {
    print_error_line(fmt::format("warning: {}: {}", failed.cell, call_failure_text(failed.failure)));
  }
}

// A message box of a component: its lines on standard error.
void print_message(std::string_view text) {
  // Its line breaks stay line breaks; any other control character is written out.
  while (true) {
    const std::size_t end = text.find_first_of("\r\n");
    fmt::print(stderr, "{}\n", terminal_safe(text.substr(0, end)));
    if (end == std::string_view::npos) return;
    text.remove_prefix(text.substr(end, 2) == "\r\n" ? end + 2 : end + 1);
  }
}

// False when the formula failed; the reason is on standard error.
bool evaluate_and_print(host::FormulaEngine& engine, const std::string& formula, int digits) {
  try {
    const auto evaluation = engine.evaluate(formula);
    // A failed call that its formula caught (IFERROR) leaves a value, and that value is the answer.
    if (evaluation.failure && evaluation.value.is_error()) {
      print_error_line(call_failure_text(*evaluation.failure));
      return false;
    }
    fmt::print("{}\n", value_text(evaluation.value, digits));
    return true;
  } catch (const host::ParseError& error) {
    print_error_line(fmt::format("cannot read the formula {} at column {}: {}", formula, error.column(), error.what()));
    return false;
  }
}

}  // namespace

std::optional<std::uint64_t> parse_seed(std::string_view text) {
  std::uint64_t seed = 0;
  const char* end = text.data() + text.size();
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  const auto [stop, error] = std::from_chars(text.data(), end, seed);
  if (error != std::errc() || stop != end) return std::nullopt;
  return seed;
}

int run_eval(const EvalOptions& options) {
  if (options.seed) kx::uniform_generator().set_fixed_seed(*options.seed);
  host::Session session(component_objects(options.server));
  host::set_addin_language(session.application(), options.language);
  session.application().on_message([](std::string_view text) { print_message(text); });
  const ProgressLine progress(session.application());
  std::vector<std::shared_ptr<host::Book>> books;
  try {
    for (const std::string& path : options.sheets) books.push_back(load_workbook_reporting(path));
  } catch (const kx::Failure& failure) {
    print_error_line(failure.what());
    return 1;
  }
  if (options.formulas.empty()) {
    // Without a formula: what was read, for the user to check against the file.
    for (const auto& book : books) fmt::print("{}", sheet_listing(*book));
    return 0;
  }
  for (const auto& book : books) session.open(book);
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
