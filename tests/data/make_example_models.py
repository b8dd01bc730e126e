#!/usr/bin/python3
"""The three example models in examples/ and the values a reference spreadsheet computes for them.

Writes:
  examples/project_schedule.xlsx  a project's cost and schedule: tasks, a rate card, holidays,
                                  working-day dates, costs by phase and role;
  examples/launch_npv.xlsx        a product launch's five-year business case: volumes, prices,
                                  costs, depreciation, tax, working capital, NPV, IRR, a loan;
  examples/insurance_claims.xlsx  two years of claims: counts and severities by line, percentiles,
                                  lognormal and gamma severity fits, Poisson frequency, a premium;
  tests/data/example_models.tsv   every formula cell of the three: file, sheet, cell, formula and
                                  the value LibreOffice computed for it.

The workbooks are written part by part as a spreadsheet program saves them: labels and other
texts as inline strings (one title as rich text of two runs), dates and percentages as styled
numbers, functions newer than 2007 with the _xlfn. prefix, named ranges in the workbook (and one
scoped to its sheet) used by the formulas. Formula cells store no result: every reader computes
them when it opens the file.

Expected values: LibreOffice 7.4 (Debian bookworm) opens a copy of each workbook headless and
saves it as flat ODS, whose cells carry the computed values. LibreOffice 7.4 has no XLOOKUP: in
that copy those cells hold the same lookup written with INDEX and MATCH. Texts compare exactly,
numbers as LibreOffice wrote them (15 significant digits), errors by name. LibreOffice's own error
codes map as its .xlsx export maps them (Err:502 and Err:523 #NUM!, Err:504 and Err:511 #VALUE!).
The models avoid what LibreOffice answers otherwise than the common spreadsheet (booleans as
numbers, dates before March 1900, error kinds of bad arguments); DIFFERS below would record any
cell where the two still differ.

Needs: apt-get install libreoffice-calc-nogui   (not installed by scripts/install-deps)
Run:   python3 tests/data/make_example_models.py
"""

import datetime
import html
import os
import re
import subprocess
import sys
import tempfile
import zipfile
from xml.sax.saxutils import escape, quoteattr

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLES = os.path.join(HERE, "..", "..", "examples")
STAMP = (2026, 1, 1, 0, 0, 0)  # fixed, so that the files come out byte for byte the same

# Functions that a spreadsheet program saves with the _xlfn. prefix.
XLFN = ["IFS", "IFNA", "SWITCH", "CONCAT", "TEXTJOIN", "MINIFS", "MAXIFS", "DAYS", "XLOOKUP", "STDEV.S", "STDEV.P",
        "NORM.INV", "NORM.DIST", "POISSON.DIST", "GAMMA.INV", "GAMMA.DIST", "LOGNORM.DIST", "LOGNORM.INV",
        "PERCENTILE.INC", "PERCENTILE.EXC", "QUARTILE.INC"]


# ---------------------------------------------------------------------------------------------
# Cell contents


class Styled:
    """A number shown with a format: "date", "percent", "amount" (#,##0) or "money" (#,##0.00)."""

    def __init__(self, content, style):
        self.content = content
        self.style = style


class Rich:
    """An inline string of several runs; the second and later runs are bold."""

    def __init__(self, *runs):
        self.runs = runs


class Formula:
    """A formula as the modeller writes it, and the same computation for LibreOffice 7.4 where it
    lacks a function the formula uses."""

    def __init__(self, text, for_libreoffice=None, style=None):
        self.text = text
        self.for_libreoffice = for_libreoffice or text
        self.style = style


def date(year, month, day):
    return Styled((datetime.date(year, month, day) - datetime.date(1899, 12, 30)).days, "date")


def percent(number):
    return Styled(number, "percent")


def xlookup(value, lookup, result, extra=""):
    """XLOOKUP(value, lookup, result), and for LibreOffice the INDEX/MATCH that finds the same."""
    return ("=XLOOKUP(%s,%s,%s%s)" % (value, lookup, result, extra),
            "=INDEX(%s,MATCH(%s,%s,0))" % (result, value, lookup))


class Model:
    def __init__(self, file_name):
        self.file_name = file_name
        self.sheets = {}  # name -> {address: content}, in the order written
        self.names = []  # (name, reference, sheet it is scoped to or None)
        self.widths = {}  # sheet -> [(first column, last column, width)]
        self.array_cells = {}  # sheet -> cells holding an array formula

    def sheet(self, name, widths=()):
        self.sheets[name] = {}
        self.widths[name] = list(widths)
        return self.sheets[name]

    def name(self, name, reference, scope=None):
        self.names.append((name, reference, scope))


def f(text, style=None):
    """A formula cell: text starts with "="; a (formula, LibreOffice formula) pair for XLOOKUP."""
    if isinstance(text, tuple):
        return Formula(text[0], text[1], style)
    return Formula(text, None, style)


def column_letter(index):
    letters = ""
    while index:
        index, rest = divmod(index - 1, 26)
        letters = chr(ord("A") + rest) + letters
    return letters


def column_number(letters):
    number = 0
    for letter in letters:
        number = number * 26 + ord(letter) - ord("A") + 1
    return number


def split(address):
    match = re.fullmatch(r"([A-Z]+)(\d+)", address)
    return int(match.group(2)), column_number(match.group(1))


def put_row(cells, row, first_column, values):
    column = column_number(first_column)
    for value in values:
        if value is not None:
            cells["%s%d" % (column_letter(column), row)] = value
        column += 1


# ---------------------------------------------------------------------------------------------
# Model 1: a project's cost and schedule


def project_schedule():
    model = Model("project_schedule.xlsx")
    plan = model.sheet("Plan", [(1, 1, 30), (2, 2, 24), (3, 14, 13)])
    rates = model.sheet("Rates", [(1, 1, 18), (2, 8, 15)])

    rates["A1"] = "Rate card and calendar"
    put_row(rates, 2, "A", ["Role", "Day rate", "Overtime factor"])
    card = [("Analyst", 620, 1.25), ("Architect", 980, 1.5), ("Developer", 760, 1.25), ("Project manager", 900, 1.0),
            ("Tester", 560, 1.25)]
    for i, entry in enumerate(card):
        put_row(rates, 3 + i, "A", entry)
    rates["E2"] = "Public holidays"
    holidays = [(2025, 4, 18), (2025, 4, 21), (2025, 5, 5), (2025, 5, 26), (2025, 8, 25), (2025, 12, 25),
                (2025, 12, 26)]
    for i, day in enumerate(holidays):
        rates["E%d" % (3 + i)] = date(*day)
    put_row(rates, 2, "G", ["Labour cost from", "Volume discount"])
    for i, (cost, discount) in enumerate([(0, 0), (50000, 0.02), (100000, 0.035), (200000, 0.05)]):
        put_row(rates, 3 + i, "G", [cost, percent(discount)])
    model.name("RateTable", "Rates!$A$3:$C$7")
    model.name("Holidays", "Rates!$E$3:$E$9")
    model.name("DiscountTiers", "Rates!$G$3:$H$6")

    plan["A1"] = Rich("Office relocation: ", "cost and schedule")
    put_row(plan, 3, "A", ["Project start", date(2025, 3, 3)])
    put_row(plan, 4, "A", ["Status date", date(2025, 5, 2)])
    put_row(plan, 5, "A", ["Contingency", percent(0.12)])
    put_row(plan, 6, "A", ["Budget", Styled(75000, "amount")])
    model.name("ProjectStart", "Plan!$B$3")
    model.name("StatusDate", "Plan!$B$4")
    put_row(plan, 8, "A", ["ID", "Task", "Phase", "Role", "Effort (days)", "After", "Start", "Finish",
                           "Working days", "Day rate", "Cost", "Status", "Due month", "Calendar days"])
    tasks = [
        ("T01", "Requirements workshop", "Design", "Analyst", 5, None),
        ("T02", "Site survey", "Design", "Architect", 3, "T01"),
        ("T03", "Floor plan", "Design", "Architect", 8, "T02"),
        ("T04", "Network design", "Design", "Developer", 6, "T02"),
        ("T05", "Procurement", "Build", "Project manager", 12, "T03"),
        ("T06", "Cabling", "Build", "Developer", 14, "T04"),
        ("T07", "Systems migration", "Build", "Developer", 18, "T06"),
        ("T08", "Acceptance tests", "Test", "Tester", 9, "T07"),
        ("T09", "User training", "Test", "Analyst", 4, "T08"),
        ("T10", "Move and handover", "Deploy", "Project manager", 3, "T09"),
    ]
    first, last = 9, 8 + len(tasks)
    span = lambda column: "$%s$%d:$%s$%d" % (column, first, column, last)
    for i, (task_id, name, phase, role, days, after) in enumerate(tasks):
        r = first + i
        put_row(plan, r, "A", [task_id, name, phase, role, days, after])
        plan["G%d" % r] = f(xlookup_start(r, span), style="date")
        plan["H%d" % r] = f("=WORKDAY(G%d,E%d-1,Holidays)" % (r, r), "date")
        plan["I%d" % r] = f("=NETWORKDAYS(G%d,H%d,Holidays)" % (r, r))
        plan["J%d" % r] = f("=VLOOKUP(D%d,RateTable,2,FALSE)" % r)
        plan["K%d" % r] = f("=E%d*J%d" % (r, r), "amount")
        plan["L%d" % r] = f('=IFS(H%d<=StatusDate,"Done",G%d<=StatusDate,"In progress",TRUE,"Planned")' % (r, r))
        plan["M%d" % r] = f('=TEXT(EOMONTH(H%d,0),"mmm yyyy")' % r)
        plan["N%d" % r] = f("=DAYS(H%d,G%d)+1" % (r, r))
    model.name("TaskCost", "Plan!" + span("K"))
    status, phases, roles, efforts = span("L"), span("C"), span("D"), span("E")

    summary = [
        ("Total effort (days)", "=SUM(E9:E18)", None),
        ("Labour cost", "=SUM(TaskCost)", "amount"),
        ("Volume discount", "=VLOOKUP(B22,DiscountTiers,2,TRUE)", "percent"),
        ("Discounted labour cost", "=ROUND(B22*(1-B23),2)", "money"),
        ("Contingency", "=ROUND(B24*$B$5,2)", "money"),
        ("Total budget", "=B24+B25", "money"),
        ("Against budget", '=IF(B26<=B6,"Within budget by "&TEXT(B6-B26,"#,##0"),'
                           '"Over budget by "&TEXT(B26-B6,"#,##0"))', None),
        ("Project finish", "=MAX(H9:H18)", "date"),
        ("Finish weekday", '=TEXT(B28,"dddd")', None),
        ("Working days", "=NETWORKDAYS(ProjectStart,B28,Holidays)", None),
        ("Whole months", '=DATEDIF(ProjectStart,B28,"m")', None),
        ("Years (actual/actual)", "=YEARFRAC(ProjectStart,B28,1)", None),
        ("Final invoice", "=EOMONTH(B28,1)", "date"),
        ("First steering meeting", "=WORKDAY(EDATE(ProjectStart,1)-1,1,Holidays)", "date"),
        ("Its weekday (Monday 1)", "=WEEKDAY(B34,2)", None),
        ("Tasks done", '=COUNTIFS(%s,"Done")' % status, None),
        ("Tasks in progress", '=COUNTIFS(%s,"In progress")' % status, None),
        ("Earned value", '=SUMIFS(TaskCost,%s,"Done")' % status, "amount"),
        ("Percent complete", "=B38/B22", "percent"),
        ("Costliest task", "=INDEX(B9:B18,MATCH(MAX(TaskCost),TaskCost,0))", None),
        ("Last task", f(xlookup("B28", "H9:H18", "B9:B18", ',"none",0,-1'))),
        ("Developer days in Build", '=SUMIFS(%s,%s,"Developer",%s,"Build")' % (efforts, roles, phases), None),
        ("Tasks ending after the status date", '=TEXTJOIN(", ",TRUE,IF(H9:H18>StatusDate,A9:A18,""))', None),
    ]
    plan["A20"] = "Summary"
    for i, entry in enumerate(summary):
        r = 21 + i
        plan["A%d" % r] = entry[0]
        plan["B%d" % r] = entry[1] if isinstance(entry[1], Formula) else f(entry[1], entry[2])
    # B41 looks up from the last row up; LibreOffice's INDEX/MATCH finds the same, as the finish
    # date is unique. B43 joins an array: before dynamic arrays that was an array formula.
    model.array_cells = {"Plan": {"B43"}}

    row = 46
    put_row(plan, row, "A", ["Phase", "Cost", "Days", "Tasks", "Ends", "Share of cost"])
    for i, phase in enumerate(["Design", "Build", "Test", "Deploy"]):
        r = row + 1 + i
        plan["A%d" % r] = phase
        plan["B%d" % r] = f("=SUMIFS(TaskCost,%s,A%d)" % (phases, r), "amount")
        plan["C%d" % r] = f("=SUMIFS(%s,%s,A%d)" % (efforts, phases, r))
        plan["D%d" % r] = f("=COUNTIFS(%s,A%d)" % (phases, r))
        plan["E%d" % r] = f("=MAXIFS($H$9:$H$18,%s,A%d)" % (phases, r), "date")
        plan["F%d" % r] = f("=B%d/$B$22" % r, "percent")
    row = 52
    put_row(plan, row, "A", ["Role", "Days", "Cost", "With overtime"])
    for i, (role, _, _) in enumerate(card):
        r = row + 1 + i
        plan["A%d" % r] = role
        plan["B%d" % r] = f("=SUMIFS(%s,%s,A%d)" % (efforts, roles, r))
        plan["C%d" % r] = f("=SUMIFS(TaskCost,%s,A%d)" % (roles, r), "amount")
        plan["D%d" % r] = f("=C%d*VLOOKUP(A%d,RateTable,3,FALSE)" % (r, r), "amount")
    plan["A59"] = "Busiest role"
    plan["B59"] = f("=INDEX(A53:A57,MATCH(MAX(B53:B57),B53:B57,0))")
    return model


def xlookup_start(r, span):
    # A task starts the working day after the task it follows ends, the first on the project start.
    first, lo_first = (text[1:] for text in xlookup("F%d" % r, span("A"), span("H")))
    text = "=IF(F%d=\"\",WORKDAY(ProjectStart-1,1,Holidays),WORKDAY(%s,1,Holidays))" % (r, first)
    lo_text = "=IF(F%d=\"\",WORKDAY(ProjectStart-1,1,Holidays),WORKDAY(%s,1,Holidays))" % (r, lo_first)
    return text, lo_text


# ---------------------------------------------------------------------------------------------
# Model 2: a product launch's five-year business case


def launch_npv():
    model = Model("launch_npv.xlsx")
    inputs = model.sheet("Assumptions", [(1, 1, 36), (2, 6, 12)])
    flows = model.sheet("Cash flow", [(1, 1, 32), (2, 7, 14)])

    inputs["A1"] = "Product launch: five-year business case"
    assumptions = [
        ("Launch date", date(2026, 1, 1)),
        ("Units in year 1", 21000),
        ("Unit price", 135),
        ("Price erosion per year", percent(0.04)),
        ("Unit cost", 52),
        ("Cost inflation per year", percent(0.025)),
        ("Fixed costs per year", Styled(650000, "amount")),
        ("Launch marketing", Styled(1200000, "amount")),
        ("Marketing decline per year", percent(0.35)),
        ("Tooling and equipment", Styled(2400000, "amount")),
        ("Salvage value", Styled(200000, "amount")),
        ("Useful life (years)", 5),
        ("Depreciation method", "DDB"),
        ("Tax rate", percent(0.25)),
        ("Working capital (share of revenue)", percent(0.12)),
        ("Discount rate", percent(0.095)),
        ("Reinvestment rate", percent(0.06)),
        ("Loan", Styled(1500000, "amount")),
        ("Loan rate", percent(0.065)),
        ("Loan term (years)", 5),
    ]
    for i, (label, value) in enumerate(assumptions):
        put_row(inputs, 3 + i, "A", [label, value])
    # Rows: 3 launch date, 4 units, 5 price, 6 erosion, 7 unit cost, 8 inflation, 9 fixed, 10 marketing,
    # 11 decline, 12 capex, 13 salvage, 14 life, 15 method, 16 tax, 17 working capital, 18 discount,
    # 19 reinvestment, 20 loan, 21 loan rate, 22 loan term.
    put_row(inputs, 24, "A", ["Year", 1, 2, 3, 4, 5])
    put_row(inputs, 25, "A", ["Unit growth", percent(0), percent(0.45), percent(0.3), percent(0.15), percent(0.05)])
    model.name("LaunchDate", "Assumptions!$B$3")
    model.name("Capex", "Assumptions!$B$12")
    model.name("TaxRate", "Assumptions!$B$16")
    model.name("DiscountRate", "Assumptions!$B$18")
    model.name("GrowthTable", "Assumptions!$B$24:$F$25")
    model.name("CashFlows", "'Cash flow'!$B$24:$G$24")
    model.name("FlowDates", "'Cash flow'!$B$5:$G$5")

    flows["A1"] = Rich("Cash flow ", "(dollars)")
    years = "CDEFG"
    every = "BCDEFG"
    flows["A3"] = "Year"
    flows["B3"] = 0
    for c, previous in zip(years, every):
        flows[c + "3"] = f("=%s3+1" % previous)
    flows["A4"] = "Fiscal year"
    flows["B4"] = "Investment"
    flows["A5"] = "Cash flow date"
    flows["B5"] = f("=LaunchDate", "date")
    rows = [
        (6, "Unit growth", "=HLOOKUP({c}3,GrowthTable,2,FALSE)", "percent"),
        (7, "Units", "=ROUND(IF({c}3=1,Assumptions!$B$4,{p}7*(1+{c}6)),0)", "amount"),
        (8, "Unit price", "=ROUND(Assumptions!$B$5*(1-Assumptions!$B$6)^({c}3-1),2)", "money"),
        (9, "Revenue", "={c}7*{c}8", "amount"),
        (10, "Unit cost", "=Assumptions!$B$7*(1+Assumptions!$B$8)^({c}3-1)", "money"),
        (11, "Cost of sales", "={c}7*{c}10", "amount"),
        (12, "Gross margin", "={c}9-{c}11", "amount"),
        (13, "Gross margin %", "=IFERROR({c}12/{c}9,0)", "percent"),
        (14, "Marketing", "=Assumptions!$B$10*(1-Assumptions!$B$11)^({c}3-1)", "amount"),
        (15, "Fixed costs", "=Assumptions!$B$9", "amount"),
        (16, "EBITDA", "={c}12-{c}14-{c}15", "amount"),
        (17, "Depreciation", "=SWITCH(Assumptions!$B$15,\"SLN\",SLN(Capex,Assumptions!$B$13,Assumptions!$B$14),"
                             "\"DDB\",DDB(Capex,Assumptions!$B$13,Assumptions!$B$14,{c}3),"
                             "\"SYD\",SYD(Capex,Assumptions!$B$13,Assumptions!$B$14,{c}3),0)", "amount"),
        (18, "EBIT", "={c}16-{c}17", "amount"),
        (19, "Tax", "=MAX(0,{c}18)*TaxRate", "amount"),
        (20, "Net operating profit", "={c}18-{c}19", "amount"),
        (21, "Working capital", "=IF({c}3=Assumptions!$B$14,0,{c}9*Assumptions!$B$17)", "amount"),
        (22, "Change in working capital", "={c}21-{p}21", "amount"),
        (24, "Free cash flow", "={c}20+{c}17-{c}22+{c}23", "amount"),
    ]
    for c, p in zip(years, every):
        flows[c + "4"] = f('="FY"&TEXT(EDATE(LaunchDate,12*(%s3-1)),"yy")' % c)
        flows[c + "5"] = f("=EOMONTH(LaunchDate,12*%s3-1)" % c, "date")
    for r, label, template, style in rows:
        flows["A%d" % r] = label
        for c, p in zip(years, every):
            flows["%s%d" % (c, r)] = f(template.format(c=c, p=p), style)
    flows["B21"] = 0
    flows["A23"] = "Investment and salvage"
    flows["B23"] = f("=-Capex", "amount")
    flows["G23"] = f("=Assumptions!B13", "amount")
    flows["B24"] = f("=B23", "amount")
    flows["A25"] = "Discount factor"
    flows["A26"] = "Present value"
    flows["A27"] = "Cumulative cash flow"
    for c in every:
        flows[c + "25"] = f("=1/(1+DiscountRate)^%s3" % c)
        flows[c + "26"] = f("=%s24*%s25" % (c, c), "amount")
    flows["B27"] = f("=B24", "amount")
    for c, p in zip(years, every):
        flows[c + "27"] = f("=%s27+%s24" % (p, c), "amount")

    # The years before the cumulative cash flow turns positive, then the share of the next year.
    payback_years = 'COUNTIF(C27:G27,"<0")'
    results = [
        ("NPV", "=B24+NPV(DiscountRate,C24:G24)", "amount"),
        ("Sum of present values", "=SUM(B26:G26)", "amount"),
        ("IRR", "=IRR(CashFlows)", "percent"),
        ("MIRR", "=MIRR(CashFlows,DiscountRate,Assumptions!B19)", "percent"),
        ("NPV of the dated flows", "=XNPV(DiscountRate,CashFlows,FlowDates)", "amount"),
        ("IRR of the dated flows", "=XIRR(CashFlows,FlowDates)", "percent"),
        ("Profitability index", "=1+B30/Capex", None),
        ("Payback (years)", "=%s-INDEX(B27:G27,%s+1)/INDEX(C24:G24,%s+1)" % (payback_years, payback_years,
                                                                              payback_years), None),
        ("Peak EBITDA year", "=INDEX(C4:G4,MATCH(MAX(C16:G16),C16:G16,0))", None),
        ("Lifetime revenue", "=SUM(C9:G9)", "amount"),
        ("Average gross margin", "=AVERAGE(C13:G13)", "percent"),
        ("Break-even units in year 1", "=ROUNDUP((C15+C14)/(C8-C10),0)", "amount"),
        ("Decision", '=IF(B30>0,"Launch: NPV "&TEXT(B30,"$#,##0")&" at "&TEXT(DiscountRate,"0.0%"),'
                     '"Do not launch")', None),
        ("Loan payment per year", "=PMT(Assumptions!B21,Assumptions!B22,-Assumptions!B20)", "money"),
        ("Interest in year 1", "=IPMT(Assumptions!B21,1,Assumptions!B22,-Assumptions!B20)", "money"),
        ("Principal in year 1", "=PPMT(Assumptions!B21,1,Assumptions!B22,-Assumptions!B20)", "money"),
        ("Rate the payment implies", "=RATE(Assumptions!B22,-B43,Assumptions!B20)", "percent"),
        ("Years to repay at 400,000 a year", "=NPER(Assumptions!B21,-400000,Assumptions!B20)", None),
        ("NPV in year-5 money", "=FV(DiscountRate,5,0,-B30)", "amount"),
        ("Present value of the fixed costs", "=PV(DiscountRate,5,-Assumptions!B9)", "amount"),
        ("Loan rate compounded monthly", "=EFFECT(Assumptions!B21,12)", "percent"),
        ("Straight-line depreciation", "=SLN(Capex,Assumptions!B13,Assumptions!B14)", "amount"),
        ("Declining balance, year 1", "=DB(Capex,Assumptions!B13,Assumptions!B14,1)", "amount"),
        ("Sum of years' digits, year 2", "=SYD(Capex,Assumptions!B13,Assumptions!B14,2)", "amount"),
        ("Headline", '=TEXT(LaunchDate,"mmmm yyyy")&" launch, IRR "&TEXT(B32,"0.0%")&", "&'
                     'UPPER(Assumptions!B15)&" depreciation"', None),
    ]
    flows["A29"] = "Results"
    for i, (label, text, style) in enumerate(results):
        r = 30 + i
        flows["A%d" % r] = label
        flows["B%d" % r] = f(text, style)
    return model


# ---------------------------------------------------------------------------------------------
# Model 3: an insurer's claims


CLAIMS = [
    # reported, line, region, paid, status, days open
    ((2023, 1, 14), "Motor", "North", 2350, "Closed", 41),
    ((2023, 2, 3), "Property", "East", 18400, "Closed", 96),
    ((2023, 2, 27), "Motor", "South", 860, "Closed", 18),
    ((2023, 3, 19), "Liability", "West", 64200, "Closed", 240),
    ((2023, 4, 8), "Motor", "East", 4120, "Closed", 33),
    ((2023, 5, 22), "Property", "North", 7300, "Closed", 71),
    ((2023, 6, 30), "Motor", "West", 12950, "Closed", 58),
    ((2023, 7, 11), "Motor", "North", 1580, "Closed", 25),
    ((2023, 8, 2), "Liability", "South", 143500, "Closed", 410),
    ((2023, 9, 15), "Property", "West", 3900, "Closed", 47),
    ((2023, 10, 6), "Motor", "South", 6275, "Closed", 39),
    ((2023, 11, 28), "Property", "East", 27600, "Closed", 122),
    ((2024, 1, 9), "Motor", "East", 3340, "Closed", 29),
    ((2024, 2, 17), "Liability", "North", 22800, "Closed", 188),
    ((2024, 3, 4), "Motor", "West", 950, "Closed", 14),
    ((2024, 4, 21), "Property", "South", 54300, "Open", 230),
    ((2024, 5, 13), "Motor", "North", 8825, "Closed", 52),
    ((2024, 6, 6), "Motor", "South", 2140, "Closed", 21),
    ((2024, 7, 25), "Liability", "East", 96000, "Open", 158),
    ((2024, 8, 30), "Property", "North", 11700, "Closed", 66),
    ((2024, 9, 12), "Motor", "West", 4460, "Open", 110),
    ((2024, 10, 19), "Motor", "East", 1725, "Open", 73),
    ((2024, 11, 5), "Property", "West", 15250, "Open", 56),
    ((2024, 12, 16), "Liability", "South", 31900, "Open", 15),
]


def insurance_claims():
    model = Model("insurance_claims.xlsx")
    claims = model.sheet("Claims", [(1, 4, 11), (5, 5, 10), (6, 12, 12)])
    parameters = model.sheet("Parameters", [(1, 1, 30), (2, 3, 12)])
    analysis = model.sheet("Analysis", [(1, 1, 40), (2, 8, 13)])

    parameters["A1"] = "Parameters"
    put_row(parameters, 3, "A", ["Policies in force", 5200])
    put_row(parameters, 4, "A", ["Large loss threshold", Styled(50000, "amount")])
    put_row(parameters, 5, "A", ["Expense loading", percent(0.18)])
    put_row(parameters, 6, "A", ["Confidence level", percent(0.995)])
    put_row(parameters, 8, "A", ["Line", "Deductible", "Policies"])
    for i, entry in enumerate([("Liability", 5000, 900), ("Motor", 1000, 3400), ("Property", 2500, 900)]):
        put_row(parameters, 9 + i, "A", entry)
    put_row(parameters, 13, "A", ["Paid from", "Size band"])
    for i, entry in enumerate([(0, "Small"), (5000, "Medium"), (25000, "Large"), (100000, "Severe")]):
        put_row(parameters, 14 + i, "A", entry)

    claims["A1"] = Rich("Claims register ", "2023-2024")
    put_row(claims, 2, "A", ["Claim", "Reported", "Line", "Region", "Paid", "Status", "Days open", "Year", "Quarter",
                             "Size band", "Net of deductible", "Log of paid"])
    first, last = 3, 2 + len(CLAIMS)
    for i, (reported, line, region, paid, status, days) in enumerate(CLAIMS):
        r = first + i
        put_row(claims, r, "A", ["C-%d" % (1001 + i), date(*reported), line, region, Styled(paid, "amount"), status,
                                 days])
        claims["H%d" % r] = f("=YEAR(B%d)" % r)
        claims["I%d" % r] = f('="Q"&ROUNDUP(MONTH(B%d)/3,0)' % r)
        claims["J%d" % r] = f("=LOOKUP(E%d,Parameters!$A$14:$A$17,Parameters!$B$14:$B$17)" % r)
        claims["K%d" % r] = f("=MAX(0,E%d-VLOOKUP(C%d,Deductibles,2,FALSE))" % (r, r), "amount")
        claims["L%d" % r] = f("=LN(E%d)" % r)
    span = lambda column: "Claims!$%s$%d:$%s$%d" % (column, first, column, last)
    model.name("ClaimIDs", span("A"))
    model.name("Lines", span("C"))
    model.name("Paid", span("E"))
    model.name("Status", span("F"))
    model.name("DaysOpen", span("G"))
    model.name("Deductibles", "Parameters!$A$9:$C$11")
    model.name("Exposure", "Parameters!$B$3")
    model.name("LargeLoss", "Parameters!$B$4")
    model.name("Lambda", "Analysis!$B$36", scope="Analysis")

    analysis["A1"] = "Claims analysis"
    put_row(analysis, 3, "A", ["Line", "Claims", "Paid", "Average", "Largest", "Smallest", "Open", "Frequency"])
    for i, line in enumerate(["Motor", "Property", "Liability"]):
        r = 4 + i
        analysis["A%d" % r] = line
        analysis["B%d" % r] = f("=COUNTIFS(Lines,A%d)" % r)
        analysis["C%d" % r] = f("=SUMIFS(Paid,Lines,A%d)" % r, "amount")
        analysis["D%d" % r] = f("=AVERAGEIFS(Paid,Lines,A%d)" % r, "amount")
        analysis["E%d" % r] = f("=MAXIFS(Paid,Lines,A%d)" % r, "amount")
        analysis["F%d" % r] = f("=MINIFS(Paid,Lines,A%d)" % r, "amount")
        analysis["G%d" % r] = f('=COUNTIFS(Lines,A%d,Status,"Open")' % r)
        analysis["H%d" % r] = f("=B%d/(2*VLOOKUP(A%d,Deductibles,3,FALSE))" % (r, r), "percent")
    analysis["A7"] = "All lines"
    analysis["B7"] = f("=SUM(B4:B6)")
    analysis["C7"] = f("=SUM(Paid)", "amount")
    analysis["D7"] = f("=AVERAGE(Paid)", "amount")
    analysis["E7"] = f("=MAX(Paid)", "amount")
    analysis["F7"] = f("=MIN(Paid)", "amount")
    analysis["G7"] = f('=COUNTIFS(Status,"Open")')
    analysis["H7"] = f("=B7/(2*Exposure)", "percent")

    rows = [
        (9, "Severity", None, None),
        (10, "Median", "=MEDIAN(Paid)", "amount"),
        (11, "Standard deviation", "=STDEV.S(Paid)", "amount"),
        (12, "Skewness", "=SKEW(Paid)", None),
        (13, "Upper quartile", "=QUARTILE(Paid,3)", "amount"),
        (14, "90th percentile", "=PERCENTILE.INC(Paid,0.9)", "amount"),
        (15, "95th percentile (exclusive)", "=PERCENTILE.EXC(Paid,0.95)", "amount"),
        (16, "Share of the three largest", "=(LARGE(Paid,1)+LARGE(Paid,2)+LARGE(Paid,3))/C7", "percent"),
        (17, "Percent rank of the large loss threshold", "=PERCENTRANK(Paid,LargeLoss)", "percent"),
        (18, "Largest claim", xlookup("E7", "Paid", "ClaimIDs"), None),
        (19, "Large claims", '=COUNTIFS(Paid,">="&LargeLoss)', None),
        (20, "Open claims over 90 days", '=COUNTIFS(Status,"Open",DaysOpen,">90")', None),
        (21, "Average days to close", '=AVERAGEIFS(DaysOpen,Status,"Closed")', None),
        (22, "Margin of the mean at 95%", "=CONFIDENCE(0.05,B11,B7)", "amount"),
        (24, "Lognormal severity", None, None),
        (25, "mu", "=AVERAGE(Claims!L3:L26)", None),
        (26, "sigma", "=STDEV.S(Claims!L3:L26)", None),
        (27, "P(claim above the large loss threshold)", "=1-LOGNORM.DIST(LargeLoss,B25,B26,TRUE)", "percent"),
        (28, "Claim at the confidence level", "=LOGNORM.INV(Parameters!B6,B25,B26)", "amount"),
        (29, "Density at the median", "=LOGNORM.DIST(B10,B25,B26,FALSE)", None),
        (31, "Gamma severity (moments)", None, None),
        (32, "shape", "=D7^2/B11^2", None),
        (33, "scale", "=B11^2/D7", None),
        (34, "Claim at the confidence level", "=GAMMA.INV(Parameters!B6,B32,B33)", "amount"),
        (35, "P(claim up to 10,000)", "=GAMMA.DIST(10000,B32,B33,TRUE)", "percent"),
        (36, "Claims per year", "=B7/(MAX(Claims!H3:H26)-MIN(Claims!H3:H26)+1)", None),
        (37, "P(more than 20 claims in a year)", "=1-POISSON.DIST(20,Lambda,TRUE)", "percent"),
        (39, "Aggregate loss", None, None),
        (40, "Expected annual loss", "=Lambda*D7", "amount"),
        (41, "Standard deviation", "=SQRT(Lambda*(B11^2+D7^2))", "amount"),
        (42, "Loss at the confidence level (normal)", "=NORM.INV(Parameters!B6,B40,B41)", "amount"),
        (43, "Risk premium per policy", "=ROUND(B40/Exposure,2)", "money"),
        (44, "Office premium per policy", "=MROUND(B43*(1+Parameters!B5),0.5)", "money"),
        (45, "Reserve for open claims", '=ROUND(SUMIFS(Paid,Status,"Open")*1.15,-2)', "amount"),
        (46, "Busiest quarter", "=INDEX(D37:D40,MATCH(MAX(E37:E40),E37:E40,0))", None),
        (47, "Summary", '="Expected loss "&TEXT(B40,"#,##0")&"; "&TEXT(B27,"0.0%")&" of claims above "&'
                        'TEXT(LargeLoss,"#,##0")', None),
        (49, "Claim to look up", None, None),
        (50, "C-1007", '=VLOOKUP(A50,Claims!$A$3:$F$26,5,FALSE)', "amount"),
        (51, "C-1030", '=VLOOKUP(A51,Claims!$A$3:$F$26,5,FALSE)', "amount"),
    ]
    for r, label, text, style in rows:
        analysis["A%d" % r] = label
        if text is not None:
            analysis["B%d" % r] = f(text, style)
    put_row(analysis, 36, "D", ["Quarter", "Claims", "Paid"])
    for i in range(4):
        r = 37 + i
        analysis["D%d" % r] = "Q%d" % (i + 1)
        analysis["E%d" % r] = f("=COUNTIFS(Claims!$I$3:$I$26,D%d)" % r)
        analysis["F%d" % r] = f("=SUMIFS(Paid,Claims!$I$3:$I$26,D%d)" % r, "amount")
    put_row(analysis, 42, "D", ["Claims in a year", "Probability", "Cumulative"])
    for i, k in enumerate([6, 9, 12, 15, 18]):
        r = 43 + i
        analysis["D%d" % r] = k
        analysis["E%d" % r] = f("=POISSON.DIST(D%d,Lambda,FALSE)" % r, "percent")
        analysis["F%d" % r] = f("=POISSON.DIST(D%d,Lambda,TRUE)" % r, "percent")
    return model


# ---------------------------------------------------------------------------------------------
# Writing .xlsx


MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
STYLE_INDEX = {None: 0, "date": 1, "percent": 2, "amount": 3, "money": 4}
STYLES = (
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
    f'<styleSheet xmlns="{MAIN}">'
    '<numFmts count="2"><numFmt numFmtId="164" formatCode="yyyy\\-mm\\-dd"/><numFmt numFmtId="165" formatCode="0.0%"/>'
    '</numFmts>'
    '<fonts count="2"><font><sz val="11"/><name val="Calibri"/></font><font><b/><sz val="11"/><name val="Calibri"/></font>'
    '</fonts>'
    '<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill>'
    '</fills>'
    '<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>'
    '<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>'
    '<cellXfs count="5"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>'
    '<xf numFmtId="164" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>'
    '<xf numFmtId="165" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>'
    '<xf numFmtId="3" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>'
    '<xf numFmtId="4" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/></cellXfs>'
    '<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>'
    '</styleSheet>')


def file_formula(text):
    """The formula as a file stores it: no "=", newer functions with their _xlfn. prefix."""
    names = "|".join(re.escape(name) for name in sorted(XLFN, key=len, reverse=True))
    pieces = re.split(r'("[^"]*")', text[1:])  # leave text constants alone
    for i in range(0, len(pieces), 2):
        pieces[i] = re.sub(r"(?<![A-Za-z0-9_.])(%s)\(" % names, r"_xlfn.\1(", pieces[i])
    return "".join(pieces)


def cell_xml(address, content, for_libreoffice, array_cells):
    style = 0
    if isinstance(content, Styled):
        style, content = STYLE_INDEX[content.style], content.content
    if isinstance(content, Formula):
        style = STYLE_INDEX[content.style]
        text = file_formula(content.for_libreoffice if for_libreoffice else content.text)
        s = ' s="%d"' % style if style else ""
        if address in array_cells:
            return '<c r="%s"%s><f t="array" ref="%s">%s</f></c>' % (address, s, address, escape(text))
        return '<c r="%s"%s><f>%s</f></c>' % (address, s, escape(text))
    if isinstance(content, Rich):
        runs = ['<r><t xml:space="preserve">%s</t></r>' % escape(content.runs[0])]
        runs += ['<r><rPr><b/></rPr><t xml:space="preserve">%s</t></r>' % escape(run) for run in content.runs[1:]]
        return '<c r="%s" t="inlineStr"><is>%s</is></c>' % (address, "".join(runs))
    if isinstance(content, str):
        return '<c r="%s" t="inlineStr"><is><t>%s</t></is></c>' % (address, escape(content))
    s = ' s="%d"' % style if style else ""
    return '<c r="%s"%s><v>%r</v></c>' % (address, s, content)


def sheet_xml(model, name, for_libreoffice):
    rows = {}
    array_cells = model.array_cells.get(name, set())
    for address, content in model.sheets[name].items():
        r, c = split(address)
        rows.setdefault(r, []).append((c, cell_xml(address, content, for_libreoffice, array_cells)))
    data = "".join('<row r="%d">%s</row>' % (r, "".join(x for _, x in sorted(cells)))
                   for r, cells in sorted(rows.items()))
    cols = "".join('<col min="%d" max="%d" width="%d" customWidth="1"/>' % w for w in model.widths[name])
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?><worksheet xmlns="%s">'
            '<cols>%s</cols><sheetData>%s</sheetData></worksheet>' % (MAIN, cols, data))


def write_xlsx(model, path, for_libreoffice=False):
    sheet_names = list(model.sheets)
    overrides = "".join(
        '<Override PartName="/xl/worksheets/sheet%d.xml" '
        'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>' % (i + 1)
        for i in range(len(sheet_names)))
    defined = "".join(
        '<definedName name="%s"%s>%s</definedName>' %
        (name, "" if scope is None else ' localSheetId="%d"' % sheet_names.index(scope), escape(reference))
        for name, reference, scope in model.names)
    sheets = "".join('<sheet name=%s sheetId="%d" r:id="rId%d"/>' % (quoteattr(name), i + 1, i + 1)
                     for i, name in enumerate(sheet_names))
    relations = "".join('<Relationship Id="rId%d" Type="%s/worksheet" Target="worksheets/sheet%d.xml"/>' %
                        (i + 1, REL, i + 1) for i in range(len(sheet_names)))
    relations += '<Relationship Id="rId%d" Type="%s/styles" Target="styles.xml"/>' % (len(sheet_names) + 1, REL)
    parts = {
        "[Content_Types].xml":
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
            '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
            '<Default Extension="xml" ContentType="application/xml"/>'
            '<Override PartName="/xl/workbook.xml" '
            'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
            '<Override PartName="/xl/styles.xml" '
            'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>' + overrides +
            '</Types>',
        "_rels/.rels":
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            f'<Relationship Id="rId1" Type="{REL}/officeDocument" Target="xl/workbook.xml"/></Relationships>',
        "xl/workbook.xml":
            f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><workbook xmlns="{MAIN}" xmlns:r="{REL}">'
            f'<sheets>{sheets}</sheets><definedNames>{defined}</definedNames>'
            '<calcPr calcId="191029" fullCalcOnLoad="1"/></workbook>',
        "xl/_rels/workbook.xml.rels":
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">' + relations +
            '</Relationships>',
        "xl/styles.xml": STYLES,
    }
    for i, name in enumerate(sheet_names):
        parts["xl/worksheets/sheet%d.xml" % (i + 1)] = sheet_xml(model, name, for_libreoffice)
    with zipfile.ZipFile(path, "w") as archive:
        for name, content in parts.items():
            info = zipfile.ZipInfo(name, STAMP)
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, content)


# ---------------------------------------------------------------------------------------------
# Reading LibreOffice's results


LO_ERRORS = {"Err:502": "#NUM!", "Err:523": "#NUM!", "Err:504": "#VALUE!", "Err:511": "#VALUE!"}
ERROR_NAMES = {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A"}

# (file, sheet, cell) -> (expected, why the common spreadsheet answers otherwise than LibreOffice).
DIFFERS = {}


def paragraph_text(cell_xml_text):
    texts = []
    for paragraph in re.findall(r"<text:p>(.*?)</text:p>", cell_xml_text, re.S):
        paragraph = re.sub(r'<text:s(?: text:c="(\d+)")?/>', lambda m: " " * int(m.group(1) or 1), paragraph)
        texts.append(html.unescape(re.sub(r"<[^>]+>", "", paragraph)))
    return "\n".join(texts)


def serial_of(iso):
    day = datetime.datetime.fromisoformat(iso)
    delta = day - datetime.datetime(1899, 12, 30)
    return delta.days + delta.seconds / 86400


def computed_value(cell):
    """The result of one table:table-cell as the reference expects it."""
    attribute = lambda name: (re.search(r'%s="([^"]*)"' % name, cell) or [None, None])[1]
    kind = attribute("calcext:value-type") or attribute("office:value-type")
    shown = paragraph_text(cell)
    if kind == "error":
        name = LO_ERRORS.get(shown, shown)
        if name not in ERROR_NAMES:
            sys.exit("unknown error %s" % shown)
        return name
    if kind == "string":
        value = attribute("office:string-value")
        return '"%s"' % (html.unescape(value) if value is not None else shown)
    if kind == "boolean":
        return attribute("office:boolean-value").upper()
    if kind == "date":
        return repr(float(serial_of(attribute("office:date-value"))))
    if kind in ("float", "percentage", "currency"):
        return repr(float(attribute("office:value")))
    sys.exit("a formula cell LibreOffice left as %s: %s" % (kind, cell[:200]))


def computed_sheets(fods):
    """sheet name -> {address: table:table-cell markup} for every cell LibreOffice wrote."""
    sheets = {}
    for name, body in re.findall(r'<table:table table:name="([^"]*)"[^>]*>(.*?)</table:table>', fods, re.S):
        cells = {}
        row = 0
        for row_attributes, row_body in re.findall(r"<table:table-row([^>]*)>(.*?)</table:table-row>", body, re.S):
            repeat = re.search(r'table:number-rows-repeated="(\d+)"', row_attributes)
            column = 0
            for cell in re.findall(r"<table:(?:covered-)?table-cell\b(?:[^>]*/>|.*?</table:(?:covered-)?table-cell>)",
                                   row_body, re.S):
                opening = cell[:cell.find(">") + 1]
                columns = int((re.search(r'table:number-columns-repeated="(\d+)"', opening) or [0, 1])[1])
                if "office:value-type" in opening:
                    for k in range(columns):
                        cells["%s%d" % (column_letter(column + k + 1), row + 1)] = cell
                column += columns
            row += int(repeat.group(1)) if repeat else 1
        sheets[html.unescape(name)] = cells
    return sheets


def main():
    models = [project_schedule(), launch_npv(), insurance_claims()]
    lines = ["file\tsheet\tcell\tformula\texpected"]
    with tempfile.TemporaryDirectory() as work:
        for model in models:
            write_xlsx(model, os.path.join(EXAMPLES, model.file_name))
            copy = os.path.join(work, model.file_name)
            write_xlsx(model, copy, for_libreoffice=True)
            # A fresh profile in the C locale, whose month and day names TEXT gives are English.
            subprocess.run(["soffice", "-env:UserInstallation=file://%s/profile" % work, "--headless",
                            "--convert-to", "fods", "--outdir", work, copy], check=True, capture_output=True,
                           env=dict(os.environ, LC_ALL="C.UTF-8", LANG="C.UTF-8"))
            with open(copy[:-len(".xlsx")] + ".fods", encoding="utf-8") as result:
                computed = computed_sheets(result.read())
            for sheet, cells in model.sheets.items():
                for address, content in sorted(cells.items(), key=lambda item: split(item[0])):
                    if not isinstance(content, Formula):
                        continue
                    if address not in computed[sheet]:
                        sys.exit("LibreOffice wrote no value for %s!%s" % (sheet, address))
                    expected = computed_value(computed[sheet][address])
                    key = (model.file_name, sheet, address)
                    if key in DIFFERS:
                        expected = DIFFERS[key][0]
                    lines.append("\t".join([model.file_name, sheet, address, content.text[1:], expected]))
    with open(os.path.join(HERE, "example_models.tsv"), "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + "\n")
    print("%d formula cells" % (len(lines) - 1))


if __name__ == "__main__":
    main()
