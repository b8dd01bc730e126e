// The functions that run inside the formula engine rather than on values alone: ROW, COLUMN
// and INDIRECT need the cell a formula stands in and its workbook, LET binds names.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "host/document/address.hpp"
#include "host/document/cell_range.hpp"
#include "host/document/spreadsheet.hpp"
#include "host/formula/builtins.hpp"
#include "host/formula/coercion.hpp"
#include "host/formula/limits.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

const CellRange* cells_of(const kx::Value& value) {
  return value.is_range() ? dynamic_cast<const CellRange*>(value.range().get()) : nullptr;
}

// ROW(reference) and COLUMN(reference): the numbers of a range's rows (or columns), one
// number for one; without an argument, those of the formula's own cell (1 outside any cell).
template <bool Rows>
kx::Value position(const host::Arguments& arguments) {
  if (!arguments.given(0)) {
    const auto caller = arguments.caller();
    if (!caller) return 1.0;
    return static_cast<double>(Rows ? caller->row : caller->column);
  }
  const kx::Value reference = arguments.reference(0);
  if (reference.is_error()) return reference;
  const CellRange* range = cells_of(reference);
  if (range == nullptr) give_error(kx::error::kXlValue);
  const std::int32_t first = Rows ? range->row() : range->column();
  const std::int32_t count = Rows ? range->row_count() : range->column_count();
  if (count == 1) return static_cast<double>(first);
  kx::Array numbers(Rows ? static_cast<std::size_t>(count) : 1, Rows ? 1 : static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) numbers.at(static_cast<std::size_t>(i)) = static_cast<double>(first + i);
  return numbers;
}

// The sheet a formula reads unqualified references on: its cell's, or, outside any cell,
// the active workbook's first sheet.
std::shared_ptr<Sheet> home_sheet(const host::Arguments& arguments) {
  if (const auto caller = arguments.caller(); caller && caller->sheet != nullptr) {
    if (const auto book = caller->sheet->book()) return book->find_sheet(caller->sheet->name());
    return nullptr;
  }
  const auto book = arguments.application().active_book();
  if (!book || book->sheets().empty()) return nullptr;
  return book->sheets().front();
}

// INDIRECT(ref_text, [a1]): the range an A1 address names, on the formula's sheet or on the
// sheet it names. Texts that name no range are #REF!.
kx::Value indirect(const host::Arguments& arguments) {
  arguments.application().mark_volatile();
  const std::string text = text_of(arguments.value(0));
  if (arguments.given(1) && !logical_of(arguments.value(1))) give_error(kx::error::kXlRef);  // R1C1 is not read
  const auto area = parse_address(text);
  if (!area) give_error(kx::error::kXlRef);
  std::shared_ptr<Sheet> sheet = home_sheet(arguments);
  if (sheet && !area->sheet.empty()) {
    const auto book = sheet->book();
    sheet = book ? book->find_sheet(area->sheet) : nullptr;
  }
  if (!sheet) give_error(kx::error::kXlRef);
  return kx::Value(sheet->area(area->top, area->left, area->bottom, area->right));
}

// The 1-based position of a sheet in its workbook.
double sheet_number(const Sheet& sheet) {
  const auto book = sheet.book();
  if (!book) return 1.0;
  const auto& sheets = book->sheets();
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    if (sheets[i].get() == &sheet) return static_cast<double>(i + 1);
  }
  return 1.0;
}

// SHEET([value]): the number of the formula's sheet, of a reference's sheet, or of the sheet a
// text names.
kx::Value sheet(const host::Arguments& arguments) {
  if (!arguments.given(0)) {
    const auto home = home_sheet(arguments);
    return home ? sheet_number(*home) : 1.0;
  }
  const kx::Value reference = arguments.reference(0);
  if (const CellRange* range = cells_of(reference)) return sheet_number(*range->sheet());
  if (reference.is_error()) return reference;
  const auto home = home_sheet(arguments);
  const auto book = home ? home->book() : nullptr;
  const auto named = book ? book->find_sheet(text_of(reference)) : nullptr;
  if (!named) give_error(kx::error::kXlNA);
  return sheet_number(*named);
}

// SHEETS([reference]): the sheets of the formula's workbook, or the one of a reference.
kx::Value sheets(const host::Arguments& arguments) {
  if (arguments.given(0)) {
    const kx::Value reference = arguments.reference(0);
    if (reference.is_error()) return reference;
    if (cells_of(reference) == nullptr) give_error(kx::error::kXlRef);
    return 1.0;
  }
  const auto home = home_sheet(arguments);
  const auto book = home ? home->book() : nullptr;
  return book ? static_cast<double>(book->sheets().size()) : 1.0;
}

// LET(name1, value1, [name2, value2, ...], calculation): each value may use the names before it.
kx::Value let(const host::Arguments& arguments) {
  if (arguments.count() % 2 == 0) give_error(kx::error::kXlValue);
  struct Scope {
    const host::Arguments& arguments;
    std::size_t bound = 0;
    ~Scope() { arguments.unbind(bound); }
  } scope{arguments};
  for (std::size_t i = 0; i + 1 < arguments.count(); i += 2) {
    const auto name = arguments.name(i);
    if (!name) give_error(kx::error::kXlValue);
    arguments.bind(*name, arguments.reference(i + 1));
    ++scope.bound;
  }
  return arguments.reference(arguments.count() - 1);
}

constexpr std::array<Builtin, 6> kBuiltins = {{
    {"SHEET", 0, 1, sheet, "[value]"},
    {"SHEETS", 0, 1, sheets, "[reference]"},
    {"ROW", 0, 1, position<true>, "[reference]"},
    {"COLUMN", 0, 1, position<false>, "[reference]"},
    {"INDIRECT", 1, 2, indirect, "ref_text, [a1]"},
    {"LET", 3, kMaxArguments, let, "name1, value1, ..., calculation"},
}};

}  // namespace

std::span<const Builtin> engine_builtins() { return kBuiltins; }

}  // namespace host::worksheet
