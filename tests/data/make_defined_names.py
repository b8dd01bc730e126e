#!/usr/bin/python3
"""Workbooks with defined names, and the values LibreOffice Calc computes for them.

Writes beside this script:
  defined_names.xlsx, defined_names.ods  two sheets, "Inputs" and "Model", with names for
      the whole workbook (a range, a cell, constants, a formula using another name, a cell
      that holds a formula) and for one sheet: "Scale" is 10 for the workbook and 100 on
      Inputs, "Here" exists on Model only. Formulas on both sheets use them;
  defined_names.tsv  sheet<TAB>cell<TAB>formula<TAB>expected for every formula cell, where
      expected is the value LibreOffice computed: a number, or ERR:n for the worksheet error
      with number n (#NAME? 2029).

How: the workbook is written as a flat ODS file with the formulas in the .xlsx grammar
(msoxl:), and `soffice --headless` converts it to .xlsx and .ods (so the fixtures are files
as a spreadsheet program writes them) and to one CSV per sheet for the values.

Needs: apt-get install libreoffice-calc-nogui   (not installed by scripts/install-deps)
Run:   python3 tests/data/make_defined_names.py
"""

import html
import os
import shutil
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))

# Cells by sheet: a number is a value, a text starting with "=" a formula.
SHEETS = {
    "Inputs": {
        "A1": 0.1, "A2": 0.2, "A3": 0.3, "B1": 1000,
        "B2": "=Scale*2",   # the sheet's own Scale wins
        "B3": "=Seven*3",   # Seven is a formula cell on the later sheet
    },
    "Model": {
        "A1": "=SUM(Rates)",
        "A2": "=Amount*(1+Growth)",
        "A3": "=Doubled+1",
        "A4": "=Scale",     # no Scale of its own: the workbook's
        "A5": "=Here*2",
        "A6": "=AVERAGE(Rates)*Amount",
        "A7": "=INDEX(Rates,2)",
        "A8": "=SUMPRODUCT(Rates,Rates)",
        "A9": "=Nope+1",
        "A10": "=IFERROR(Nope,-1)",
        "B1": "=3+4",
        "B2": 7,
    },
}

# (name, sheet it belongs to or None, "range" or "expression", the OpenFormula text)
NAMES = [
    ("Rates", None, "range", "$Inputs.$A$1:.$A$3"),
    ("Amount", None, "range", "$Inputs.$B$1"),
    ("Seven", None, "range", "$Model.$B$1"),
    ("Growth", None, "expression", "of:=0.05"),
    ("Scale", None, "expression", "of:=10"),
    ("Doubled", None, "expression", "of:=Amount*2"),
    ("Scale", "Inputs", "expression", "of:=100"),
    ("Here", "Model", "range", "$Model.$B$2"),
]

LO_ERRORS = {"#NAME?": 2029, "Err:525": 2029, "#REF!": 2023, "#VALUE!": 2015}


def cell_address(text):
    letters = "".join(c for c in text if c.isalpha())
    return int(text[len(letters):]), ord(letters) - ord("A") + 1


def names_xml(sheet):
    entries = []
    for name, scope, kind, text in NAMES:
        if scope != sheet:
            continue
        if kind == "range":
            entries.append('<table:named-range table:name="%s" table:base-cell-address="$Inputs.$A$1" '
                           'table:cell-range-address="%s"/>' % (name, text))
        else:
            entries.append('<table:named-expression table:name="%s" table:base-cell-address="$Inputs.$A$1" '
                           'table:expression="%s"/>' % (name, html.escape(text, quote=True)))
    return "<table:named-expressions>%s</table:named-expressions>" % "".join(entries) if entries else ""


def table_xml(sheet, cells):
    rows = max(cell_address(a)[0] for a in cells)
    columns = max(cell_address(a)[1] for a in cells)
    lines = []
    for r in range(1, rows + 1):
        parts = []
        for c in range(1, columns + 1):
            value = cells.get("%s%d" % (chr(ord("A") + c - 1), r))
            if value is None:
                parts.append("<table:table-cell/>")
            elif isinstance(value, str):
                parts.append('<table:table-cell table:formula="%s"/>' % html.escape("msoxl:" + value, quote=True))
            else:
                parts.append('<table:table-cell office:value-type="float" office:value="%r"/>' % value)
        lines.append("<table:table-row>%s</table:table-row>" % "".join(parts))
    return '<table:table table:name="%s">%s%s</table:table>' % (sheet, "\n".join(lines), names_xml(sheet))


def document():
    tables = "\n".join(table_xml(sheet, cells) for sheet, cells in SHEETS.items())
    return """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
 xmlns:msoxl="http://schemas.microsoft.com/office/excel/formula"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet>
%s
%s
</office:spreadsheet></office:body></office:document>
""" % (tables, names_xml(None))


def expected_of(field):
    field = field.strip('"')
    if field in LO_ERRORS:
        return "ERR:%d" % LO_ERRORS[field]
    float(field)
    return field


def main():
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "defined_names.fods")
        with open(source, "w", encoding="utf-8") as out:
            out.write(document())
        for target in ("xlsx", "ods", "csv:Text - txt - csv (StarCalc):9,34,76,1,,0,true,true,false,false,false,-1"):
            subprocess.run(["soffice", "--headless", "--convert-to", target, "--outdir", work, source], check=True,
                           capture_output=True)
        for extension in ("xlsx", "ods"):
            shutil.copy(os.path.join(work, "defined_names." + extension), HERE)
        with open(os.path.join(HERE, "defined_names.tsv"), "w", encoding="utf-8") as out:
            out.write("sheet\tcell\tformula\texpected\n")
            for sheet, cells in SHEETS.items():
                with open(os.path.join(work, "defined_names-%s.csv" % sheet), encoding="utf-8") as result:
                    grid = [line.split("\t") for line in result.read().splitlines()]
                for address, value in cells.items():
                    if isinstance(value, str):
                        row, column = cell_address(address)
                        out.write("%s\t%s\t%s\t%s\n" % (sheet, address, value, expected_of(grid[row - 1][column - 1])))


if __name__ == "__main__":
    main()
