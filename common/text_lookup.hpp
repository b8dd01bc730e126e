// Multilingual texts: one row per text and one column per language on sheets of the
// add-in workbook; the current language is the code in matcov!E2.
#pragma once

#include <cstdint>
#include <string>

#include "common/value.hpp"

namespace kx {

inline constexpr const char* kAddinWorkbookName = "korvex.xla";

// Whose tables: the risk component reads its sheets through ThisWorkbook one row below the
// text row; the marketing server reads its sheet through the add-in workbook at the row itself.
enum class TextTables { Risk, Marketing };

// The column of a language code, compared exactly: "GBR" 2, "ITA" 3, "ESP" 4, "FRA" 5,
// "GER" 6, anything else 2.
std::int32_t language_column(const std::string& code);

// The text at `row` of tool `tool` in the current language; the empty text for a tool
// without a table. Traps nothing: a missing workbook, sheet or cell, or a cell that cannot
// become a text, fails the call.
std::string lookup_text(TextTables tables, const Value& application, const Value& this_workbook, std::int16_t tool,
                        std::int32_t row);

}  // namespace kx
