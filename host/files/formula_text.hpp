// Formula texts as workbook files store them, rewritten to the A1 form the host keeps:
// the .xlsx form without the leading "=" ("SUM(B1:B3)", "'Model Sheet'!B2*2").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace host {

// A shared formula of an .xlsx sheet as it reads in a cell `rows` below and `columns`
// right of the cell that holds its text: relative references move, absolute ones stay,
// and a reference moved off the sheet becomes #REF!.
std::string shift_references(std::string_view formula, std::int32_t rows, std::int32_t columns);

// An .ods cell's formula (the OpenFormula form, "of:=SUM([.B1:.B3])") in the A1 form;
// nullopt when it uses what that form cannot say (references into other files, 3-D
// references, the union operator outside parentheses) or is malformed.
std::optional<std::string> open_formula_to_a1(std::string_view formula);

// An .ods named range's address ("$Inputs.$A$1:.$B$2") in the A1 form ("Inputs!$A$1:$B$2");
// nullopt when it has none.
std::optional<std::string> open_range_to_a1(std::string_view address);

// A sheet name as a reference names it: quoted when it is not a plain name ("'My sheet'",
// "'It''s'"), as is otherwise ("Inputs").
std::string sheet_prefix_name(std::string_view sheet);

}  // namespace host
