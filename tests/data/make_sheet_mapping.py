#!/usr/bin/python3
"""Workbooks whose sheets are found only through the workbook's relationships, and broken ones.

Writes into sheet_mapping/ beside this script, each from a two-sheet workbook written by
openpyxl (First: A1 = 1, B1 = A1*10; Second: A1 = 10, B1 = A1*3), its parts then edited:
  reordered_ids.xlsx     the sheetIds swapped (First has sheetId 2): sheets reordered after
                         they were made; First!B1 is 10;
  relative_targets.xlsx  the relationship targets relative ("worksheets/sheet1.xml") where
                         openpyxl writes absolute ones ("/xl/worksheets/sheet1.xml");
  lone_sheet_id3.xlsx    one sheet, Only (A1 = 2, B1 = A1*10), with sheetId 3: Only!B1 is 20;
  unused_part.xlsx       a third sheet part that no sheet of the workbook names;
  missing_part.xlsx      Second's relationship points to xl/worksheets/sheet9.xml, absent;
  shared_part.xlsx       both sheets point to xl/worksheets/sheet1.xml;
  outside_target.xlsx    Second's target is ../../etc/passwd;
  absolute_outside.xlsx  Second's target is /etc/passwd, no part of the file;
  missing_relationship.xlsx  Second names rId9, which the workbook part does not have.
Run:  python3 tests/data/make_sheet_mapping.py   (needs python3-openpyxl)
"""

import io
import os
import zipfile

import openpyxl

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "sheet_mapping")
WORKBOOK = "xl/workbook.xml"
RELATIONSHIPS = "xl/_rels/workbook.xml.rels"


def saved(sheets):
    """A workbook of sheets given as (name, {cell: value}), as openpyxl writes it."""
    book = openpyxl.Workbook()
    book.remove(book.active)
    for name, cells in sheets:
        sheet = book.create_sheet(name)
        for cell, value in cells.items():
            sheet[cell] = value
    out = io.BytesIO()
    book.save(out)
    return out.getvalue()


def two_sheets():
    return saved([("First", {"A1": 1, "B1": "=A1*10"}), ("Second", {"A1": 10, "B1": "=A1*3"})])


def one_sheet():
    return saved([("Only", {"A1": 2, "B1": "=A1*10"})])


def edited(source, name, edits, extra=None):
    """Writes `source` again with text replacements in some parts, and parts added."""
    with zipfile.ZipFile(io.BytesIO(source)) as zin, \
            zipfile.ZipFile(os.path.join(OUT, name), "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.infolist():
            data = zin.read(item.filename)
            for part, old, new in edits:
                if part == item.filename:
                    text = data.decode()
                    assert old in text, (name, old)
                    data = text.replace(old, new).encode()
            item.date_time = (2024, 1, 1, 0, 0, 0)
            zout.writestr(item, data)
        for part, data in (extra or {}).items():
            info = zipfile.ZipInfo(part, (2024, 1, 1, 0, 0, 0))
            zout.writestr(info, data, zipfile.ZIP_DEFLATED)


def main():
    os.makedirs(OUT, exist_ok=True)
    two = two_sheets()
    absolute = 'Target="/xl/worksheets/'
    edited(two, "reordered_ids.xlsx", [(WORKBOOK, 'sheetId="1"', 'sheetId="X"'),
                                       (WORKBOOK, 'sheetId="2"', 'sheetId="1"'),
                                       (WORKBOOK, 'sheetId="X"', 'sheetId="2"')])
    edited(two, "relative_targets.xlsx", [(RELATIONSHIPS, absolute, 'Target="worksheets/')])
    edited(one_sheet(), "lone_sheet_id3.xlsx", [(WORKBOOK, 'sheetId="1"', 'sheetId="3"')])
    with zipfile.ZipFile(io.BytesIO(two)) as zin:
        stray = zin.read("xl/worksheets/sheet2.xml")
    edited(two, "unused_part.xlsx", [], {"xl/worksheets/sheet3.xml": stray})
    edited(two, "missing_part.xlsx", [(RELATIONSHIPS, "/xl/worksheets/sheet2.xml", "/xl/worksheets/sheet9.xml")])
    edited(two, "shared_part.xlsx", [(RELATIONSHIPS, "/xl/worksheets/sheet2.xml", "/xl/worksheets/sheet1.xml")])
    edited(two, "outside_target.xlsx", [(RELATIONSHIPS, "/xl/worksheets/sheet2.xml", "../../etc/passwd")])
    edited(two, "absolute_outside.xlsx", [(RELATIONSHIPS, "/xl/worksheets/sheet2.xml", "/etc/passwd")])
    edited(two, "missing_relationship.xlsx", [(WORKBOOK, 'r:id="rId2"', 'r:id="rId9"')])


if __name__ == "__main__":
    main()
