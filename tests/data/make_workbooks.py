#!/usr/bin/python3
"""Small workbooks for the workbook file readers' tests, and what they hold.

Writes beside this script:
  model.xlsx, model.ods  the same two sheets in both formats: "Inputs" with plain
                         values (numbers, texts, booleans, an empty cell between two
                         written ones) and "Model Sheet" with formulas that refer to
                         both sheets, call a function no other spreadsheet knows
                         (kxNORMAL) and fill one formula down three rows (in the .xlsx
                         as one shared formula, as spreadsheet programs write a fill);
  layout.xlsx            shared formulas over two dimensions, whole columns and rows,
                         an array formula, rich text, a cached error;
  layout.ods             merged and covered cells, repeated rows and columns, the
                         value types (percentage, currency, date, time, boolean),
                         paragraphs, spaces, annotations, an array formula, formulas
                         that name other sheets or have no A1 form;
  repeats.ods            one row repeated down the whole sheet, its cell repeated
                         across it: 17 billion cells from a few hundred bytes;
  big_array.ods          an array formula claiming the whole sheet;
  big_array.xlsx         an array formula over A1:CV1048576, a hundred million cells;
  repeated_formula*.ods  one formula repeated across the sheet, on one row and on 600;
  broken.xlsx            a sheet whose XML breaks off;
  fuzz/*.xlsx, fuzz/*.ods  XML that once crashed a reader (found by the fuzz targets),
                         as an .xlsx sheet and as an .ods content part;
  workbooks_expected.json  for each of the first four files, every cell a reader must give: its value,
                         or its formula in the A1 form without "=" and the result the
                         file stored (null when it stored none).

Formulas carry a cached result like the ones spreadsheet programs store. Dates are
turned into day numbers with Python's datetime, counting from 1899-12-30.

Only the standard library is used; the files are written part by part with fixed
timestamps, so that running the script again gives the same bytes.
Run:  python3 tests/data/make_workbooks.py
"""

import json
import os
import zipfile
from datetime import datetime
from xml.sax.saxutils import escape, quoteattr

HERE = os.path.dirname(os.path.abspath(__file__))
STAMP = (2024, 1, 1, 0, 0, 0)
ORIGIN = datetime(1899, 12, 30)

MAIN_NS = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
RELATIONS_NS = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
ODS_MIMETYPE = "application/vnd.oasis.opendocument.spreadsheet"

EXPECTED = {}


def expect(file, sheet, cell, value=None, formula=None, cached=None):
    """Records a cell a reader must give: a value, or a formula with its cached result."""
    entry = {"sheet": sheet, "cell": cell}
    if formula is None:
        entry["value"] = typed(value)
    else:
        entry["formula"] = formula
        entry["cached"] = None if cached is None else typed(cached)
    EXPECTED.setdefault(file, []).append(entry)


def typed(value):
    if isinstance(value, bool):
        return {"kind": "boolean", "value": value}
    if isinstance(value, (int, float)):
        return {"kind": "number", "value": float(value)}
    if isinstance(value, ErrorValue):
        return {"kind": "error", "value": value.number}
    return {"kind": "text", "value": value}


class ErrorValue:
    """A worksheet error by its number (#DIV/0! is 2007)."""

    def __init__(self, number):
        self.number = number


def days(moment):
    return (moment - ORIGIN).total_seconds() / 86400


def number_text(number):
    """The shortest text that reads back as the same double, without a needless ".0"."""
    text = repr(float(number))
    return text[:-2] if text.endswith(".0") else text


def split_address(address):
    letters = address.rstrip("0123456789")
    column = 0
    for letter in letters:
        column = column * 26 + ord(letter) - ord("A") + 1
    return int(address[len(letters):]), column


def write_zip(path, parts):
    with zipfile.ZipFile(path, "w") as archive:
        for name, data, compress in parts:
            info = zipfile.ZipInfo(name, STAMP)
            info.compress_type = zipfile.ZIP_DEFLATED if compress else zipfile.ZIP_STORED
            archive.writestr(info, data.encode("utf-8"))


# --- the model, in both formats ----------------------------------------------

# (address, kind, content, cached result); kind is number, text, boolean or
# formula. A formula is given twice: in the A1 form of .xlsx files (no leading
# "=") and in the OpenFormula form of .ods files.
INPUTS = [
    ("A1", "text", "Name", None),
    ("B1", "text", "Value", None),
    ("A2", "text", "mean", None),
    ("B2", "number", 100, None),
    ("A3", "text", "sd", None),
    ("B3", "number", 15, None),
    ("A4", "text", "flag", None),
    ("B4", "boolean", True, None),
    ("A5", "text", "nothing", None),
    # B5 stays empty on purpose, between two written cells.
    ("C5", "text", "after a gap", None),
    ("A6", "text", "ratio", None),
    ("B6", "number", -0.0025, None),
    ("A7", "text", "caf\u00e9 \u00fcber", None),
    ("B7", "boolean", False, None),
    ("A8", "number", 1.95996398454005, None),
]

MODEL = [
    ("A1", "formula", ("Inputs!B2*2", "of:=[$Inputs.B2]*2"), 200.0),
    ("A2", "formula", ('kxNORMAL(Inputs!B2,Inputs!B3,0.5,"")',
                       'of:=kxNORMAL([$Inputs.B2];[$Inputs.B3];0.5;"")'), 100.0),
    ("A3", "formula", ("SUM(B1:B3)", "of:=SUM([.B1:.B3])"), 6.0),
    ("A4", "formula", ('IF(Inputs!B4,"yes","no")', 'of:=IF([$Inputs.B4];"yes";"no")'), "yes"),
    ("A5", "formula", ("$B$1+'Model Sheet'!B2", "of:=[.$B$1]+[$'Model Sheet'.B2]"), 3.0),
    ("A6", "formula", ("B1>B2", "of:=[.B1]>[.B2]"), False),
    ("A7", "formula", ("Inputs!A8*1.5E-3+0.1", "of:=[$Inputs.A8]*1.5E-3+0.1"), 0.10293994597681),
    ("B1", "number", 1, None),
    ("B2", "number", 2, None),
    ("B3", "number", 3, None),
    # C1:C3 is one formula filled down.
    ("C1", "formula", ("B1*10", "of:=[.B1]*10"), 10.0),
    ("C2", "formula", ("B2*10", "of:=[.B2]*10"), 20.0),
    ("C3", "formula", ("B3*10", "of:=[.B3]*10"), 30.0),
]

SHEETS = [("Inputs", INPUTS), ("Model Sheet", MODEL)]
SHARED_FILL = ("Model Sheet", "C1", "C3")  # first and last cell of the fill

for file in ("model.xlsx", "model.ods"):
    for sheet, cells in SHEETS:
        for address, kind, content, cached in cells:
            if kind == "formula":
                expect(file, sheet, address, formula=content[0], cached=cached)
            else:
                expect(file, sheet, address, content)


def xlsx_value_cell(address, kind, content, strings):
    if kind == "number":
        return f'<c r="{address}"><v>{number_text(content)}</v></c>'
    if kind == "boolean":
        return f'<c r="{address}" t="b"><v>{int(content)}</v></c>'
    if content not in strings:
        strings.append(content)
    return f'<c r="{address}" t="s"><v>{strings.index(content)}</v></c>'


def xlsx_formula_cell(address, formula_xml, cached):
    if isinstance(cached, bool):
        return f'<c r="{address}" t="b">{formula_xml}<v>{int(cached)}</v></c>'
    if isinstance(cached, str):
        return f'<c r="{address}" t="str">{formula_xml}<v>{escape(cached)}</v></c>'
    return f'<c r="{address}">{formula_xml}<v>{number_text(cached)}</v></c>'


def model_shared_role(sheet, address):
    name, first, last = SHARED_FILL
    row, column = split_address(address)
    first_row, first_column = split_address(first)
    last_row, _ = split_address(last)
    if sheet != name or column != first_column or not first_row <= row <= last_row:
        return None
    return "first" if row == first_row else "follower"


def model_xlsx_cell(sheet, address, kind, content, cached, strings):
    if kind != "formula":
        return xlsx_value_cell(address, kind, content, strings)
    role = model_shared_role(sheet, address)
    if role == "first":
        formula = f'<f t="shared" ref="{SHARED_FILL[1]}:{SHARED_FILL[2]}" si="0">{escape(content[0])}</f>'
    elif role == "follower":
        formula = '<f t="shared" si="0"/>'
    else:
        formula = f"<f>{escape(content[0])}</f>"
    return xlsx_formula_cell(address, formula, cached)


def xlsx_rows(cells_xml):
    """Sheet data from (address, cell xml) pairs, rows in order."""
    rows = {}
    for address, xml in cells_xml:
        row, column = split_address(address)
        rows.setdefault(row, []).append((column, xml))
    return "".join(f'<row r="{row}">{"".join(xml for _, xml in sorted(rows[row]))}</row>'
                   for row in sorted(rows))


def make_xlsx(path, sheets, strings):
    """sheets: (name, sheet data xml) pairs; strings: the shared string items' xml."""
    content_types = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
        '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
        '<Default Extension="xml" ContentType="application/xml"/>'
        '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
        + "".join(f'<Override PartName="/xl/worksheets/sheet{i + 1}.xml" '
                  'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
                  for i in range(len(sheets)))
        + '<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>'
        '<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>'
        '</Types>')
    package_rels = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        f'<Relationship Id="rId1" Type="{RELATIONS_NS}/officeDocument" Target="xl/workbook.xml"/>'
        '</Relationships>')
    workbook = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        f'<workbook xmlns="{MAIN_NS}" xmlns:r="{RELATIONS_NS}"><sheets>'
        + "".join(f'<sheet name={quoteattr(name)} sheetId="{i + 1}" r:id="rId{i + 1}"/>'
                  for i, (name, _) in enumerate(sheets))
        + "</sheets></workbook>")
    # The shared strings are listed after the sheets, so a reader cannot rely on meeting them first.
    workbook_rels = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        + "".join(f'<Relationship Id="rId{i + 1}" Type="{RELATIONS_NS}/worksheet" Target="worksheets/sheet{i + 1}.xml"/>'
                  for i in range(len(sheets)))
        + f'<Relationship Id="rId{len(sheets) + 1}" Type="{RELATIONS_NS}/sharedStrings" Target="sharedStrings.xml"/>'
        f'<Relationship Id="rId{len(sheets) + 2}" Type="{RELATIONS_NS}/styles" Target="styles.xml"/>'
        "</Relationships>")
    shared_strings = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        f'<sst xmlns="{MAIN_NS}" count="{len(strings)}" uniqueCount="{len(strings)}">'
        + "".join(strings) + "</sst>")
    styles = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        f'<styleSheet xmlns="{MAIN_NS}">'
        '<fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts>'
        '<fills count="1"><fill><patternFill patternType="none"/></fill></fills>'
        '<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>'
        '<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>'
        '<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>'
        "</styleSheet>")
    parts = [("[Content_Types].xml", content_types, True),
             ("_rels/.rels", package_rels, True),
             ("xl/workbook.xml", workbook, True),
             ("xl/_rels/workbook.xml.rels", workbook_rels, True)]
    parts += [(f"xl/worksheets/sheet{i + 1}.xml",
               '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
               f'<worksheet xmlns="{MAIN_NS}"><sheetData>{data}</sheetData></worksheet>', True)
              for i, (_, data) in enumerate(sheets)]
    parts += [("xl/sharedStrings.xml", shared_strings, True), ("xl/styles.xml", styles, True)]
    write_zip(path, parts)


def make_model_xlsx(path):
    strings = []
    sheets = [(name, xlsx_rows([(cell[0], model_xlsx_cell(name, *cell, strings)) for cell in cells]))
              for name, cells in SHEETS]
    make_xlsx(path, sheets, [f"<si><t>{escape(text)}</t></si>" for text in strings])


def ods_cell(kind, content, cached):
    if kind == "number":
        return (f'<table:table-cell office:value-type="float" office:value="{number_text(content)}">'
                f"<text:p>{number_text(content)}</text:p></table:table-cell>")
    if kind == "boolean":
        flag = "true" if content else "false"
        return (f'<table:table-cell office:value-type="boolean" office:boolean-value="{flag}">'
                f"<text:p>{flag.upper()}</text:p></table:table-cell>")
    if kind == "text":
        return (f'<table:table-cell office:value-type="string">'
                f"<text:p>{escape(content)}</text:p></table:table-cell>")
    formula = quoteattr(content[1])
    if isinstance(cached, bool):
        flag = "true" if cached else "false"
        return (f'<table:table-cell table:formula={formula} office:value-type="boolean" '
                f'office:boolean-value="{flag}"><text:p>{flag.upper()}</text:p></table:table-cell>')
    if isinstance(cached, str):
        return (f'<table:table-cell table:formula={formula} office:value-type="string" '
                f'office:string-value={quoteattr(cached)}><text:p>{escape(cached)}</text:p></table:table-cell>')
    return (f'<table:table-cell table:formula={formula} office:value-type="float" '
            f'office:value="{number_text(cached)}"><text:p>{number_text(cached)}</text:p></table:table-cell>')


def ods_table(name, cells):
    grid = {}
    for address, kind, content, cached in cells:
        grid[split_address(address)] = (kind, content, cached)
    last_row = max(row for row, _ in grid)
    last_column = max(column for _, column in grid)
    rows = []
    for row in range(1, last_row + 1):
        xml, gap = [], 0
        for column in range(1, last_column + 1):
            if (row, column) not in grid:
                gap += 1
                continue
            if gap:
                # Runs of empty cells are written once with a repeat count, as office suites do.
                xml.append(f'<table:table-cell table:number-columns-repeated="{gap}"/>')
                gap = 0
            xml.append(ods_cell(*grid[(row, column)]))
        rows.append(f'<table:table-row>{"".join(xml)}</table:table-row>')
    return f"<table:table table:name={quoteattr(name)}>{''.join(rows)}</table:table>"


def make_ods(path, tables_xml):
    namespaces = (
        'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
        'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
        'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
        'xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2" '
        'xmlns:dc="http://purl.org/dc/elements/1.1/" '
        'xmlns:calcext="urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0"')
    content = (
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        f'<office:document-content {namespaces} office:version="1.2">'
        "<office:body><office:spreadsheet>"
        '<table:calculation-settings><table:null-date table:date-value="1899-12-30"/></table:calculation-settings>'
        + tables_xml + "</office:spreadsheet></office:body></office:document-content>")
    manifest = (
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        '<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">'
        f'<manifest:file-entry manifest:full-path="/" manifest:media-type="{ODS_MIMETYPE}"/>'
        '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
        "</manifest:manifest>")
    # The media type comes first and uncompressed, so that a reader can sniff it.
    write_zip(path, [("mimetype", ODS_MIMETYPE, False),
                     ("META-INF/manifest.xml", manifest, True),
                     ("content.xml", content, True)])


# --- layout.xlsx ---------------------------------------------------------------

def make_layout_xlsx(path):
    file, sheet = "layout.xlsx", "Layout"
    cells = []
    for address, number in (("A1", 1), ("B1", 2), ("A2", 3), ("B2", 4)):
        cells.append((address, f'<c r="{address}"><v>{number}</v></c>'))
        expect(file, sheet, address, number)
    # C1:D2 is one shared formula; relative references move with the cell, $A$1 stays.
    shifted = {"C1": ("A1+$A$1", 2), "D1": ("B1+$A$1", 3), "C2": ("A2+$A$1", 4), "D2": ("B2+$A$1", 5)}
    for address, (formula, result) in shifted.items():
        xml = ('<f t="shared" ref="C1:D2" si="0">A1+$A$1</f>' if address == "C1" else '<f t="shared" si="0"/>')
        cells.append((address, xlsx_formula_cell(address, xml, result)))
        expect(file, sheet, address, formula=formula, cached=result)
    # E1:F1 fills right: whole columns move, whole rows and texts stay.
    for address, formula in (("E1", 'SUM(A:A)+COUNT(1:1)&"A1"'), ("F1", 'SUM(B:B)+COUNT(1:1)&"A1"')):
        xml = (f'<f t="shared" ref="E1:F1" si="1">{escape(formula)}</f>' if address == "E1"
               else '<f t="shared" si="1"/>')
        cells.append((address, xlsx_formula_cell(address, xml, "x")))
        expect(file, sheet, address, formula=formula, cached="x")
    # E2:E3 fills down: whole rows move; a sheet name that looks like a name stays.
    for address, formula in (("E2", "SUM(2:2)+Other!B2"), ("E3", "SUM(3:3)+Other!B3")):
        xml = (f'<f t="shared" ref="E2:E3" si="2">{formula}</f>' if address == "E2" else '<f t="shared" si="2"/>')
        cells.append((address, xlsx_formula_cell(address, xml, 1)))
        expect(file, sheet, address, formula=formula, cached=1)
    # A4:B5 is one array formula; the other cells hold its results, which the engine recomputes.
    cells.append(("A4", '<c r="A4"><f t="array" ref="A4:B5">MMULT(A1:B2,A1:B2)</f><v>7</v></c>'))
    expect(file, sheet, "A4", formula="MMULT(A1:B2,A1:B2)", cached=7)
    for address, number in (("B4", 10), ("A5", 15), ("B5", 22)):
        cells.append((address, f'<c r="{address}"><v>{number}</v></c>'))
    # Rich text keeps its characters.
    cells.append(("A6", '<c r="A6" t="s"><v>0</v></c>'))
    expect(file, sheet, "A6", "rich text")
    # The result a program stored for a failing formula.
    cells.append(("A7", '<c r="A7" t="e"><f>1/0</f><v>#DIV/0!</v></c>'))
    expect(file, sheet, "A7", formula="1/0", cached=ErrorValue(2007))
    cells.append(("A8", '<c r="A8"><f>_xll.kxNORMAL(100,15,,"")</f><v>100</v></c>'))
    expect(file, sheet, "A8", formula='_xll.kxNORMAL(100,15,,"")', cached=100)
    # An empty text is a text; an inline text cell without its text holds nothing.
    cells.append(("A9", '<c r="A9" t="inlineStr"><is><t></t></is></c>'))
    expect(file, sheet, "A9", "")
    cells.append(("A10", '<c r="A10" t="inlineStr"/>'))
    other = [("B2", '<c r="B2"><v>5</v></c>'), ("B3", '<c r="B3"><v>6</v></c>')]
    expect(file, "Other", "B2", 5)
    expect(file, "Other", "B3", 6)
    make_xlsx(path, [(sheet, xlsx_rows(cells)), ("Other", xlsx_rows(other))],
              ['<si><r><t xml:space="preserve">rich </t></r><r><rPr><b/></rPr><t>text</t></r></si>'])


# --- layout.ods ----------------------------------------------------------------

def make_layout_ods(path):
    file, sheet = "layout.ods", "Layout"

    def cell(attributes="", body=""):
        return f"<table:table-cell {attributes}>{body}</table:table-cell>"

    def number(value):
        return cell(f'office:value-type="float" office:value="{number_text(value)}"', f"<text:p>{value}</text:p>")

    rows = []
    # Row 1, inside the header rows: A1:B1 merged, so B1 is a covered cell; C1 keeps its column.
    rows.append("<table:table-header-rows><table:table-row>"
                + cell('table:number-columns-spanned="2" office:value-type="string"', "<text:p>wide</text:p>")
                + "<table:covered-table-cell/>" + number(7) + "</table:table-row></table:table-header-rows>")
    expect(file, sheet, "A1", "wide")
    expect(file, sheet, "C1", 7)
    # Row 2: the value types.
    rows.append("<table:table-row>"
                + cell('office:value-type="percentage" office:value="0.05"', "<text:p>5%</text:p>")
                + cell('office:value-type="currency" office:currency="EUR" office:value="12.5"',
                       "<text:p>12.50 \u20ac</text:p>")
                + cell('office:value-type="date" office:date-value="2024-03-01"', "<text:p>03/01/24</text:p>")
                + cell('office:value-type="date" office:date-value="2024-03-01T18:00:00"', "<text:p>18:00</text:p>")
                + cell('office:value-type="time" office:time-value="PT12H30M00S"', "<text:p>12:30</text:p>")
                + "</table:table-row>")
    expect(file, sheet, "A2", 0.05)
    expect(file, sheet, "B2", 12.5)
    expect(file, sheet, "C2", days(datetime(2024, 3, 1)))
    expect(file, sheet, "D2", days(datetime(2024, 3, 1, 18)))
    expect(file, sheet, "E2", 12.5 / 24)
    # Row 3: texts.
    rows.append("<table:table-row>"
                + cell('office:value-type="string"', "<text:p>two</text:p><text:p>lines</text:p>")
                + cell('office:value-type="string"', '<text:p>a<text:s text:c="3"/>b<text:tab/>c</text:p>')
                + cell('office:value-type="string"', '<text:p>bold <text:span text:style-name="T1">part</text:span></text:p>')
                + cell('office:value-type="string"',
                       "<office:annotation><dc:creator>someone</dc:creator><text:p>a note</text:p></office:annotation>"
                       "<text:p>noted</text:p>")
                + cell('office:value-type="string" office:string-value="stored"', "<text:p>shown</text:p>")
                + "</table:table-row>")
    expect(file, sheet, "A3", "two\nlines")
    expect(file, sheet, "B3", "a   b\tc")
    expect(file, sheet, "C3", "bold part")
    expect(file, sheet, "D3", "noted")
    expect(file, sheet, "E3", "stored")
    # Rows 4 to 6: one row written once with a repeat count, inside a row group.
    rows.append('<table:table-row-group><table:table-row table:number-rows-repeated="3">' + number(5)
                + cell('table:formula="of:=[.$A$1]&amp;&quot;!&quot;" office:value-type="string" '
                       'office:string-value="wide!"', "<text:p>wide!</text:p>")
                + "</table:table-row></table:table-row-group>")
    for row in (4, 5, 6):
        expect(file, sheet, f"A{row}", 5)
        expect(file, sheet, f"B{row}", formula='$A$1&"!"', cached="wide!")
    # Row 7: one cell repeated over three columns, two empty ones, a boolean.
    rows.append("<table:table-row>"
                + cell('table:number-columns-repeated="3" office:value-type="string"', "<text:p>x</text:p>")
                + '<table:table-cell table:number-columns-repeated="2"/>'
                + cell('office:value-type="boolean" office:boolean-value="true"', "<text:p>TRUE</text:p>")
                + "</table:table-row>")
    for address in ("A7", "B7", "C7"):
        expect(file, sheet, address, "x")
    expect(file, sheet, "F7", True)
    # Rows 8 and 9: an array formula over A8:B9; the other cells hold its results.
    rows.append("<table:table-row>"
                + cell('table:formula="of:={1;2|3;4}" table:number-matrix-columns-spanned="2" '
                       'table:number-matrix-rows-spanned="2" office:value-type="float" office:value="1"',
                       "<text:p>1</text:p>")
                + number(2) + "</table:table-row>")
    rows.append("<table:table-row>" + number(3) + number(4) + "</table:table-row>")
    expect(file, sheet, "A8", formula="{1,2;3,4}", cached=1)
    # Row 10: stored results: an error, an empty text.
    rows.append("<table:table-row>"
                + cell('table:formula="of:=[.C1]/0" office:value-type="string" office:string-value="" '
                       'calcext:value-type="error"', "<text:p>#DIV/0!</text:p>")
                + cell('table:formula="of:=&quot;&quot;" office:value-type="string" office:string-value=""',
                       "<text:p/>")
                + "</table:table-row>")
    expect(file, sheet, "A10", formula="C1/0", cached=ErrorValue(2007))
    expect(file, sheet, "B10", formula='""', cached="")
    # Row 11: formulas naming other sheets, a function under its OpenFormula name, and a
    # reference into another file, which has no A1 form and keeps its own text.
    rows.append("<table:table-row>"
                + cell('''table:formula="of:=[$'It''s'.A1]+SUM([$Data.A1:.A3])"''')
                + cell('table:formula="of:=LEGACY.NORMSINV(0.975)"')
                + cell('''table:formula="of:=['file:///x.ods'#$Sheet1.A1]"''')
                + "</table:table-row>")
    expect(file, sheet, "A11", formula="'It''s'!A1+SUM(Data!A1:A3)")
    expect(file, sheet, "B11", formula="NORMSINV(0.975)")
    expect(file, sheet, "C11", formula="['file:///x.ods'#$Sheet1.A1]")
    # The rest of the sheet, empty, as office suites write it.
    rows.append('<table:table-row table:number-rows-repeated="1048565">'
                '<table:table-cell table:number-columns-repeated="16384"/></table:table-row>')
    tables = f"<table:table table:name={quoteattr(sheet)}>{''.join(rows)}</table:table>"
    tables += f"<table:table table:name={quoteattr(chr(39).join(['It', 's']))}><table:table-row>{number(1)}</table:table-row></table:table>"
    tables += f"<table:table table:name=\"Data\"><table:table-row>{number(2)}</table:table-row></table:table>"
    expect(file, "It's", "A1", 1)
    expect(file, "Data", "A1", 2)
    make_ods(path, tables)


def make_broken_xlsx():
    make_xlsx(os.path.join(HERE, "broken.xlsx"), [("Sheet1", '<row r="1"><c r="A1"><v>1</v></c></row><row r="2"><c r=')], [])


# XML fragments on which orcus 0.17's parser read past the end of its text or aborted.
FUZZ_FINDINGS = [
    ("attribute_entity", '<c r="&p;'),
    ("quote_in_reference", '<c r="&">;</c>'),
    ("large_character", "<c>&#x50FFFF;</c>"),
    ("trailing_entities", "<v>&p;&p;"),
    ("empty_comment", "<!---->"),
]

# content.xml on which the .ods reader wrote to a sheet it had already closed: a second
# spreadsheet nested in a cell.
NESTED_SPREADSHEET = (
    '<?x?>\n<o xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
    'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"n="1.">fi<office:spreadsheet>tt>'
    '<table:table table:name="s"><table:table-row><table:table-cell office:value-type="boolean"'
    'office:boolean-value="true">"<office:document-content i=""><office:body><office:spreadsheet>'
    '<table:table table:name="t1"></table:table></office:spreadsheet></office:body></office:document-content>>'
    "</table:table-cell></table:table-row>")


def make_fuzz_findings():
    folder = os.path.join(HERE, "fuzz")
    os.makedirs(folder, exist_ok=True)
    for name, xml in FUZZ_FINDINGS:
        make_xlsx(os.path.join(folder, name + ".xlsx"), [("Sheet1", "")], [])
        # The sheet part is replaced whole, so the fragment is all orcus sees of it.
        path = os.path.join(folder, name + ".xlsx")
        with zipfile.ZipFile(path) as archive:
            parts = [(info.filename, archive.read(info.filename).decode("utf-8")) for info in archive.infolist()]
        write_zip(path, [(part, xml if part == "xl/worksheets/sheet1.xml" else data, True) for part, data in parts])
        write_zip(os.path.join(folder, name + ".ods"), [("mimetype", ODS_MIMETYPE, False), ("content.xml", xml, True)])
    write_zip(os.path.join(folder, "nested_spreadsheet.ods"),
              [("mimetype", ODS_MIMETYPE, False), ("content.xml", NESTED_SPREADSHEET, True)])


def make_hostile_ods():
    """Files whose few bytes ask for more cells than any reader should hold."""
    value = '<table:table-cell office:value-type="float" office:value="1"><text:p>1</text:p></table:table-cell>'
    make_ods(os.path.join(HERE, "repeats.ods"),
             '<table:table table:name="Sheet1"><table:table-row table:number-rows-repeated="1048576">'
             + value.replace("<table:table-cell ", '<table:table-cell table:number-columns-repeated="16384" ')
             + "</table:table-row></table:table>")
    make_ods(os.path.join(HERE, "big_array.ods"),
             '<table:table table:name="Sheet1"><table:table-row>'
             '<table:table-cell table:formula="of:=1" table:number-matrix-columns-spanned="16384" '
             'table:number-matrix-rows-spanned="1048576" office:value-type="float" office:value="1"/>'
             "</table:table-row></table:table>")
    make_xlsx(os.path.join(HERE, "big_array.xlsx"),
              [("Sheet1", '<row r="1"><c r="A1"><f t="array" ref="A1:CV1048576">1</f><v>1</v></c></row>')], [])
    # One formula repeated across the whole width: one row of it loads, 600 rows (ten million
    # formulas, gigabytes once parsed) are refused.
    repeated = ('<table:table-cell table:number-columns-repeated="16384" table:formula="of:=[.A2]+1" '
                'office:value-type="float" office:value="1"/>')
    for name, rows in (("repeated_formula.ods", 1), ("repeated_formula_rows.ods", 600)):
        make_ods(os.path.join(HERE, name),
                 f'<table:table table:name="Sheet1"><table:table-row table:number-rows-repeated="{rows}">'
                 + repeated + "</table:table-row></table:table>")


if __name__ == "__main__":
    make_model_xlsx(os.path.join(HERE, "model.xlsx"))
    make_ods(os.path.join(HERE, "model.ods"), "".join(ods_table(name, cells) for name, cells in SHEETS))
    make_layout_xlsx(os.path.join(HERE, "layout.xlsx"))
    make_layout_ods(os.path.join(HERE, "layout.ods"))
    make_hostile_ods()
    make_broken_xlsx()
    make_fuzz_findings()
    with open(os.path.join(HERE, "workbooks_expected.json"), "w", encoding="utf-8") as out:
        json.dump(EXPECTED, out, indent=1, ensure_ascii=False)
        out.write("\n")
