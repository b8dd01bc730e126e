#!/usr/bin/python3
"""Reads a `kx simulate --xlsx` report workbook with openpyxl and prints what a colleague's
spreadsheet would see, as JSON: the Summary sheet's statistics by row label and output, the
Sensitivity sheet's rows, the Iterations sheet's headings, row count and column sums, and the
charts on each sheet with their kind and the ranges they draw from.

The simulation tests run it on the workbook they have just written, when openpyxl is there.
"""
import json
import sys

import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
summary = book["Summary"]
outputs = []
statistics = {}
settings = {}
rows = list(summary.iter_rows(values_only=True))
in_table = False
for row in rows:
    if row[0] == "Output":
        outputs = [x for x in row[1:] if x is not None]
        in_table = True
        continue
    if row[0] is None:
        continue
    if in_table:
        statistics[row[0]] = list(row[1:1 + len(outputs)])
    else:
        settings[row[0]] = row[1]

sensitivity = [list(row) for row in book["Sensitivity"].iter_rows(values_only=True)]
iterations = book["Iterations"]
headings = [c.value for c in next(iterations.iter_rows(min_row=1, max_row=1))]
sums = [0.0] * len(headings)
count = 0
for row in iterations.iter_rows(min_row=2, values_only=True):
    count += 1
    for i, x in enumerate(row):
        if isinstance(x, (int, float)):
            sums[i] += x

charts = []
for sheet in book.worksheets:
    for chart in sheet._charts:
        refs = []
        for series in chart.series:
            if series.val is not None and series.val.numRef is not None:
                refs.append(series.val.numRef.f)
        charts.append({"sheet": sheet.title, "kind": chart.tagname, "values": refs})

json.dump({"sheets": book.sheetnames, "settings": settings, "outputs": outputs, "statistics": statistics,
           "sensitivity": sensitivity, "iteration_headings": headings, "iteration_rows": count,
           "iteration_sums": sums, "charts": charts}, sys.stdout, default=str)
