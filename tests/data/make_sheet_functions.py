#!/usr/bin/python3
"""Reference values for the worksheet functions, computed by LibreOffice Calc run headless.

Writes sheet_functions.tsv beside this script. Lines starting with '@' give the data block
that every case may read (on Sheet1):
    @A1<TAB>value          value: a number, TRUE/FALSE, or "text" in double quotes
Every other line after the header is one case:
    formula<TAB>expected
where `expected` is a number as LibreOffice printed it (15 significant digits), TRUE/FALSE,
"text" in double quotes, or ERR:n for the worksheet error value with number n
(#NULL! 2000, #DIV/0! 2007, #VALUE! 2015, #REF! 2023, #NAME? 2029, #NUM! 2036, #N/A 2042).

How: the cases are written as Excel formulas (the msoxl: namespace) into a flat ODS file,
which `soffice --headless --convert-to csv` computes. LibreOffice 7.4 (Debian bookworm) has
no XLOOKUP, LET, SORT, UNIQUE, FILTER or SEQUENCE: for those a case may give a second formula
that computes the same thing with older functions, and LibreOffice computes that instead.
LibreOffice's own error codes map to the spreadsheet errors the way it saves them to .xlsx:
Err:502 (invalid argument) and Err:523 (no convergence) are #NUM!, Err:504 and Err:511 (wrong
arguments) #VALUE!.

Needs: apt-get install libreoffice-calc-nogui   (not installed by scripts/install-deps)
Run:   python3 tests/data/make_sheet_functions.py
"""

import csv
import html
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))

# The data block: cells and their values (numbers, booleans, texts as "quoted").
DATA = {
    "A1": '"apple"', "B1": 10, "C1": 1.5, "D1": 45292,       # 2024-01-01
    "A2": '"banana"', "B2": 20, "C2": 2.5, "D2": 45322,      # 2024-01-31
    "A3": '"cherry"', "B3": 30, "C3": -1, "D3": 45351,       # 2024-02-29
    "A4": '"date"', "B4": 40, "C4": 4, "D4": 45383,          # 2024-04-01
    "A5": '"elder"', "B5": 50, "C5": 0, "D5": 45657,         # 2024-12-31
    "A6": '"fig"', "B6": '"n/a"', "C6": "TRUE", "D6": 45658,
    "E1": -1000, "E2": 300, "E3": 400, "E4": 500, "E5": 200,
    "F1": 1, "F2": 2, "F3": 3, "F4": 5, "F5": 8, "F6": 13,
}

XLFN = ["IFS", "IFNA", "XOR", "SWITCH", "CONCAT", "TEXTJOIN", "MINIFS", "MAXIFS", "DAYS", "NORM.DIST", "NORM.INV",
        "NORM.S.DIST", "NORM.S.INV", "T.INV.2T", "T.INV", "T.DIST", "CHISQ.INV.RT", "GAMMA.INV", "GAMMA.DIST",
        "BETA.INV", "BETA.DIST", "BINOM.DIST", "POISSON.DIST", "EXPON.DIST", "WEIBULL.DIST", "STDEV.S", "STDEV.P",
        "VAR.S", "VAR.P", "LOGNORM.DIST", "LOGNORM.INV", "PERCENTILE.INC", "PERCENTILE.EXC", "QUARTILE.INC",
        "QUARTILE.EXC", "MODE.SNGL", "CEILING.MATH"]

# (formula, formula for LibreOffice when it lacks the function) or just the formula.
CASES = [
    # logical and information
    "IFS(B1>15,\"big\",B1>5,\"mid\")", "IFS(B1>15,1,B1>50,2)", "IFS(C6,\"yes\",TRUE,\"no\")",
    "IFNA(NA(),\"none\")", "IFNA(1/0,2)", "IFNA(B2,0)",
    "XOR(TRUE,FALSE)", "XOR(TRUE,TRUE)", "XOR(C6,B1>5,1)", "XOR(\"x\")",
    "SWITCH(B2,10,\"ten\",20,\"twenty\")", "SWITCH(\"b\",\"a\",1,\"B\",2)", "SWITCH(7,1,\"a\",\"other\")",
    "SWITCH(7,1,\"a\")",
    "ISERROR(1/0)", "ISERROR(B1)", "ISERR(NA())", "ISERR(1/0)", "ISNA(NA())", "ISNA(1/0)",
    "ISNUMBER(B1)", "ISNUMBER(B6)", "ISNUMBER(\"1\")", "ISTEXT(A1)", "ISTEXT(B1)", "ISBLANK(G1)", "ISBLANK(A1)",
    "ISLOGICAL(C6)", "ISLOGICAL(1)", "NA()", "TRUE()", "FALSE()",
    # math
    "TRUNC(8.97)", "TRUNC(-8.97,1)", "TRUNC(1234.5,-2)", "TRUNC(\"x\")",
    "CEILING(2.5,1)", "CEILING(1.1,0.1)", "CEILING(-2.5,-2)", "CEILING(-2.5,2)", "CEILING(2.5,-1)",
    "MROUND(10,3)", "MROUND(-10,-3)", "MROUND(1.3,0.2)", "MROUND(5,-2)",
    "SIGN(-3)", "SIGN(0)", "SIGN(2.5)", "SIGN(\"a\")",
    "PRODUCT(2,3,4)", "PRODUCT(B1:B3)", "PRODUCT(F1:F6,0.5)", "PRODUCT(1/0)",
    "QUOTIENT(7,2)", "QUOTIENT(-7,2)", "QUOTIENT(5,0)",
    "COMBIN(10,3)", "COMBIN(52,5)", "COMBIN(5.9,2.2)", "COMBIN(3,5)",
    "EVEN(1.5)", "EVEN(-1)", "EVEN(2)", "EVEN(\"a\")",
    "ODD(1.5)", "ODD(-2)", "ODD(0)", "ODD(3)",
    # lookup and reference
    "VLOOKUP(\"cherry\",A1:D6,2,FALSE)", "VLOOKUP(\"CH*\",A1:D6,3,FALSE)", "VLOOKUP(\"zzz\",A1:D6,2,FALSE)",
    "VLOOKUP(\"c\",A1:D6,2)", "VLOOKUP(\"date\",A1:D6,5,FALSE)", "VLOOKUP(35,B1:C5,2,TRUE)",
    "VLOOKUP(5,B1:C5,2,TRUE)",
    "HLOOKUP(20,B1:B5,1,FALSE)", "HLOOKUP(10,B1:D3,2,FALSE)", "HLOOKUP(1.5,B1:D3,3,FALSE)", "HLOOKUP(10,B1:D3,4,FALSE)",
    "MATCH(30,B1:B5,0)", "MATCH(35,B1:B5,1)", "MATCH(35,B1:B5)", "MATCH(\"fig\",A1:A6,0)", "MATCH(99,B1:B5,0)",
    "MATCH(25,{50,40,30,20,10},-1)", "MATCH(\"b?nana\",A1:A6,0)",
    ("XLOOKUP(\"date\",A1:A6,B1:B6)", "INDEX(B1:B6,MATCH(\"date\",A1:A6,0))"),
    ("XLOOKUP(\"zzz\",A1:A6,B1:B6,\"none\")", "\"none\""),
    ("XLOOKUP(\"zzz\",A1:A6,B1:B6)", "NA()"),
    ("XLOOKUP(35,B1:B5,A1:A5,,-1)", "INDEX(A1:A5,MATCH(35,B1:B5,1))"),
    ("XLOOKUP(35,B1:B5,A1:A5,,1)", "INDEX(A1:A5,MATCH(35,B1:B5,1)+1)"),
    "LOOKUP(35,B1:B5,A1:A5)", "LOOKUP(\"c\",A1:A5,B1:B5)", "LOOKUP(5,B1:B5,A1:A5)", "LOOKUP(45,B1:C5)",
    "CHOOSE(2,\"a\",\"b\",\"c\")", "SUM(CHOOSE(1,B1:B3,C1:C3))", "CHOOSE(4,1,2,3)",
    "ROW(C5)", "COLUMN(D2)", "ROWS(A1:D6)", "COLUMNS(A1:D6)", "ROWS({1,2;3,4;5,6})",
    "SUM(OFFSET(B1,1,0,3,1))", "OFFSET(A1,2,1)", "OFFSET(A1,-1,0)",
    "INDIRECT(\"B3\")", "SUM(INDIRECT(\"B1:B5\"))", "INDIRECT(\"no such\")",
    # financial
    "PV(0.05,10,-100)", "PV(0.05/12,60,-500,1000,1)", "PV(0,10,-100)", "PV(\"x\",1,1)",
    "FV(0.05,10,-100)", "FV(0.06/12,120,-200,-500,1)", "FV(0,5,-10,-100)",
    "NPER(0.05,-100,700)", "NPER(0.01,-100,-1000,10000)", "NPER(0,-100,1000)", "NPER(0.05,100,1000)",
    "RATE(10,-100,800)", "RATE(60,-500,25000,0,1)", "RATE(10,-100,800,0,0,0.5)", "RATE(10,100,800)",
    "IPMT(0.05,2,10,1000)", "IPMT(0.01,3,36,8000,0,1)", "IPMT(0.05,11,10,1000)",
    "PPMT(0.05,2,10,1000)", "PPMT(0.01,3,36,8000,100,1)", "PPMT(0.05,0,10,1000)",
    "IRR(E1:E5)", "IRR({-100,30,40,50},0.05)", "IRR({100,30,40})",
    "MIRR(E1:E5,0.1,0.12)", "MIRR({-100,30,-20,60},0.08,0.1)", "MIRR({100,30},0.1,0.1)",
    "XNPV(0.09,E1:E5,D1:D5)", "XNPV(0.05,{-100,60,60},{45000,45365,45730})", "XNPV(0.05,{-100,60},{45000})",
    "XIRR(E1:E5,D1:D5)", "XIRR({-100,60,60},{45000,45365,45730})", "XIRR({100,60},{45000,45365})",
    "SLN(10000,1000,5)", "SLN(30000,7500,10)", "SLN(1000,0,0)",
    "DB(10000,1000,5,1)", "DB(10000,1000,5,2,7)", "DB(10000,1000,5,6,7)", "DB(10000,1000,5,6)",
    "DDB(10000,1000,5,1)", "DDB(10000,1000,5,5)", "DDB(2400,300,10,2,1.5)", "DDB(10000,1000,5,6)",
    "SYD(10000,1000,5,1)", "SYD(30000,7500,10,10)", "SYD(10000,1000,5,6)",
    "EFFECT(0.1,12)", "EFFECT(0.0525,4)", "EFFECT(-0.1,4)",
    "NOMINAL(0.1,12)", "NOMINAL(0.053543,4)", "NOMINAL(0.1,0)",
]

# Where LibreOffice answers otherwise than the common spreadsheet, whose answers models are
# written against; the reference then holds the latter, with the reason.
DIFFERS = {
    "QUOTIENT(5,0)": ("ERR:2007", "division by zero is #DIV/0!, not LibreOffice's invalid argument"),
    "VLOOKUP(\"date\",A1:D6,5,FALSE)": ("ERR:2023", "an index beyond the table is #REF!"),
    "HLOOKUP(10,B1:D3,4,FALSE)": ("ERR:2023", "an index beyond the table is #REF!"),
    "CHOOSE(4,1,2,3)": ("ERR:2015", "an index with no value is #VALUE!"),
    "OFFSET(A1,-1,0)": ("ERR:2023", "a reference leaving the sheet is #REF!"),
    "MIRR({100,30},0.1,0.1)": ("ERR:2007", "flows of one sign divide by a zero present value"),
    "SYD(10000,1000,5,6)": ("ERR:2036", "a period beyond the life is #NUM!, LibreOffice gives 0"),
    "DB(10000,1000,5,6)": ("ERR:2036", "a period beyond the life is #NUM!, LibreOffice gives 0"),
    "MROUND(5,-2)": ("ERR:2036", "a number and multiple of different signs are #NUM!"),
    "ISLOGICAL(C6)": ("TRUE", "LibreOffice keeps no boolean type: its TRUE is the number 1"),
}

LO_ERRORS = {"#NULL!": 2000, "#DIV/0!": 2007, "#VALUE!": 2015, "#REF!": 2023, "#NAME?": 2029, "#NUM!": 2036,
             "#N/A": 2042, "Err:502": 2036, "Err:523": 2036, "Err:504": 2015, "Err:511": 2015}


def for_libreoffice(formula):
    for name in sorted(XLFN, key=len, reverse=True):
        formula = formula.replace(name + "(", "_xlfn." + name + "(").replace("_xlfn._xlfn.", "_xlfn.")
    return formula


def cell_xml(value):
    if isinstance(value, str) and value.startswith('"'):
        return '<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>' % html.escape(
            value[1:-1])
    if value in ("TRUE", "FALSE"):
        return '<table:table-cell office:value-type="boolean" office:boolean-value="%s"/>' % value.lower()
    return '<table:table-cell office:value-type="float" office:value="%r"/>' % value


def column_index(address):
    return ord(address[0]) - ord("A")


def document(cases):
    rows = max(len(cases), 6)
    lines = []
    for r in range(rows):
        cells = []
        for c in "ABCDEFG":
            address = "%s%d" % (c, r + 1)
            cells.append(cell_xml(DATA[address]) if address in DATA else "<table:table-cell/>")
        if r < len(cases):
            formula = html.escape("msoxl:=" + for_libreoffice(cases[r][1]), quote=True)
            cells.append('<table:table-cell table:formula="%s"/>' % formula)
        lines.append("<table:table-row>%s</table:table-row>" % "".join(cells))
    return """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
 xmlns:msoxl="http://schemas.microsoft.com/office/excel/formula"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet>
<table:calculation-settings table:use-wildcards="true" table:use-regular-expressions="false"/>
<table:table table:name="Sheet1">
%s
</table:table></office:spreadsheet></office:body></office:document>
""" % "\n".join(lines)


def expected_of(field, quoted):
    if field in LO_ERRORS:
        return "ERR:%d" % LO_ERRORS[field]
    if quoted:
        return '"%s"' % field
    if field.endswith("%"):
        return repr(float(field[:-1]) / 100)
    if field in LO_ERRORS:
        return "ERR:%d" % LO_ERRORS[field]
    if field in ("TRUE", "FALSE"):
        return field
    if field.startswith("#") or field.startswith("Err:"):
        sys.exit("unknown error %s" % field)
    return field


def main():
    cases = [(c, c) if isinstance(c, str) else c for c in CASES]
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "cases.fods")
        with open(source, "w", encoding="utf-8") as out:
            out.write(document(cases))
        # Tab separated, quote all text cells, values as stored (not as shown).
        subprocess.run(["soffice", "--headless", "--convert-to",
                        "csv:Text - txt - csv (StarCalc):9,34,76,1,,0,true,true,false,false", "--outdir", work,
                        source], check=True, capture_output=True)
        with open(os.path.join(work, "cases.csv"), encoding="utf-8") as result:
            raw = result.read().splitlines()
    with open(os.path.join(HERE, "sheet_functions.tsv"), "w", encoding="utf-8") as out:
        out.write("formula\texpected\n")
        for address, value in DATA.items():
            out.write("@%s\t%s\n" % (address, value))
        for (formula, _), line in zip(cases, raw):
            field = line.split("\t")[7]
            quoted = field.startswith('"')
            expected = expected_of(field.strip('"'), quoted)
            if formula in DIFFERS:
                expected = DIFFERS[formula][0]
            out.write("%s\t%s\n" % (formula, expected))


if __name__ == "__main__":
    main()
