// Any bytes as a formula: parsed, evaluated outside a cell, and computed in a cell among
// others (so that spills and recalculation run too). Nothing may crash, hang or leak; a
// formula the engine refuses is fine.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "host/document/spreadsheet.hpp"
#include "host/formula/formula_engine.hpp"
#include "host/formula/limits.hpp"
#include "host/formula/parse_error.hpp"
#include "host/formula/parser.hpp"

namespace {

struct Workbook {
  Workbook() {
    auto book = application->add_book("model.xlsx");
    sheet = book->add_sheet("Sheet1");
    book->add_sheet("My data")->set_value(2, 2, 42.0);
    sheet->set_value(1, 1, 1.0);
    sheet->set_value(2, 1, "text");
    sheet->set_value(3, 1, true);
    sheet->set_value(4, 1, kx::ErrorValue{kx::error::kXlNA});
    sheet->set_formula(1, 2, "=A1+C1");
  }

  std::shared_ptr<host::Spreadsheet> application = host::Spreadsheet::create();
  std::shared_ptr<host::Sheet> sheet;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    host::parse_formula(text);
  } catch (const host::ParseError&) {
    return 0;
  }
  Workbook workbook;
  host::FormulaEngine engine(workbook.application);
  workbook.sheet->set_formula(1, 3, text);  // C1, read by B1
  engine.load();
  try {
    // A cell over the work budget fails the whole recalculation, as the command then fails.
    engine.recalculate();
    engine.recalculate_all();
  } catch (const host::LimitExceeded&) {
  }
  try {
    engine.evaluate(text);
  } catch (const host::ParseError&) {
  }
  return 0;
}
