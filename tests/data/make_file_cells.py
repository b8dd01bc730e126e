#!/usr/bin/python3
"""Workbooks holding every kind of cell the file formats know, and what a spreadsheet reads from them.

Writes beside this script:
  cells.xlsx   inline strings (plain, rich-text runs, spaces kept), string constants and
               string results (t="str"), error constants and a cached error (t="e"),
               ISO dates (t="d"), and cells the host cannot represent: an unknown error
               code, a date that is no date, an unknown cell type; on a second sheet,
               such cells in rows and cells that leave out their place (r);
  cells.ods    the same kinds as an .ods file: texts with spans and spaces, an error's
               text in a plain cell (a text there), errors as formula results, dates,
               percentage, currency, boolean and time cells, an unknown value type;
  cells.fods   cells.ods as one flat XML document;
  file_cells.json  for each file, every cell as LibreOffice reads it when it opens the
               file: {"sheet", "cell", "kind" (number, text, boolean, error, empty),
               "value"}; errors by their text ("#N/A").

In both sheets, A1:B4 hold the regions North, South, North, West (A1:A3 inline strings
in the .xlsx) against 5, 7, 10, 100: SUMIF(A1:A4,"North",B1:B4) is 15.

The reference values come from LibreOffice 7.4 run headless: it converts each file to
a flat ODS document, whose cells are read back here.
Needs: apt-get install libreoffice-calc-nogui   (not installed by scripts/install-deps)
Run:  python3 tests/data/make_file_cells.py
"""

import json
import os
import subprocess
import tempfile
import xml.etree.ElementTree as ElementTree

from make_workbooks import HERE, ODS_MIMETYPE, make_ods, make_xlsx, xlsx_rows

# --- cells.xlsx ------------------------------------------------------------------

XLSX_CELLS = [
    ("A1", '<c r="A1" t="inlineStr"><is><t>North</t></is></c>'),
    ("B1", '<c r="B1"><v>5</v></c>'),
    ("A2", '<c r="A2" t="inlineStr"><is><r><t>So</t></r><r><rPr><b/></rPr><t>uth</t></r></is></c>'),
    ("B2", '<c r="B2"><v>7</v></c>'),
    ("A3", '<c r="A3" t="inlineStr"><is><t>North</t></is></c>'),
    ("B3", '<c r="B3"><v>10</v></c>'),
    ("A4", '<c r="A4" t="s"><v>0</v></c>'),
    ("B4", '<c r="B4"><v>100</v></c>'),
    # String constants and a formula's string result.
    ("A5", '<c r="A5" t="str"><v>plain text</v></c>'),
    ("B5", '<c r="B5" t="str"><f>"a"&amp;"b"</f><v>ab</v></c>'),
    ("C5", '<c r="C5" t="inlineStr"><is><t xml:space="preserve"> two  spaces </t></is></c>'),
    ("D5", '<c r="D5" t="inlineStr"><is><r><t xml:space="preserve">rich </t></r><r><t>runs</t></r>'
           '<rPh sb="0" eb="1"><t>phonetic</t></rPh></is></c>'),
    # Error constants, each standard one.
    ("A6", '<c r="A6" t="e"><v>#N/A</v></c>'),
    ("B6", '<c r="B6" t="e"><v>#DIV/0!</v></c>'),
    ("C6", '<c r="C6" t="e"><v>#REF!</v></c>'),
    ("D6", '<c r="D6" t="e"><v>#VALUE!</v></c>'),
    ("E6", '<c r="E6" t="e"><v>#NAME?</v></c>'),
    ("F6", '<c r="F6" t="e"><v>#NUM!</v></c>'),
    ("G6", '<c r="G6" t="e"><v>#NULL!</v></c>'),
    # A formula's cached error, and an error no spreadsheet of the host's kind has.
    ("A7", '<c r="A7" t="e"><f>1/0</f><v>#DIV/0!</v></c>'),
    ("B7", '<c r="B7" t="e"><v>#BOGUS!</v></c>'),
    # ISO dates, one with a time; one that is no date; a time alone.
    ("A8", '<c r="A8" t="d"><v>2024-01-31</v></c>'),
    ("B8", '<c r="B8" t="d"><v>2024-01-31T12:00:00</v></c>'),
    ("C8", '<c r="C8" t="d"><v>1900-03-01</v></c>'),
    ("D8", '<c r="D8" t="d"><v>2024-02-30</v></c>'),
    ("E8", '<c r="E8" t="d"><v>13:45:30</v></c>'),
    # Plain kinds beside them, and a cell type no format defines.
    ("A9", '<c r="A9" t="n"><v>1.5</v></c>'),
    ("B9", '<c r="B9" t="b"><v>1</v></c>'),
    ("C9", '<c r="C9" t="x"><v>7</v></c>'),
]
XLSX_STRINGS = ["<si><t>West</t></si>"]

# Rows and cells that leave out their "r": each takes the place after the one before.
XLSX_IMPLICIT = ('<row><c t="inlineStr"><is><t>a</t></is></c><c><v>1</v></c><c t="inlineStr"><is><t>b</t></is></c>'
                 '</row><row><c t="str"><v>c</v></c><c r="C2" t="e"><v>#N/A</v></c><c t="d"><v>2024-03-01</v></c>'
                 '</row>')

# --- cells.ods and cells.fods ------------------------------------------------------


def cell(attributes="", body=""):
    return f"<table:table-cell {attributes}>{body}</table:table-cell>"


def number(value):
    return cell(f'office:value-type="float" office:value="{value}"', f"<text:p>{value}</text:p>")


def text(body):
    return cell('office:value-type="string" calcext:value-type="string"', f"<text:p>{body}</text:p>")


def error_result(formula, shown):
    return cell(f'table:formula="{formula}" office:value-type="float" office:value="0" calcext:value-type="error"',
                f"<text:p>{shown}</text:p>")


ODS_ROWS = [
    [text("North"), number(5)],
    [text('So<text:span text:style-name="T1">uth</text:span>'), number(7)],
    [text("North"), number(10)],
    [text("West"), number(100)],
    [text("plain text"),
     cell('table:formula="of:=&quot;a&quot;&amp;&quot;b&quot;" office:value-type="string" '
          'office:string-value="ab" calcext:value-type="string"', "<text:p>ab</text:p>"),
     text('<text:s/>two<text:s text:c="2"/>spaces<text:s/>'),
     text('rich <text:span text:style-name="T1">runs</text:span>')],
    # An error's text in a cell without a formula is a text.
    [text("#N/A"), text("#DIV/0!"),
     cell('office:value-type="float" office:value="0" calcext:value-type="error"', "<text:p>#REF!</text:p>")],
    [error_result("of:=1/0", "#DIV/0!"), error_result("of:=NA()", "#N/A"), error_result("of:=[.Z99]+&quot;x&quot;",
                                                                                         "#VALUE!")],
    [cell('office:value-type="date" office:date-value="2024-01-31" calcext:value-type="date"',
          "<text:p>01/31/24</text:p>"),
     cell('office:value-type="date" office:date-value="2024-01-31T12:00:00" calcext:value-type="date"',
          "<text:p>01/31/24 12:00</text:p>"),
     cell('office:value-type="date" office:date-value="1900-03-01" calcext:value-type="date"',
          "<text:p>03/01/00</text:p>"),
     cell('office:value-type="date" office:date-value="2024-02-30" calcext:value-type="date"',
          "<text:p>02/30/24</text:p>")],
    [cell('office:value-type="percentage" office:value="0.12" calcext:value-type="percentage"',
          "<text:p>12%</text:p>"),
     cell('office:value-type="currency" office:currency="USD" office:value="1234.5" calcext:value-type="currency"',
          "<text:p>$1,234.50</text:p>"),
     cell('office:value-type="boolean" office:boolean-value="true" calcext:value-type="boolean"',
          "<text:p>TRUE</text:p>"),
     cell('office:value-type="time" office:time-value="PT12H30M00S" calcext:value-type="time"',
          "<text:p>12:30:00</text:p>"),
     cell('office:value-type="complex" office:value="3"', "<text:p>3+4i</text:p>")],
]

ODS_TABLE = ('<table:table table:name="Cells">'
             + "".join(f"<table:table-row>{''.join(row)}</table:table-row>" for row in ODS_ROWS)
             + "</table:table>")

NAMESPACES = (
    'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
    'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
    'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
    'xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2" '
    'xmlns:calcext="urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0"')


def make_fods(path, tables_xml):
    """The flat form: the whole document in one XML file, its root office:document."""
    document = (
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        f'<office:document {NAMESPACES} office:version="1.2" office:mimetype="{ODS_MIMETYPE}">'
        "<office:body><office:spreadsheet>"
        '<table:calculation-settings><table:null-date table:date-value="1899-12-30"/></table:calculation-settings>'
        + tables_xml + "</office:spreadsheet></office:body></office:document>")
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write(document)


# --- what LibreOffice reads ----------------------------------------------------------

OFFICE = "urn:oasis:names:tc:opendocument:xmlns:office:1.0"
TABLE = "urn:oasis:names:tc:opendocument:xmlns:table:1.0"
TEXT = "urn:oasis:names:tc:opendocument:xmlns:text:1.0"
CALCEXT = "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0"


def column_letters(column):
    letters = ""
    while column:
        column, rest = divmod(column - 1, 26)
        letters = chr(ord("A") + rest) + letters
    return letters


def paragraph_text(element):
    """A cell's text as shown: paragraphs joined by line breaks, text:s as spaces."""
    def walk(node):
        out = node.text or ""
        for child in node:
            if child.tag == f"{{{TEXT}}}s":
                out += " " * int(child.get(f"{{{TEXT}}}c", "1"))
            else:
                out += walk(child)
            out += child.tail or ""
        return out
    return "\n".join(walk(p) for p in element.findall(f"{{{TEXT}}}p"))


def read_value(element, null_date):
    """What a cell of LibreOffice's own output holds."""
    kind = element.get(f"{{{CALCEXT}}}value-type") or element.get(f"{{{OFFICE}}}value-type")
    if kind is None:
        return None
    if kind == "error":
        return {"kind": "error", "value": paragraph_text(element)}
    if kind in ("float", "percentage", "currency"):
        return {"kind": "number", "value": float(element.get(f"{{{OFFICE}}}value"))}
    if kind == "boolean":
        return {"kind": "boolean", "value": element.get(f"{{{OFFICE}}}boolean-value") == "true"}
    if kind == "date":
        from datetime import datetime
        moment = datetime.fromisoformat(element.get(f"{{{OFFICE}}}date-value"))
        return {"kind": "number", "value": (moment - null_date).total_seconds() / 86400}
    if kind == "time":
        value = element.get(f"{{{OFFICE}}}time-value")  # PTxxHxxMxxS
        hours, rest = value[2:].split("H")
        minutes, seconds = rest.split("M")
        return {"kind": "number", "value": (int(hours) * 3600 + int(minutes) * 60 + float(seconds[:-1])) / 86400}
    if kind == "string":
        shown = element.get(f"{{{OFFICE}}}string-value")
        return {"kind": "text", "value": shown if shown is not None else paragraph_text(element)}
    raise ValueError(f"unexpected value type {kind}")


def libreoffice_cells(path):
    """Every written cell of every sheet of the file, as LibreOffice reads it."""
    from datetime import datetime
    with tempfile.TemporaryDirectory() as work:
        subprocess.run(["soffice", "--headless", "--convert-to", "fods", "--outdir", work, path],
                       check=True, capture_output=True)
        stem = os.path.splitext(os.path.basename(path))[0]
        root = ElementTree.parse(os.path.join(work, stem + ".fods")).getroot()
    null_date = datetime(1899, 12, 30)
    cells = []
    for table in root.iter(f"{{{TABLE}}}table"):
        sheet = table.get(f"{{{TABLE}}}name")
        row = 0
        for table_row in table.iter(f"{{{TABLE}}}table-row"):
            row_repeat = int(table_row.get(f"{{{TABLE}}}number-rows-repeated", "1"))
            column = 0
            for element in table_row:
                repeat = int(element.get(f"{{{TABLE}}}number-columns-repeated", "1"))
                value = read_value(element, null_date)
                if value is not None:
                    for offset in range(repeat):
                        cells.append({"sheet": sheet, "cell": f"{column_letters(column + offset + 1)}{row + 1}",
                                      **value})
                column += repeat
            row += row_repeat
    return cells


def main():
    files = {
        "cells.xlsx": lambda path: make_xlsx(path, [("Cells", xlsx_rows(XLSX_CELLS)), ("Implicit", XLSX_IMPLICIT)],
                                                XLSX_STRINGS),
        "cells.ods": lambda path: make_ods(path, ODS_TABLE),
        "cells.fods": lambda path: make_fods(path, ODS_TABLE),
    }
    expected = {}
    for name, make in files.items():
        path = os.path.join(HERE, name)
        make(path)
        expected[name] = libreoffice_cells(path)
    with open(os.path.join(HERE, "file_cells.json"), "w", encoding="utf-8") as out:
        json.dump(expected, out, indent=1, ensure_ascii=False)
        out.write("\n")


if __name__ == "__main__":
    main()
