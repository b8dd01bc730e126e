// A formula against a small workbook, with both components started as the add-in starts
// them, so that the risk and marketing functions are reached with hostile arguments. The
// first line of the input is the formula; the rest is the workbook, read as a CSV file
// whose cells may hold formulas themselves. Nothing may crash, hang or exhaust memory: a
// refused workbook, a refused formula or an error value are all fine.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/failure.hpp"
#include "common/uniform_generator.hpp"
#include "host/files/workbook_files.hpp"
#include "host/formula/limits.hpp"
#include "host/formula/parse_error.hpp"
#include "host/session/session.hpp"
#include "mktfn/frame/classes.hpp"
#include "riskfn/frame/classes.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t line_end = input.find('\n');
  const std::string formula(input.substr(0, line_end));
  const std::string_view csv = line_end == std::string_view::npos ? std::string_view() : input.substr(line_end + 1);

  // Small limits keep every run quick and put the limits themselves in reach.
  host::ReadLimits limits;
  limits.max_cells = 10'000;
  limits.max_formula_cells = 1'000;
  limits.max_text_bytes = 1 << 20;

  kx::uniform_generator().set_fixed_seed(1);
  host::Session session({riskfn::create_object("Main"), mktfn::create_object("Main")});
  try {
    session.open(host::read_workbook(csv, host::WorkbookFormat::Csv, "model.csv", limits));
  } catch (const kx::Failure&) {
    return 0;
  }
  host::FormulaEngine& engine = session.engine();
  try {
    // A cell over the work budget fails the whole recalculation, as the command then fails.
    engine.recalculate();
    try {
      engine.evaluate(formula);
    } catch (const host::ParseError&) {
    }
    engine.recalculate_all();
  } catch (const host::LimitExceeded&) {
  }
  return 0;
}
