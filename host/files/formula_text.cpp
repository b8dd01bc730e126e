#include "host/files/formula_text.hpp"

#include <array>
#include <utility>
#include <vector>

#include "common/text_compare.hpp"
#include "host/document/address.hpp"

namespace host {
namespace {

// The worksheet error literals; their "!" and "/" must not read as operators.
constexpr std::array<std::string_view, 15> kErrorLiterals = {
    "#NULL!",  "#DIV/0!", "#VALUE!", "#REF!",     "#NAME?",    "#NUM!",  "#N/A",     "#GETTING_DATA",
    "#SPILL!", "#CALC!",  "#FIELD!", "#BLOCKED!", "#CONNECT!", "#BUSY!", "#UNKNOWN!"};

bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Characters of names, numbers and references; bytes of UTF-8 sequences count as letters.
bool is_word_char(char c) {
  return is_letter(c) || is_digit(c) || c == '_' || c == '.' || c == '$' || c == '\\' ||
         static_cast<unsigned char>(c) >= 0x80;
}

std::size_t word_end(std::string_view text, std::size_t from) {
  while (from < text.size() && is_word_char(text[from])) ++from;
  return from;
}

// The length of the error literal at the start of text, or 0.
std::size_t error_literal_length(std::string_view text) {
  std::size_t longest = 0;
  for (const auto literal : kErrorLiterals) {
    if (literal.size() > longest && text.size() >= literal.size() &&
        kx::equals_ignore_case(text.substr(0, literal.size()), literal)) {
      longest = literal.size();
    }
  }
  return longest;
}

// A quoted run (text in double quotes, a sheet name in single quotes) with its closing
// quote, a doubled quote standing for one; an unclosed run takes the rest.
std::size_t quoted_end(std::string_view text, std::size_t from, char quote) {
  std::size_t i = from + 1;
  while (i < text.size()) {
    if (text[i] != quote) {
      ++i;
    } else if (i + 1 < text.size() && text[i + 1] == quote) {
      i += 2;
    } else {
      return i + 1;
    }
  }
  return text.size();
}

// One side of an A1 reference: a cell ("$B7"), a whole column ("$B") or a whole row ("7").
struct CellPart {
  std::int32_t column = 0;  // 0: a whole row
  std::int32_t row = 0;     // 0: a whole column
  bool column_absolute = false;
  bool row_absolute = false;
};

std::optional<CellPart> parse_cell_part(std::string_view text) {
  CellPart part;
  std::size_t i = 0;
  if (i < text.size() && text[i] == '$') {
    part.column_absolute = true;
    ++i;
  }
  const std::size_t letters_begin = i;
  while (i < text.size() && is_letter(text[i])) ++i;
  if (i > letters_begin) {
    if (i - letters_begin > 3) return std::nullopt;
    const auto column = column_number(kx::to_upper_ascii(text.substr(letters_begin, i - letters_begin)));
    if (!column) return std::nullopt;
    part.column = *column;
  } else if (part.column_absolute) {
    // "$7" is a row's absolute mark.
    part.column_absolute = false;
    part.row_absolute = true;
  }
  if (i < text.size() && text[i] == '$') {
    if (part.column == 0) return std::nullopt;
    part.row_absolute = true;
    ++i;
  }
  const std::size_t digits_begin = i;
  while (i < text.size() && is_digit(text[i])) ++i;
  if (i != text.size()) return std::nullopt;
  if (i > digits_begin) {
    // Leading zeros or more than seven digits make no row of the sheet.
    if (text[digits_begin] == '0' || i - digits_begin > 7) return std::nullopt;
    part.row = std::stoi(std::string(text.substr(digits_begin)));
    if (part.row > kMaxRows) return std::nullopt;
  } else if (part.row_absolute) {
    return std::nullopt;
  }
  if (part.column == 0 && part.row == 0) return std::nullopt;
  return part;
}

bool is_cell(const CellPart& part) { return part.column != 0 && part.row != 0; }
bool same_kind(const CellPart& a, const CellPart& b) {
  return (a.column == 0) == (b.column == 0) && (a.row == 0) == (b.row == 0);
}

std::string format_cell_part(const CellPart& part) {
  std::string text;
  if (part.column != 0) {
    if (part.column_absolute) text += '$';
    text += column_letters(part.column);
  }
  if (part.row != 0) {
    if (part.row_absolute) text += '$';
    text += std::to_string(part.row);
  }
  return text;
}

// Moves the relative parts; nullopt when the result leaves the sheet.
std::optional<CellPart> shifted(CellPart part, std::int32_t rows, std::int32_t columns) {
  if (part.column != 0 && !part.column_absolute) {
    const std::int64_t column = static_cast<std::int64_t>(part.column) + columns;
    if (column < 1 || column > kMaxColumns) return std::nullopt;
    part.column = static_cast<std::int32_t>(column);
  }
  if (part.row != 0 && !part.row_absolute) {
    const std::int64_t row = static_cast<std::int64_t>(part.row) + rows;
    if (row < 1 || row > kMaxRows) return std::nullopt;
    part.row = static_cast<std::int32_t>(row);
  }
  return part;
}

std::string shifted_text(const CellPart& part, std::int32_t rows, std::int32_t columns) {
  const auto moved = shifted(part, rows, columns);
  return moved ? format_cell_part(*moved) : std::string("#REF!");
}

// Names of OpenFormula functions that differ from the .xlsx names by a prefix only; Gnumeric
// writes a function it does not know, such as a component's, under its own prefix.
std::string a1_function_name(std::string_view name) {
  for (const std::string_view prefix : {"COM.MICROSOFT.", "LEGACY.", "ORG.GNUMERIC."}) {
    if (name.size() > prefix.size() && kx::equals_ignore_case(name.substr(0, prefix.size()), prefix)) {
      return std::string(name.substr(prefix.size()));
    }
  }
  return std::string(name);
}

struct OpenReferencePart {
  std::string sheet;  // empty: the formula's own sheet
  CellPart cell;
};

// "$Sheet1.A1", "$'My sheet'.$B$2", ".A1", "Sheet1.A" as one side of an OpenFormula reference.
std::optional<OpenReferencePart> parse_open_part(std::string_view text) {
  OpenReferencePart part;
  if (!text.empty() && text.front() == '$') text.remove_prefix(1);
  std::string_view cell;
  if (!text.empty() && text.front() == '\'') {
    const std::size_t end = quoted_end(text, 0, '\'');
    if (end < 2 || text[end - 1] != '\'' || end >= text.size() || text[end] != '.') return std::nullopt;
    for (std::size_t i = 1; i + 1 < end; ++i) {
      part.sheet += text[i];
      if (text[i] == '\'') ++i;
    }
    cell = text.substr(end + 1);
  } else {
    const std::size_t dot = text.rfind('.');
    if (dot == std::string_view::npos) return std::nullopt;
    part.sheet = std::string(text.substr(0, dot));
    cell = text.substr(dot + 1);
  }
  const auto parsed = parse_cell_part(cell);
  if (!parsed) return std::nullopt;
  part.cell = *parsed;
  return part;
}

// The inside of "[...]": one cell or two sides joined by ":".
std::optional<std::string> open_reference_to_a1(std::string_view inside) {
  if (inside.find('#') != std::string_view::npos) {
    // A reference into another file ("'file:///x.ods'#$Sheet1.A1") has no A1 form;
    // a deleted one ("#REF!", ".#REF!") is the error it shows.
    return kx::to_upper_ascii(inside).find("#REF!") != std::string::npos ? std::optional<std::string>("#REF!")
                                                                         : std::nullopt;
  }
  std::size_t colon = std::string_view::npos;
  for (std::size_t i = 0; i < inside.size(); ++i) {
    if (inside[i] == '\'') {
      i = quoted_end(inside, i, '\'') - 1;
    } else if (inside[i] == ':') {
      if (colon != std::string_view::npos) return std::nullopt;
      colon = i;
    }
  }
  const auto first = parse_open_part(inside.substr(0, colon));
  if (!first) return std::nullopt;
  std::string text = first->sheet.empty() ? std::string() : sheet_prefix_name(first->sheet) + "!";
  if (colon == std::string_view::npos) {
    if (!is_cell(first->cell)) return std::nullopt;
    return text + format_cell_part(first->cell);
  }
  const auto second = parse_open_part(inside.substr(colon + 1));
  if (!second || !same_kind(first->cell, second->cell)) return std::nullopt;
  // A range over several sheets has no counterpart the host reads.
  if (!second->sheet.empty() && second->sheet != first->sheet) return std::nullopt;
  return text + format_cell_part(first->cell) + ":" + format_cell_part(second->cell);
}

bool looks_like_reference(std::string_view name) {
  const auto cell = parse_cell_part(name);
  if (cell && is_cell(*cell)) return true;
  // R1C1 forms: "R", "C", "R2", "C3", "R2C3".
  std::size_t i = 0;
  if (i < name.size() && (name[i] == 'R' || name[i] == 'r')) {
    ++i;
    while (i < name.size() && is_digit(name[i])) ++i;
  }
  if (i < name.size() && (name[i] == 'C' || name[i] == 'c')) {
    ++i;
    while (i < name.size() && is_digit(name[i])) ++i;
  }
  return i > 0 && i == name.size();
}

}  // namespace

std::string sheet_prefix_name(std::string_view sheet) {
  bool plain = !sheet.empty() && (is_letter(sheet.front()) || sheet.front() == '_') && !looks_like_reference(sheet) &&
               !kx::equals_ignore_case(sheet, "TRUE") && !kx::equals_ignore_case(sheet, "FALSE");
  for (const char c : sheet) plain = plain && (is_letter(c) || is_digit(c) || c == '_');
  if (plain) return std::string(sheet);
  std::string quoted = "'";
  for (const char c : sheet) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted + "'";
}

std::string shift_references(std::string_view formula, std::int32_t rows, std::int32_t columns) {
  std::string result;
  result.reserve(formula.size());
  std::size_t i = 0;
  while (i < formula.size()) {
    const char c = formula[i];
    if (c == '"' || c == '\'') {
      const std::size_t end = quoted_end(formula, i, c);
      result.append(formula.substr(i, end - i));
      i = end;
      continue;
    }
    if (c == '[') {
      // Workbook indexes ("[1]Sheet1!A1") and table columns stay as they are.
      std::size_t depth = 0;
      std::size_t end = i;
      do {
        if (formula[end] == '[') ++depth;
        if (formula[end] == ']') --depth;
        ++end;
      } while (end < formula.size() && depth > 0);
      result.append(formula.substr(i, end - i));
      i = end;
      continue;
    }
    if (c == '#') {
      const std::size_t length = std::max<std::size_t>(1, error_literal_length(formula.substr(i)));
      result.append(formula.substr(i, length));
      i += length;
      continue;
    }
    if (!is_word_char(c)) {
      result += c;
      ++i;
      continue;
    }
    const std::size_t end = word_end(formula, i);
    const std::string_view word = formula.substr(i, end - i);
    const char next = end < formula.size() ? formula[end] : '\0';
    // A sheet name, a function or a table is no reference.
    if (next == '!' || next == '(' || next == '[') {
      result.append(word);
      i = end;
      continue;
    }
    const auto part = parse_cell_part(word);
    if (part && next == ':' && end + 1 < formula.size() && is_word_char(formula[end + 1])) {
      // Whole columns ("A:C") and whole rows ("2:5") come in pairs.
      const std::size_t second_end = word_end(formula, end + 1);
      const auto second = parse_cell_part(formula.substr(end + 1, second_end - end - 1));
      if (second && !is_cell(*part) && same_kind(*part, *second)) {
        const auto moved_first = shifted(*part, rows, columns);
        const auto moved_second = shifted(*second, rows, columns);
        result += moved_first && moved_second ? format_cell_part(*moved_first) + ":" + format_cell_part(*moved_second)
                                              : std::string("#REF!");
        i = second_end;
        continue;
      }
    }
    if (part && is_cell(*part)) {
      result += shifted_text(*part, rows, columns);
    } else {
      result.append(word);
    }
    i = end;
  }
  return result;
}

std::optional<std::string> open_formula_to_a1(std::string_view formula) {
  // A namespace prefix ("of:", "oooc:", "msoxl:") says which grammar follows.
  std::string_view grammar;
  const std::size_t colon = formula.find(':');
  if (colon != std::string_view::npos && colon > 0 && colon <= 8) {
    bool letters = true;
    for (std::size_t i = 0; i < colon; ++i) letters = letters && is_letter(formula[i]);
    if (letters) {
      grammar = formula.substr(0, colon);
      formula.remove_prefix(colon + 1);
    }
  }
  if (!formula.starts_with('=')) return std::nullopt;
  formula.remove_prefix(1);
  if (formula.empty()) return std::nullopt;
  // Formulas written in the .xlsx grammar need nothing.
  if (kx::equals_ignore_case(grammar, "msoxl")) return std::string(formula);

  std::string result;
  result.reserve(formula.size());
  bool in_array = false;
  // For each open parenthesis: does it group (true) or hold a function's arguments?
  std::vector<bool> grouping;
  bool after_function = false;
  std::size_t i = 0;
  while (i < formula.size()) {
    const char c = formula[i];
    const bool opens_call = std::exchange(after_function, false);
    if (c == '"' || c == '\'') {
      const std::size_t end = quoted_end(formula, i, c);
      result.append(formula.substr(i, end - i));
      i = end;
      continue;
    }
    if (c == '[') {
      std::size_t end = i + 1;
      while (end < formula.size() && formula[end] != ']') {
        end = formula[end] == '\'' ? quoted_end(formula, end, '\'') : end + 1;
      }
      if (end >= formula.size()) return std::nullopt;
      const auto reference = open_reference_to_a1(formula.substr(i + 1, end - i - 1));
      if (!reference) return std::nullopt;
      result += *reference;
      i = end + 1;
      continue;
    }
    if (c == '#') {
      const std::size_t length = std::max<std::size_t>(1, error_literal_length(formula.substr(i)));
      result.append(formula.substr(i, length));
      i += length;
      continue;
    }
    if (is_word_char(c)) {
      const std::size_t end = word_end(formula, i);
      const std::string_view word = formula.substr(i, end - i);
      after_function = end < formula.size() && formula[end] == '(';
      result += after_function ? a1_function_name(word) : std::string(word);
      i = end;
      continue;
    }
    switch (c) {
      case '{':
        in_array = true;
        result += c;
        break;
      case '}':
        in_array = false;
        result += c;
        break;
      // The argument separator, and inside an array constant the column separator.
      case ';': result += ','; break;
      case '|':
        if (!in_array) return std::nullopt;
        result += ';';
        break;
      // The intersection operator is a space in the A1 form.
      case '!': result += ' '; break;
      case '(':
        grouping.push_back(!opens_call);
        result += c;
        break;
      case ')':
        if (!grouping.empty()) grouping.pop_back();
        result += c;
        break;
      // The union of references is a comma inside parentheses of their own in the A1 form.
      case '~':
        if (grouping.empty() || !grouping.back()) return std::nullopt;
        result += ',';
        break;
      default: result += c;
    }
    ++i;
  }
  return result;
}

std::optional<std::string> open_range_to_a1(std::string_view address) { return open_reference_to_a1(address); }

}  // namespace host
