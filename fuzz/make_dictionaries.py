#!/usr/bin/env python3
"""Writes the libFuzzer dictionaries of fuzz/ from the sources, so that they follow the
function tables: every function name the formula engine knows (the host's own, the worksheet
functions, the risk and marketing components' members), the reference forms that reach the
limits (whole columns and rows, the sheet's last cell, other sheets), and the structures of
the workbook files and of the server's messages.

Run from the repository's root: fuzz/make_dictionaries.py
"""
import pathlib
import re

ROOT = pathlib.Path(__file__).resolve().parent.parent
FUZZ = ROOT / "fuzz"


def quoted(token):
    def escaped(char):
        if char in '\\"':
            return "\\" + char
        return char if " " <= char <= "~" else "\\x%02X" % ord(char)

    return '"' + "".join(escaped(c) for c in token) + '"'


def function_names():
    names = set()
    for path in (ROOT / "host").rglob("*.cpp"):
        names.update(re.findall(r'\{"([A-Z][A-Z0-9.]*)",\s*\d', path.read_text()))
    table = (ROOT / "common/host_services.cpp").read_text()
    names.update(n.upper() for n in re.findall(r'"([A-Z][A-Za-z0-9]+)"', table.split("kNames")[1].split("};")[0]))
    for main in ("riskfn/frame/main_interface.cpp", "mktfn/frame/main_interface.cpp"):
        names.update(re.findall(r'\.method<[^>]*>\("([A-Za-z_][A-Za-z0-9_]*)"', (ROOT / main).read_text()))
    return sorted(names)


FORMULA_TOKENS = [
    # reference forms, including those that span the whole sheet
    "A1", "$A$1", "A1:B2", "A:A", "1:1", "A:XFD", "1:1048576", "A1:XFD1048576", "XFD1048576",
    "A1048576", "XFD1", "Sheet1!", "'My data'!", "model!", "#REF!",
    # constants and error values
    "TRUE", "FALSE", "#N/A", "#VALUE!", "#DIV/0!", "#NUM!", "#NAME?", "#NULL!",
    "1E308", "-1E308", "1E-308", "4.9E-324", "9007199254740993", "1E16", "1E17", "0.5", "-1",
    '""', '"a"', '"*"', '"<>"', '">=1"',
    # operators and array constants
    "^", "&", "<>", "<=", ">=", "%", ":", ",", ";", "{", "}", "{1,2;3,4}", "(", ")", "=",
]

WORKBOOK_TOKENS = [
    # zip and .xlsx structure
    "PK\x03\x04", "PK\x01\x02", "PK\x05\x06", "[Content_Types].xml", "xl/workbook.xml",
    "xl/worksheets/sheet1.xml", "xl/sharedStrings.xml", "xl/_rels/workbook.xml.rels",
    "<sheetData>", "</sheetData>", "<row r=\"1\">", "<c r=\"A1\">", "<c r=\"XFD1048576\"", "t=\"s\"",
    "t=\"str\"", "t=\"inlineStr\"", "t=\"e\"", "t=\"b\"", "<v>", "</v>", "<f>", "</f>", "t=\"shared\"",
    "t=\"array\"", "ref=\"A1:CV1048576\"", "si=\"0\"", "<si><t>", "</t></si>", "<sheet name=\"",
    "r:id=\"rId1\"", "<dimension ref=\"", "<!DOCTYPE", "<!ENTITY", "&amp;", "&#x",
    # .ods structure
    "content.xml", "mimetype", "application/vnd.oasis.opendocument.spreadsheet",
    "<table:table table:name=\"", "</table:table>", "<table:table-row", "</table:table-row>",
    "table:number-rows-repeated=\"", "table:number-columns-repeated=\"", "<table:table-cell",
    "table:formula=\"of:=", "office:value-type=\"float\"", "office:value=\"", "office:value-type=\"string\"",
    "<text:p>", "</text:p>", "[.A1]", "[.A1:.B2]", "[$Sheet1.A1]",
    # CSV
    "\"", "\"\"", ",", "\n", "\r\n", "=SUM(A:A)", "=A:A+1",
]

MESSAGE_TOKENS = [
    '"jsonrpc":"2.0"', '"id":', '"method":', '"params":', '"create"', '"call"', '"get"', '"set"',
    '"release"', '"class":"Main"', '"class":"Tools"', '"object":1', '"name":', '"arguments":[',
    '"value":', '{"missing":true}', '{"error":2015}', '{"array":[[1,2],[3,4]],"lower":[1,1]}',
    '"lower":[0]', '{"range":{"address":"$B$2:$C$3","row":2,"column":2,"rows":2,"columns":2,"values":[[1,2],[3,4]]}}',
    '{"application":true}', '{"workbook":"korvex.xla"}', '"xlErrValue"', '"Initialize"', '"GetMLText"',
    "null", "true", "false", "[", "]", "{", "}", "1e308", "-0", "1e-320", "\\u0000", "\\ud800",
]


def write(name, tokens):
    lines = [quoted(t) for t in dict.fromkeys(tokens)]
    (FUZZ / name).write_text("\n".join(lines) + "\n")


def main():
    names = function_names()
    formula = names + [n + "(" for n in names] + FORMULA_TOKENS
    write("formula.dict", formula)
    write("workbook.dict", WORKBOOK_TOKENS + FORMULA_TOKENS)
    write("mktfn_request.dict", MESSAGE_TOKENS + [quoted(n) for n in names if n.startswith(("kx", "OLD", "doArr"))])


if __name__ == "__main__":
    main()
