#!/usr/bin/python3
"""One workbook written by each program analysts make workbooks with, and what it must read as.

Writes into writers/ beside this script:
  openpyxl.xlsx          written by openpyxl;
  pandas.xlsx            by pandas' DataFrame.to_excel (through openpyxl), names and the
                         hidden sheet set on the writer's workbook;
  xlsxwriter.xlsx        by XlsxWriter;
  libreoffice.xlsx, libreoffice.ods
                         xlsxwriter.xlsx saved again by LibreOffice headless
                         (soffice --headless --convert-to);
  gnumeric.xlsx, gnumeric.ods
                         xlsxwriter.xlsx saved again by Gnumeric's ssconvert;
  writers_expected.json  for each file: its sheets in order with their visibility, and
                         every cell the host holds once the workbook is recalculated.

Every file holds the same workbook: three sheets created as Data, Calc, Notes and shown as
Calc, Data, Notes with Notes hidden (openpyxl and pandas move the sheet; XlsxWriter can only
create sheets in the order shown); defined names for the workbook (Rate, Scale) and for one
sheet (Scale on Calc, which wins there); legacy formulas that pass a range where one value is
expected and so take the cell in their own row (=B2:B4*2 in C2:C4) or give #VALUE! where
there is none (=ABS(B2:B4) in row 5); an array formula over E2:E4; a dynamic-array formula
in F2 that spills over F2:F4 (XlsxWriter marks it in its cell metadata; openpyxl and pandas
cannot write one, so their F column stays empty); a column of the same formula (G2:G4, which
LibreOffice and Gnumeric may save as one shared formula); a date, a boolean, an error
constant (XlsxWriter writes none: =NA() stands there) and an error result, an empty text
constant and an empty formula result, the smallest normal and subnormal numbers and the
largest double (which the writers print to 16 or 17 digits, just past it: that reads as the
largest double); a model whose output
(Calc!B6) kx simulate collects, with an input in its "ShowMode" (its mean).

The expected values are computed here, by the rules the spreadsheet documents: implicit
intersection of legacy formulas, a local name before a workbook name, an empty text being
text (ISBLANK false, COUNTA counts it). The writers' cached results are not used.
LibreOffice and Gnumeric, which know no kx functions, keep their calls as written.

Run:  python3 tests/data/make_writer_fixtures.py   (needs python3-openpyxl, python3-xlsxwriter,
      python3-pandas, LibreOffice's soffice and Gnumeric's ssconvert)
"""

import datetime
import json
import os
import shutil
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "writers")
ORIGIN = datetime.datetime(1899, 12, 30)

DATE = datetime.datetime(2024, 1, 31)
SMALLEST_NORMAL = 2.2250738585072014e-308
NEAR_SMALLEST = 9.9999999999999991e-308
SUBNORMAL = 5e-324
LARGEST = 1.7976931348623157e308
TENTHS = 0.1 + 0.2

AMOUNTS = [1.5, 2.5, 4.0]
RATE = 0.05
LOCAL_SCALE = 3.0

# Plain values: (sheet, cell, value). An error constant is ("error", "#N/A").
VALUES = [
    ("Data", "A1", "Item"), ("Data", "B1", "Amount"), ("Data", "C1", "Double"), ("Data", "D1", "Checks"),
    ("Data", "E1", "Array"), ("Data", "F1", "Dynamic"), ("Data", "G1", "Plus one"),
    ("Data", "A2", "a"), ("Data", "A3", "b"), ("Data", "A4", "c"),
    ("Data", "B2", AMOUNTS[0]), ("Data", "B3", AMOUNTS[1]), ("Data", "B4", AMOUNTS[2]),
    ("Data", "A5", ""), ("Data", "A6", ("error", "#N/A")),
    ("Data", "B5", NEAR_SMALLEST), ("Data", "B6", SUBNORMAL), ("Data", "B7", LARGEST),
    ("Data", "B8", -SMALLEST_NORMAL), ("Data", "B9", True), ("Data", "B10", DATE), ("Data", "B11", TENTHS),
    ("Calc", "A1", "Rate"), ("Calc", "B1", RATE), ("Calc", "A2", "Scale"), ("Calc", "B2", LOCAL_SCALE),
    ("Notes", "A1", "hidden note"),
]

# Legacy formulas: (sheet, cell, formula, expected value after recalculation).
VALUE_ERROR = ("error", "#VALUE!")
FORMULAS = [
    ("Data", "C2", "=B2:B4*2", AMOUNTS[0] * 2),
    ("Data", "C3", "=B2:B4*2", AMOUNTS[1] * 2),
    ("Data", "C4", "=B2:B4*2", AMOUNTS[2] * 2),
    ("Data", "C5", "=ABS(B2:B4)", VALUE_ERROR),
    ("Data", "C6", "=SUM(B2:B4)", sum(AMOUNTS)),
    ("Data", "D2", "=1/0", ("error", "#DIV/0!")),
    ("Data", "D3", '=""', ""),
    ("Data", "D4", "=ISBLANK(A5)", False),
    ("Data", "D5", "=COUNTA(A2:A5)", 4.0),
    ("Data", "D6", "=Rate*100", RATE * 100),
    ("Data", "D7", "=Scale", AMOUNTS[2]),
    ("Data", "D8", "=LEN(A5)", 0.0),
    ("Data", "G2", "=B2+1", AMOUNTS[0] + 1),
    ("Data", "G3", "=B3+1", AMOUNTS[1] + 1),
    ("Data", "G4", "=B4+1", AMOUNTS[2] + 1),
    ("Calc", "B3", "=Scale*2", LOCAL_SCALE * 2),
    ("Calc", "B4", "=SUM(Data!B2:B4)", sum(AMOUNTS)),
    ("Calc", "B5", '=kxNORMAL(100,15,,"ShowMode")', 100.0),
    ("Calc", "B6", '=B5*B4/100+kxOUTPUT()+kxNAME("Model output")', 100.0 * sum(AMOUNTS) / 100),
    ("Notes", "B1", "=Calc!B4*2", sum(AMOUNTS) * 2),
]
ARRAY = ("Data", "E2:E4", "=B2:B4*10", [a * 10 for a in AMOUNTS])
DYNAMIC = ("Data", "F2:F4", "=B2:B4*2", [a * 2 for a in AMOUNTS])
NAMES = [("Rate", None, "Calc!$B$1"), ("Scale", None, "Data!$B$4"), ("Scale", "Calc", "Calc!$B$2")]
SHOWN = [("Calc", False), ("Data", False), ("Notes", True)]


def serial(moment):
    return (moment - ORIGIN) / datetime.timedelta(days=1)


ERRORS = {"#NULL!": 2000, "#DIV/0!": 2007, "#VALUE!": 2015, "#REF!": 2023, "#NAME?": 2029, "#NUM!": 2036,
          "#N/A": 2042}


def typed(value):
    if isinstance(value, tuple):
        return {"kind": "error", "value": ERRORS[value[1]]}
    if isinstance(value, bool):
        return {"kind": "boolean", "value": value}
    if isinstance(value, datetime.datetime):
        return {"kind": "number", "value": serial(value)}
    if isinstance(value, (int, float)):
        return {"kind": "number", "value": float(value)}
    return {"kind": "text", "value": value}


def rows_of(area):
    first, last = area.split(":")
    column = first[0]
    return [f"{column}{row}" for row in range(int(first[1:]), int(last[1:]) + 1)]


def expected(dynamic, empty_text=True, hidden=True, largest=True):
    """What the workbook holds once recalculated, where the writer kept all of it or lost a part:
    without `empty_text` A5 is blank (ISBLANK true, COUNTA one less), without `hidden` Notes
    is shown, without `largest` B7 overflowed (#NUM!)."""
    values = dict(((s, c), v) for s, c, v in VALUES)
    results = dict(((s, c), v) for s, c, _, v in FORMULAS)
    if not empty_text:
        del values[("Data", "A5")]
        results[("Data", "D4")] = True
        results[("Data", "D5")] = 3.0
    if not largest:
        values[("Data", "B7")] = ("error", "#NUM!")
    cells = [{"sheet": s, "cell": c, "value": typed(v)} for (s, c), v in values.items()]
    cells += [{"sheet": s, "cell": c, "value": typed(v)} for (s, c), v in results.items()]
    groups = [ARRAY, DYNAMIC] if dynamic else [ARRAY]
    for sheet, area, _, numbers in groups:
        cells += [{"sheet": sheet, "cell": c, "value": typed(v)} for c, v in zip(rows_of(area), numbers)]
    sheets = [{"name": n, "hidden": h and hidden} for n, h in SHOWN]
    return {"sheets": sheets, "cells": cells}


def openpyxl_value(cell, value):
    cell.value = value[1] if isinstance(value, tuple) else value
    if isinstance(value, tuple):
        cell.data_type = "e"


def arrange_openpyxl(book):
    """The array formula, the sheets' order and visibility and the names on an openpyxl workbook."""
    from openpyxl.workbook.defined_name import DefinedName
    sheet, area, formula, _ = ARRAY
    top = area.split(":")[0]
    book[sheet][top] = formula
    book[sheet].formula_attributes[top] = {"t": "array", "ref": area}
    order = [name for name, _ in SHOWN]
    book._sheets.sort(key=lambda s: order.index(s.title))
    for name, hidden in SHOWN:
        book[name].sheet_state = "hidden" if hidden else "visible"
    for name, scope, target in NAMES:
        local = None if scope is None else order.index(scope)
        book.defined_names.append(DefinedName(name, attr_text=target, localSheetId=local))


def write_openpyxl(path):
    import openpyxl
    book = openpyxl.Workbook()
    book.active.title = "Data"
    book.create_sheet("Calc")
    book.create_sheet("Notes")
    for sheet, cell, value in VALUES:
        openpyxl_value(book[sheet][cell], value)
    for sheet, cell, formula, _ in FORMULAS:
        book[sheet][cell] = formula
    arrange_openpyxl(book)
    book.save(path)


def write_pandas(path):
    import pandas as pd
    # Each sheet's plain values as a frame whose header is its first row; formulas are texts
    # starting with "=", which the openpyxl engine writes as formulas.
    frames = {}
    for name in ("Data", "Calc", "Notes"):
        cells = {c: v for s, c, v in VALUES if s == name}
        cells.update({c: f for s, c, f, _ in FORMULAS if s == name})
        columns = sorted({c[0] for c in cells})
        rows = max(int(c[1:]) for c in cells)
        header = [cells.get(f"{col}1", f"Unnamed {col}") for col in columns]
        data = [[cells.get(f"{col}{row}") for col in columns] for row in range(2, rows + 1)]
        frames[name] = (header, data)
    # A frame's missing values are written as empty texts (na_rep), which read as blank cells.
    with pd.ExcelWriter(path, engine="openpyxl") as writer:
        for name in ("Data", "Calc", "Notes"):
            header, data = frames[name]
            if name == "Calc" or name == "Notes":
                # No header row of their own: the first row is data.
                frame = pd.DataFrame([header] + data)
                frame.to_excel(writer, sheet_name=name, index=False, header=False)
            else:
                pd.DataFrame(data, columns=header).to_excel(writer, sheet_name=name, index=False)
        # Error constants, empty texts and dates as openpyxl writes them.
        for sheet, cell, value in VALUES:
            if isinstance(value, tuple) or value == "" or isinstance(value, datetime.datetime):
                openpyxl_value(writer.book[sheet][cell], value)
        arrange_openpyxl(writer.book)


def write_xlsxwriter(path):
    import xlsxwriter
    book = xlsxwriter.Workbook(path)
    sheets = {name: book.add_worksheet(name) for name, _ in SHOWN}
    date_format = book.add_format({"num_format": "yyyy-mm-dd"})
    for sheet, cell, value in VALUES:
        target = sheets[sheet]
        if isinstance(value, tuple):
            # XlsxWriter writes no error constant; a cell holding #N/A as a result is the nearest.
            target.write_formula(cell, "=NA()", None, "#N/A")
        elif isinstance(value, bool):
            target.write_boolean(cell, value)
        elif isinstance(value, datetime.datetime):
            target.write_datetime(cell, value, date_format)
        elif isinstance(value, str):
            target.write_string(cell, value)
        else:
            target.write_number(cell, value)
    for sheet, cell, formula, _ in FORMULAS:
        sheets[sheet].write_formula(cell, formula)
    sheet, area, formula, _ = ARRAY
    sheets[sheet].write_array_formula(area, "{" + formula + "}")
    sheet, area, formula, _ = DYNAMIC
    sheets[sheet].write_dynamic_array_formula(area, formula)
    sheets["Notes"].hide()
    for name, scope, target in NAMES:
        book.define_name(name if scope is None else f"{scope}!{name}", "=" + target)
    book.close()


def convert(command, source, target):
    with tempfile.TemporaryDirectory() as scratch:
        subprocess.run(command(source, scratch), check=True, capture_output=True)
        made = [f for f in os.listdir(scratch) if not f.startswith(".")]
        shutil.move(os.path.join(scratch, made[0]), target)


def libreoffice(extension):
    filters = {"xlsx": "xlsx:Calc MS Excel 2007 XML", "ods": "ods"}

    def command(source, scratch):
        return ["soffice", "--headless", f"-env:UserInstallation=file://{scratch}/profile", "--convert-to",
                filters[extension], "--outdir", scratch, source]
    return command


def gnumeric(extension):
    exporters = {"xlsx": "Gnumeric_Excel:xlsx2", "ods": "Gnumeric_OpenCalc:odf"}

    def command(source, scratch):
        return ["ssconvert", "--export-type=" + exporters[extension], source,
                os.path.join(scratch, "out." + extension)]
    return command


def main():
    os.makedirs(OUT, exist_ok=True)
    expectations = {}
    write_openpyxl(os.path.join(OUT, "openpyxl.xlsx"))
    # openpyxl (and pandas through it) writes the empty text as an inline-text cell without its
    # text, which spreadsheets read as a blank cell.
    expectations["openpyxl.xlsx"] = expected(dynamic=False, empty_text=False)
    write_pandas(os.path.join(OUT, "pandas.xlsx"))
    expectations["pandas.xlsx"] = expected(dynamic=False, empty_text=False)
    source = os.path.join(OUT, "xlsxwriter.xlsx")
    write_xlsxwriter(source)
    expectations["xlsxwriter.xlsx"] = expected(dynamic=True)
    # LibreOffice drops the empty text constant and writes the largest double as INF; Gnumeric
    # loses the hidden state of a sheet when it saves .xlsx.
    expectations["libreoffice.xlsx"] = expected(dynamic=True, empty_text=False, largest=False)
    expectations["libreoffice.ods"] = expected(dynamic=True, empty_text=False, largest=False)
    expectations["gnumeric.xlsx"] = expected(dynamic=True, hidden=False)
    expectations["gnumeric.ods"] = expected(dynamic=True)
    for name, make in (("libreoffice", libreoffice), ("gnumeric", gnumeric)):
        for extension in ("xlsx", "ods"):
            convert(make(extension), source, os.path.join(OUT, f"{name}.{extension}"))
    with open(os.path.join(OUT, "writers_expected.json"), "w") as out:
        json.dump(expectations, out, indent=1, sort_keys=True)
        out.write("\n")


if __name__ == "__main__":
    main()
