#!/usr/bin/python3
"""Reference values for the reference operators, computed by LibreOffice Calc run headless.

Writes reference_operators.tsv beside this script: formula<TAB>expected, where the formula
is in the A1 form the host reads (a blank between references is their intersection, a
comma inside parentheses their union) and expected is a number or ERR:n for the worksheet
error with number n (#NULL! 2000, #VALUE! 2015, #REF! 2023). Every case reads the data
block A1:D4 of Sheet1, which holds 1 to 16 row by row.

How: LibreOffice reads neither operator in the .xlsx grammar, so each case also gives its
OpenFormula form ("!" for the intersection, "~" for the union), which a flat ODS file
hands to `soffice --headless --convert-to csv`.

Needs: apt-get install libreoffice-calc-nogui   (not installed by scripts/install-deps)
Run:   python3 tests/data/make_reference_operators.py
"""

import html
import os
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))

CASES = [
    ("=SUM(A1:C3 B2:D4)", "of:=SUM([.A1:.C3]![.B2:.D4])"),
    ("=A1:C3 B2:B9", "of:=[.A1:.C3]![.B2:.B9]"),
    ("=SUM(A1:D4 B2:C3 C3:D4)", "of:=SUM([.A1:.D4]![.B2:.C3]![.C3:.D4])"),
    ("=-A1:B2 B1:C1", "of:=-[.A1:.B2]![.B1:.C1]"),
    ("=A1:B2 B1:C1^2", "of:=[.A1:.B2]![.B1:.C1]^2"),
    ("=SUM(A1:A3 C1:C3)", "of:=SUM([.A1:.A3]![.C1:.C3])"),
    ("=A1:A3 C1:C3", "of:=[.A1:.A3]![.C1:.C3]"),
    ("=SUM((A1:A3,C1:C3))", "of:=SUM(([.A1:.A3]~[.C1:.C3]))"),
    ("=SUM((A1:A3,C1:C3),D4)", "of:=SUM(([.A1:.A3]~[.C1:.C3]);[.D4])"),
    ("=COUNT((A1:A3,C1:C3,D4))", "of:=COUNT(([.A1:.A3]~[.C1:.C3]~[.D4]))"),
    ("=AVERAGE((A1:A3,C1:C3))", "of:=AVERAGE(([.A1:.A3]~[.C1:.C3]))"),
    ("=MIN((B2:B4,D1:D2))", "of:=MIN(([.B2:.B4]~[.D1:.D2]))"),
    ("=MAX((A1:B2,C3:D3))", "of:=MAX(([.A1:.B2]~[.C3:.D3]))"),
    ("=LARGE((A1:A4,C1:C4),3)", "of:=LARGE(([.A1:.A4]~[.C1:.C4]);3)"),
    ("=SMALL((A1:A4,C1:C4),3)", "of:=SMALL(([.A1:.A4]~[.C1:.C4]);3)"),
    ("=INDEX((A1:B2,C3:D4),1,2,2)", "of:=INDEX(([.A1:.B2]~[.C3:.D4]);1;2;2)"),
    ("=INDEX((A1:B2,C3:D4),2,1)", "of:=INDEX(([.A1:.B2]~[.C3:.D4]);2;1)"),
    ("=INDEX((A1:B2,C3:D4),1,1,3)", "of:=INDEX(([.A1:.B2]~[.C3:.D4]);1;1;3)"),
    ("=INDEX(A1:D4,2,3,1)", "of:=INDEX([.A1:.D4];2;3;1)"),
    ("=ABS((A1,B1))", "of:=ABS(([.A1]~[.B1]))"),
    ("=SUM((A1:B2 B2:C3,D4))", "of:=SUM(([.A1:.B2]![.B2:.C3]~[.D4]))"),
    # The range operator with a computed reference on either side.
    ("=SUM(A1:INDEX(A1:D4,2,2))", "of:=SUM([.A1]:INDEX([.A1:.D4];2;2))"),
    ("=SUM(B1:CHOOSE(2,A3,C3,D3))", "of:=SUM([.B1]:CHOOSE(2;[.A3];[.C3];[.D3]))"),
    ("=SUM(OFFSET(A1,1,1):D4)", "of:=SUM(OFFSET([.A1];1;1):[.D4])"),
    ("=SUM(A1:IF(A1>0,B2,D4))", "of:=SUM([.A1]:IF([.A1]>0;[.B2];[.D4]))"),
    ("=SUM(A1:IF(A1>5,B2,D4))", "of:=SUM([.A1]:IF([.A1]>5;[.B2];[.D4]))"),
    ("=ROWS(A1:INDEX(A1:D4,3,1))", "of:=ROWS([.A1]:INDEX([.A1:.D4];3;1))"),
    ("=COLUMNS(INDEX(A1:D4,1,2):INDEX(A1:D4,1,4))", "of:=COLUMNS(INDEX([.A1:.D4];1;2):INDEX([.A1:.D4];1;4))"),
    ("=SUM(INDEX(A1:D4,1,1):INDEX(A1:D4,4,4) B2:C3)", "of:=SUM(INDEX([.A1:.D4];1;1):INDEX([.A1:.D4];4;4)![.B2:.C3])"),
    ("=SUM(A1:INDIRECT(\"B2\"))", "of:=SUM([.A1]:INDIRECT(\"B2\"))"),
    ("=SUM(A1:B2:C3)", "of:=SUM([.A1:.B2]:[.C3])"),
    ("=SUM(A1:INDEX(A1:D4,2,2):D1)", "of:=SUM([.A1]:INDEX([.A1:.D4];2;2):[.D1])"),
    ("=SUM(D4:INDEX(A1:D4,3,2))", "of:=SUM([.D4]:INDEX([.A1:.D4];3;2))"),
    ("=SUM(CHOOSE(1,A1,B1):CHOOSE(2,A1,B4))", "of:=SUM(CHOOSE(1;[.A1];[.B1]):CHOOSE(2;[.A1];[.B4]))"),
    ("=A1:INDEX(A1:D4,1,1)", "of:=[.A1]:INDEX([.A1:.D4];1;1)"),
    ("=SUM(A1:NA())", "of:=SUM([.A1]:NA())"),
    ("=SUM(A1:IF(FALSE,B2))", "of:=SUM([.A1]:IF(FALSE();[.B2]))"),
    ("=INDEX(A1:INDEX(A1:D4,3,3),2,2)", "of:=INDEX([.A1]:INDEX([.A1:.D4];3;3);2;2)"),
]

# Where LibreOffice differs from the common spreadsheet, whose behaviour models are written
# against: the expected value and why.
DIFFERS = {
    "=SUM(A1:A3 C1:C3)": ("ERR:2000", "an empty intersection is #NULL! there; LibreOffice gives #REF!"),
    "=A1:A3 C1:C3": ("ERR:2000", "an empty intersection is #NULL! there; LibreOffice gives #REF!"),
    "=SUM(A1:IF(FALSE,B2))": ("ERR:2015", "a value that is no reference beside ':' is #VALUE! there; "
                                          "LibreOffice gives Err:502"),
}

LO_ERRORS = {"#NULL!": 2000, "#VALUE!": 2015, "#REF!": 2023, "Err:504": 2015, "#N/A": 2042}


def document():
    rows = []
    for r in range(max(4, len(CASES))):
        cells = []
        for c in range(4):
            if r < 4:
                cells.append('<table:table-cell office:value-type="float" office:value="%d"/>' % (r * 4 + c + 1))
            else:
                cells.append("<table:table-cell/>")
        if r < len(CASES):
            cells.append('<table:table-cell table:formula="%s"/>' % html.escape(CASES[r][1], quote=True))
        rows.append("<table:table-row>%s</table:table-row>" % "".join(cells))
    return """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet><table:table table:name="Sheet1">
%s
</table:table></office:spreadsheet></office:body></office:document>
""" % "\n".join(rows)


def main():
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "cases.fods")
        with open(source, "w", encoding="utf-8") as out:
            out.write(document())
        subprocess.run(["soffice", "--headless", "--convert-to",
                        "csv:Text - txt - csv (StarCalc):9,34,76,1,,0,true,true,false,false", "--outdir", work,
                        source], check=True, capture_output=True)
        with open(os.path.join(work, "cases.csv"), encoding="utf-8") as result:
            lines = result.read().splitlines()
    with open(os.path.join(HERE, "reference_operators.tsv"), "w", encoding="utf-8") as out:
        out.write("formula\texpected\n")
        for (formula, _), line in zip(CASES, lines):
            field = line.split("\t")[4].strip('"')
            if formula in DIFFERS:
                expected = DIFFERS[formula][0]
            else:
                expected = "ERR:%d" % LO_ERRORS[field] if field in LO_ERRORS else repr(float(field))
            out.write("%s\t%s\n" % (formula, expected))


if __name__ == "__main__":
    main()
