// Information functions: what kind of value an argument is (TYPE, ERROR.TYPE, ISEVEN, ...),
// the number or text it stands for (N, T), and what a reference is (ISREF, ISFORMULA,
// FORMULATEXT, CELL, AREAS), with ADDRESS and HYPERLINK.
#include <cctype>
#include <cmath>
#include <string>

#include "common/text_compare.hpp"
#include "host/document/address.hpp"
#include "host/document/book.hpp"
#include "host/document/cell.hpp"
#include "host/document/cell_range.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

// ISEVEN and ISODD take numbers (or numeric texts); a boolean is #VALUE!.
template <bool Even>
kx::Value parity(Arguments args) {
  const kx::Value value = single_arg(args[0]);
  if (value.is_boolean()) raise_error(kx::error::kXlValue, "a boolean has no parity");
  const double whole = std::trunc(number_arg(value));
  return (std::fmod(std::fabs(whole), 2.0) == 0.0) == Even;
}

kx::Value is_non_text(Arguments args) { return !single_arg(args[0]).is_text(); }

kx::Value is_reference(Arguments args) { return args[0].is_range(); }

kx::Value error_type(Arguments args) {
  const kx::Value value = single_arg(args[0]);
  if (!value.is_error() || is_omitted(value)) raise_error(kx::error::kXlNA, "the value is no error");
  switch (value.error().number) {
    case kx::error::kXlNull: return 1.0;
    case kx::error::kXlDiv0: return 2.0;
    case kx::error::kXlValue: return 3.0;
    case kx::error::kXlRef: return 4.0;
    case kx::error::kXlName: return 5.0;
    case kx::error::kXlNum: return 6.0;
    case kx::error::kXlNA: return 7.0;
    default: raise_error(kx::error::kXlNA, "the value is no worksheet error");
  }
}

// 1 number (and empty), 2 text, 4 boolean, 16 error, 64 array or several cells.
kx::Value type_of(Arguments args) {
  const kx::Value& argument = args[0];
  if ((argument.is_array() || argument.is_range()) && Grid(argument).size() > 1) return 64.0;
  const kx::Value value = single_arg(argument);
  if (value.is_text()) return 2.0;
  if (value.is_boolean()) return 4.0;
  if (value.is_error() && !is_omitted(value)) return 16.0;
  return 1.0;
}

// The first value of a range or array.
kx::Value first_value(const kx::Value& argument) {
  const Grid grid(argument);
  return grid.size() == 0 ? kx::Value() : grid.at(0);
}

kx::Value as_number(Arguments args) {
  const kx::Value value = first_value(args[0]);
  if (value.is_error() && !is_omitted(value)) raise_error(value.error().number, "the value is an error");
  if (value.is_number()) return value;
  if (value.is_boolean()) return value.boolean() ? 1.0 : 0.0;
  return 0.0;
}

kx::Value as_text(Arguments args) {
  const kx::Value value = first_value(args[0]);
  if (value.is_error() && !is_omitted(value)) raise_error(value.error().number, "the value is an error");
  return value.is_text() ? value : kx::Value(std::string());
}

// A sheet name as references write it: quoted unless it is letters, digits and underscores
// that do not start with a digit.
std::string sheet_prefix(const std::string& name) {
  bool plain = !name.empty() && !(name[0] >= '0' && name[0] <= '9');
  for (const char c : name) plain = plain && (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.');
  if (plain) return name + "!";
  std::string quoted = "'";
  for (const char c : name) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'!";
}

// ADDRESS(row, column, [abs_num], [a1], [sheet_text]): abs_num 1 absolute, 2 absolute row,
// 3 absolute column, 4 relative; a1 FALSE writes R1C1.
kx::Value address(Arguments args) {
  const double row = whole_arg(args[0]);
  const double column = whole_arg(args[1]);
  const double kind = number_or(args[2], 1.0);
  const bool a1 = is_omitted(args[3]) || flag_arg(args[3]);
  if (row < 1.0 || row > 1048576.0 || column < 1.0 || column > 16384.0) {
    raise_error(kx::error::kXlValue, "the row or column lies outside the sheet");
  }
  if (kind < 1.0 || kind > 4.0) raise_error(kx::error::kXlValue, "abs_num must be 1 to 4");
  const int mode = static_cast<int>(kind);
  const bool absolute_row = mode == 1 || mode == 2;
  const bool absolute_column = mode == 1 || mode == 3;
  const auto r = static_cast<std::int32_t>(row);
  const auto c = static_cast<std::int32_t>(column);
  std::string text;
  if (a1) {
    text = (absolute_column ? "$" : "") + column_letters(c) + (absolute_row ? "$" : "") + std::to_string(r);
  } else {
    text = "R" + (absolute_row ? std::to_string(r) : "[" + std::to_string(r) + "]") + "C" +
           (absolute_column ? std::to_string(c) : "[" + std::to_string(c) + "]");
  }
  if (is_omitted(args[4])) return text;
  const std::string sheet = text_arg(args[4]);
  return sheet.empty() ? text : sheet_prefix(sheet) + text;
}

kx::Value hyperlink(Arguments args) {
  if (is_omitted(args[1])) return text_arg(args[0]);
  return single_arg(args[1]);
}

const CellRange& range_arg(const kx::Value& value) {
  const auto* range = value.is_range() ? dynamic_cast<const CellRange*>(value.range().get()) : nullptr;
  if (range == nullptr) raise_error(kx::error::kXlValue, "the argument must be a reference");
  return *range;
}

const Cell* first_cell(const CellRange& range) { return range.sheet()->find(range.row(), range.column()); }

kx::Value is_formula(Arguments args) {
  const Cell* cell = first_cell(range_arg(args[0]));
  return cell != nullptr && cell->has_formula();
}

kx::Value formula_text(Arguments args) {
  const Cell* cell = first_cell(range_arg(args[0]));
  if (cell == nullptr || !cell->has_formula()) raise_error(kx::error::kXlNA, "the cell holds no formula");
  return "=" + cell->formula_text;
}

kx::Value areas(Arguments args) {
  range_arg(args[0]);
  return 1.0;
}

// CELL(info_type, reference) for the kinds of information that do not depend on formatting.
kx::Value cell_info(Arguments args) {
  const std::string kind = kx::to_lower_ascii(text_arg(args[0]));
  if (is_omitted(args[1])) raise_error(kx::error::kXlValue, "CELL needs a reference here");
  const CellRange& range = range_arg(args[1]);
  const kx::Value& value = range.sheet()->value(range.row(), range.column());
  if (kind == "address") return "$" + column_letters(range.column()) + "$" + std::to_string(range.row());
  if (kind == "row") return static_cast<double>(range.row());
  if (kind == "col") return static_cast<double>(range.column());
  if (kind == "contents") return value;
  if (kind == "type") return value.is_empty() ? "b" : value.is_text() ? "l" : "v";
  if (kind == "sheet") {
    const auto book = range.sheet()->book();
    if (!book) return 1.0;
    for (std::size_t i = 0; i < book->sheets().size(); ++i) {
      if (book->sheets()[i].get() == range.sheet().get()) return static_cast<double>(i + 1);
    }
    return 1.0;
  }
  raise_error(kx::error::kXlValue, "CELL does not know the information type \"" + kind + "\"");
}

constexpr SheetFunction kFunctions[] = {
    {"ISEVEN", 1, 1, kSingleValues, parity<true>, "number"},
    {"ISODD", 1, 1, kSingleValues, parity<false>, "number"},
    {"ISNONTEXT", 1, 1, kSingleValues, is_non_text, "value"},
    {"ISREF", 1, 1, kArrays, is_reference, "value"},
    {"ISFORMULA", 1, 1, kArrays, is_formula, "reference"},
    {"FORMULATEXT", 1, 1, kArrays, formula_text, "reference"},
    {"ERROR.TYPE", 1, 1, kSingleValues, error_type, "error_val"},
    {"TYPE", 1, 1, kArrays, type_of, "value"},
    {"N", 1, 1, kArrays, as_number, "value"},
    {"T", 1, 1, kArrays, as_text, "value"},
    {"CELL", 1, 2, kArrays, cell_info, "info_type, [reference]"},
    {"AREAS", 1, 1, kArrays, areas, "reference"},
    {"ADDRESS", 2, 5, kSingleValues, address, "row_num, column_num, [abs_num], [a1], [sheet_text]"},
    {"HYPERLINK", 1, 2, kSingleValues, hyperlink, "link_location, [friendly_name]"},
};

}  // namespace

Family information_functions() { return kFunctions; }

}  // namespace host::worksheet
