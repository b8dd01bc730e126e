#!/usr/bin/env python3
"""Writes the bundled default model, product_launch.xlsx, and its CSV twin from one table.

Run from this folder: python3 make_product_launch.py. Only the standard library is used; the
.xlsx file is the smallest package a spreadsheet opens (one sheet, shared strings, an array
formula for the correlated uniforms), with every formula computed when the file is opened.
"""
import csv
import zipfile
from xml.sax.saxutils import escape

# The correlated uniforms come from kxCORREL; without it the three inputs are drawn independently.
CORRELATED = True
SHEET = "product_launch"  # the CSV twin's sheet takes its file's name; the .xlsx sheet matches it

# (cell, content): a number, a text, or a formula starting with "=".
CELLS = []


def put(cell, value):
    CELLS.append((cell, value))


def row(number, label, *values, start="B"):
    put(f"A{number}", label)
    column = ord(start)
    for value in values:
        if value is not None:
            put(f"{chr(column)}{number}", value)
        column += 1


def uniform(cell):
    return cell if CORRELATED else ""


put("A1", "Product launch: a new product's first five years (amounts in dollars)")
row(3, "Input", "Value", "Low / mean / shape", "Likely / spread / scale", "High", "Distribution")
row(4, "Market size in year 1 (units)", '=kxTRI(C4,D4,E4,,"")+kxNAME("Market size")', 1200000, 1500000, 2100000,
    "triangular")
row(5, "Market growth per year", '=kxNORMAL(C5,D5,,"")+kxNAME("Market growth")', 0.06, 0.03, None, "normal")
row(6, "Peak market share", f'=kxPERT(C6,D6,E6,{uniform("C22")},"")+kxNAME("Market share")', 0.06, 0.10, 0.16, "PERT")
row(7, "Unit price", f'=kxNORMAL(C7,D7,{uniform("B22")},"")+kxNAME("Unit price")', 45, 4, None, "normal")
row(8, "Unit cost", f'=kxUNIFORM(C8,E8,{uniform("D22")},"")+kxNAME("Unit cost")', 18, None, 24, "uniform")
row(9, "Development cost", '=kxLOGNORMAL(C9,D9,,"")+kxNAME("Development cost")', 3000000, 600000, None,
    "lognormal")
row(10, "Launch marketing", '=kxGAMMA(C10,D10,,"")+kxNAME("Launch marketing")', 16, 50000, None, "gamma")
row(11, "Fixed cost per year", '=kxTRI(C11,D11,E11,,"")+kxNAME("Fixed cost")', 1000000, 1200000, 1600000,
    "triangular")
row(12, "Launch delay (months)", '=kxPOISSON(C12,,"")+kxNAME("Launch delay")', 2, None, None, "Poisson")
row(13, "Price erosion per year", '=kxBETAGEN(C13,D13,,"",0,E13)+kxNAME("Price erosion")', 2, 5, 0.15,
    "beta on [0, high]")
row(14, "Warranty claims (share of units)", '=kxEXPON(C14,,"")+kxNAME("Warranty claims")', 0.02, None, None,
    "exponential")
row(15, "Discount rate", '=kxUNIFORM(C15,E15,,"")+kxNAME("Discount rate")', 0.08, None, 0.12, "uniform")

if CORRELATED:
    put("A17", "Rank correlation of unit price, market share and unit cost")
    row(18, "", "Unit price", "Market share", "Unit cost")
    row(19, "Unit price", 1, -0.6, 0.5)
    row(20, "Market share", -0.6, 1, 0)
    row(21, "Unit cost", 0.5, 0, 1)
    row(22, "Correlated uniforms", "=kxCORREL(B19:D21)")

row(24, "Year", 1, 2, 3, 4, 5)
years = "BCDEF"
formulas = {
    25: ("Market (units)", "=$B$4*(1+$B$5)^({c}24-1)"),
    27: ("Units sold", "={c}25*$B$6*{c}26*IF({c}24=1,(12-MIN($B$12,12))/12,1)"),
    28: ("Unit price", "=$B$7*(1-$B$13)^({c}24-1)"),
    29: ("Revenue", "={c}27*{c}28"),
    30: ("Variable cost", "={c}27*$B$8*(1+$B$14)"),
    31: ("Fixed cost", "=$B$11"),
    32: ("Operating profit", "={c}29-{c}30-{c}31"),
    33: ("Discount factor", "=1/(1+$B$15)^{c}24"),
}
row(26, "Share of peak reached", 0.5, 0.8, 1, 1, 1)
for number, (label, pattern) in formulas.items():
    row(number, label, *[pattern.format(c=c) for c in years])

row(35, "Net present value",
    '=SUMPRODUCT(B32:F32,B33:F33)-B9-B10+kxOUTPUT()+kxNAME("Net present value")')
row(36, "Units sold over five years", '=SUM(B27:F27)+kxOUTPUT()+kxNAME("Units sold")')
row(37, "Peak annual profit", '=MAX(B32:F32)+kxOUTPUT()+kxNAME("Peak annual profit")')

# The correlated uniforms spill over B22:D22 from one array formula.
ARRAY_FORMULAS = {"B22": "B22:D22"}


def split(cell):
    letters = "".join(c for c in cell if c.isalpha())
    return int(cell[len(letters):]), ord(letters) - ord("A")


def write_csv(path):
    rows = max(split(cell)[0] for cell, _ in CELLS)
    columns = max(split(cell)[1] for cell, _ in CELLS) + 1
    grid = [[""] * columns for _ in range(rows)]
    for cell, value in CELLS:
        r, c = split(cell)
        grid[r - 1][c] = value if isinstance(value, str) else repr(value)
    with open(path, "w", newline="") as out:
        csv.writer(out, lineterminator="\n").writerows(grid)


def write_xlsx(path):
    strings = []
    index = {}
    sheet_rows = {}
    for cell, value in CELLS:
        r, _ = split(cell)
        if isinstance(value, str) and value.startswith("="):
            body = escape(value[1:])
            if cell in ARRAY_FORMULAS:
                xml = f'<c r="{cell}"><f t="array" ref="{ARRAY_FORMULAS[cell]}">{body}</f></c>'
            else:
                xml = f'<c r="{cell}"><f>{body}</f></c>'
        elif isinstance(value, str):
            if value not in index:
                index[value] = len(strings)
                strings.append(value)
            xml = f'<c r="{cell}" t="s"><v>{index[value]}</v></c>'
        else:
            xml = f'<c r="{cell}"><v>{value!r}</v></c>'
        sheet_rows.setdefault(r, []).append((split(cell)[1], xml))
    data = "".join(
        f'<row r="{r}">' + "".join(x for _, x in sorted(cells)) + "</row>" for r, cells in sorted(sheet_rows.items()))
    main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
    rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
    parts = {
        "[Content_Types].xml":
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
            '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
            '<Default Extension="xml" ContentType="application/xml"/>'
            '<Override PartName="/xl/workbook.xml" '
            'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
            '<Override PartName="/xl/worksheets/sheet1.xml" '
            'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
            '<Override PartName="/xl/sharedStrings.xml" '
            'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>'
            '</Types>',
        "_rels/.rels":
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            f'<Relationship Id="rId1" Type="{rel}/officeDocument" Target="xl/workbook.xml"/>'
            '</Relationships>',
        "xl/workbook.xml":
            f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><workbook xmlns="{main}" xmlns:r="{rel}">'
            f'<sheets><sheet name="{SHEET}" sheetId="1" r:id="rId1"/></sheets>'
            '<calcPr fullCalcOnLoad="1"/></workbook>',
        "xl/_rels/workbook.xml.rels":
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            f'<Relationship Id="rId1" Type="{rel}/worksheet" Target="worksheets/sheet1.xml"/>'
            f'<Relationship Id="rId2" Type="{rel}/sharedStrings" Target="sharedStrings.xml"/>'
            '</Relationships>',
        "xl/sharedStrings.xml":
            f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            f'<sst xmlns="{main}" count="{len(strings)}" uniqueCount="{len(strings)}">' +
            "".join(f"<si><t>{escape(s)}</t></si>" for s in strings) + "</sst>",
        "xl/worksheets/sheet1.xml":
            f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><worksheet xmlns="{main}">'
            '<cols><col min="1" max="1" width="34" customWidth="1"/><col min="2" max="7" width="16" customWidth="1"/>'
            f'</cols><sheetData>{data}</sheetData></worksheet>',
    }
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as package:
        for name, content in parts.items():
            # A fixed date keeps the file byte-identical from run to run.
            info = zipfile.ZipInfo(name, date_time=(2026, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            package.writestr(info, content)


write_csv(SHEET + ".csv")
write_xlsx(SHEET + ".xlsx")
