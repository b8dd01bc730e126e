#include <string_view>
#include <vector>

#include "host/worksheet/function_help_tables.hpp"

namespace host::worksheet::help {
namespace {

using kx::FunctionHelp;
using kx::ParameterHelp;

constexpr ParameterHelp kPadWith = p("pad_with", "the value that fills the missing places (#N/A when omitted)");
constexpr ParameterHelp kIgnore =
    p("ignore", "0 or omitted to keep every value, 1 to skip empty cells, 2 errors, 3 both");
constexpr ParameterHelp kScanByColumn =
    p("scan_by_column", "FALSE or omitted to read row by row, TRUE column by column");
constexpr ParameterHelp kWrapCount = p("wrap_count", "the number of values in each line (>= 1)");
constexpr ParameterHelp kTextToCut = p("text", "the text to cut");
constexpr ParameterHelp kDelimiter = p("delimiter", "the text that marks the cut, or an array of such texts");
constexpr ParameterHelp kInstanceNum =
    p("instance_num", "which delimiter, from 1 (1 when omitted); negative counts from the end");
constexpr ParameterHelp kMatchMode = p("match_mode", "0 or omitted to match case, 1 to ignore it");
constexpr ParameterHelp kMatchEnd = p("match_end", "0 or omitted; 1 to treat the text's end as a delimiter too");
constexpr ParameterHelp kIfNotFound = p("if_not_found", "the result when the delimiter is missing (#N/A when omitted)");
constexpr ParameterHelp kTextFormat =
    p("format", "0 or omitted for the concise form, 1 for the strict one with texts in quotes");
constexpr ParameterHelp kRows = p("rows", "the number of rows; negative counts from the end");
constexpr ParameterHelp kColumns =
    p("columns", "the number of columns; negative counts from the end (all when omitted)");

}  // namespace

std::vector<FunctionHelp> text_and_information_help() {
  return {
      // Information.
      {"ISEVEN", "TRUE for an even number", {p("number", "the number; decimals are cut off")}, "ISEVEN(4)"},
      {"ISODD", "TRUE for an odd number", {p("number", "the number; decimals are cut off")}, "ISODD(4)"},
      {"ISNONTEXT", "TRUE for anything but a text", {kValue}, "ISNONTEXT(42)"},
      {"ISREF", "TRUE for a reference", {kValue}, "ISREF(A1:B2)"},
      {"ISFORMULA", "TRUE for a cell that holds a formula", {p("reference", "the cell")}, "ISFORMULA(A1)"},
      {"FORMULATEXT",
       "the formula of a cell as a text; #N/A when it holds none",
       {p("reference", "the cell")},
       "IFNA(FORMULATEXT(A1),\"no formula\")"},
      {"ERROR.TYPE",
       "the number of an error value: 1 #NULL!, 2 #DIV/0!, 3 #VALUE!, 4 #REF!, 5 #NAME?, 6 #NUM!, 7 #N/A; #N/A for "
       "any other value",
       {p("error_val", "the value to test")},
       "ERROR.TYPE(1/0)"},
      {"TYPE", "the kind of a value: 1 number, 2 text, 4 logical value, 16 error, 64 array", {kValue}, "TYPE(\"abc\")"},
      {"N",
       "a value as a number: a number itself, 1 for TRUE, 0 for anything else",
       {p("value", "the value")},
       "N(TRUE)"},
      {"T",
       "a value as a text: a text itself, an empty text for anything else",
       {p("value", "the value")},
       "T(\"abc\")"},
      {"CELL",
       "information about a cell: its \"address\", \"row\", \"col\", \"contents\", \"type\" or \"sheet\"",
       {p("info_type", "the information wanted, one of the texts above"), p("reference", "the cell")},
       "CELL(\"address\",C5)"},
      {"AREAS", "the number of areas in a reference", {p("reference", "the reference")}, "AREAS(A1:C3)"},
      {"ADDRESS",
       "the address of a cell as a text",
       {p("row_num", "the row number, from 1"), p("column_num", "the column number, from 1"),
        p("abs_num", "1 or omitted absolute, 2 absolute row, 3 absolute column, 4 relative"),
        p("a1", "TRUE or omitted for A1 style, FALSE for R1C1 style"),
        p("sheet_text", "the sheet's name, put in front (none when omitted)")},
       "ADDRESS(2,3,4)"},
      {"HYPERLINK",
       "a link to a place or document; the cell shows its friendly name",
       {p("link_location", "the address of the document or place, a text"),
        p("friendly_name", "the value shown (the address when omitted)")},
       "HYPERLINK(\"https://example.com\",\"Example\")"},

      // Text conversions.
      {"CHAR",
       "the character of a code of the Windows code page",
       {p("number", "the code, from 1 to 255")},
       "CHAR(65)"},
      {"CODE",
       "the Windows code page code of a text's first character",
       {p("text", "the text, not empty")},
       "CODE(\"A\")"},
      {"UNICHAR", "the character of a Unicode code point", {p("number", "the code point, from 1")}, "UNICHAR(8364)"},
      {"UNICODE",
       "the Unicode code point of a text's first character",
       {p("text", "the text, not empty")},
       "UNICODE(\"€\")"},
      {"CLEAN",
       "a text without the control characters 0 to 31",
       {p("text", "the text")},
       "CLEAN(\"a\"&CHAR(10)&\"b\")"},
      {"DOLLAR",
       "a number rounded and written as currency, negative ones in parentheses",
       {p("number", "the number"),
        p("decimals", "the number of decimals (2 when omitted); negative to round to tens, hundreds, ...")},
       "DOLLAR(-1234.567,2)"},
      {"NUMBERVALUE",
       "the number a text writes, with the separators given",
       {p("text", "the text; spaces are ignored and each trailing % divides by 100"),
        p("decimal_separator", "the decimal separator (\".\" when omitted)"),
        p("group_separator", "the group separator (\",\" when omitted)")},
       "NUMBERVALUE(\"1.234,5\",\",\",\".\")"},
      {"VALUETOTEXT", "a value written as a text", {p("value", "the value"), kTextFormat}, "VALUETOTEXT(\"abc\",1)"},
      {"ARRAYTOTEXT",
       "an array written as a text: its values joined by \", \", or an array constant",
       {kArray, kTextFormat},
       "ARRAYTOTEXT({1,2;3,4},1)"},

      // Text splitting.
      {"TEXTBEFORE",
       "the part of a text before a delimiter",
       {kTextToCut, kDelimiter, kInstanceNum, kMatchMode, kMatchEnd, kIfNotFound},
       "TEXTBEFORE(\"north-east-2\",\"-\",2)"},
      {"TEXTAFTER",
       "the part of a text after a delimiter",
       {kTextToCut, kDelimiter, kInstanceNum, kMatchMode, kMatchEnd, kIfNotFound},
       "TEXTAFTER(\"north-east-2\",\"-\")"},
      {"TEXTSPLIT",
       "a text split into columns, and rows, at delimiters",
       {p("text", "the text to split"),
        p("col_delimiter", "the text that separates columns, or an array of such texts"),
        p("row_delimiter", "the text that separates rows (one row when omitted)"),
        p("ignore_empty", "FALSE or omitted to keep empty parts, TRUE to skip them"), kMatchMode,
        p("pad_with", "the value that fills short rows (#N/A when omitted)")},
       "TEXTSPLIT(\"a,b;c,d\",\",\",\";\")"},

      // Array shaping.
      {"TAKE", "the first or last rows and columns of an array", {kArray, kRows, kColumns}, "TAKE({1,2,3;4,5,6},1,-2)"},
      {"DROP",
       "an array without its first or last rows and columns",
       {kArray, p("rows", "the number of rows left out; negative from the end"),
        p("columns", "the number of columns left out; negative from the end (none when omitted)")},
       "DROP({1,2,3;4,5,6},1)"},
      {"CHOOSEROWS",
       "the rows of an array picked by their numbers",
       {kArray, p("row_num1", "the number of the first row, from 1; negative counts from the end"),
        p("...", "more row numbers")},
       "CHOOSEROWS({1,2;3,4;5,6},3,1)"},
      {"CHOOSECOLS",
       "the columns of an array picked by their numbers",
       {kArray, p("col_num1", "the number of the first column, from 1; negative counts from the end"),
        p("...", "more column numbers")},
       "CHOOSECOLS({1,2,3;4,5,6},-1)"},
      {"VSTACK",
       "arrays stacked one below the other; narrower ones padded with #N/A",
       {p("array1", "the first array or range"), p("...", "more arrays or ranges")},
       "VSTACK({1,2},{3,4})"},
      {"HSTACK",
       "arrays put side by side; shorter ones padded with #N/A",
       {p("array1", "the first array or range"), p("...", "more arrays or ranges")},
       "HSTACK({1;2},{3;4})"},
      {"TOCOL", "the values of an array in one column", {kArray, kIgnore, kScanByColumn}, "TOCOL({1,2;3,4})"},
      {"TOROW", "the values of an array in one row", {kArray, kIgnore, kScanByColumn}, "TOROW({1,2;3,4},0,TRUE)"},
      {"WRAPROWS",
       "a row or column of values wrapped into rows of a length",
       {p("vector", "the row or column of values"), kWrapCount, kPadWith},
       "WRAPROWS({1,2,3,4,5,6},3)"},
      {"WRAPCOLS",
       "a row or column of values wrapped into columns of a length",
       {p("vector", "the row or column of values"), kWrapCount, kPadWith},
       "WRAPCOLS({1,2,3,4,5,6},3)"},
      {"EXPAND",
       "an array grown to a number of rows and columns",
       {kArray, p("rows", "the number of rows, at least the array's"),
        p("columns", "the number of columns, at least the array's (the array's when omitted)"), kPadWith},
       "EXPAND({1,2;3,4},3,3,0)"},
  };
}

}  // namespace host::worksheet::help
