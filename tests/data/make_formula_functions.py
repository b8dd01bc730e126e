#!/usr/bin/python3
"""Reference values for the formula engine's everyday functions and a few host worksheet
functions reached by their spreadsheet names.

Writes formula_functions.tsv beside this script, one case per line:
    formula<TAB>expected
where `expected` is a number written with repr() (17 significant digits), TRUE/FALSE, or
ERR:n for the worksheet error value with number n (#NUM! 2036, #DIV/0! 2007, #VALUE! 2015).

Sources, all independent of the engine:
  - NPV and PMT from their textbook definitions in exact rational arithmetic (fractions):
        NPV(r, v1..vn) = sum(v_i / (1+r)^i, i = 1..n)
        PMT(r, n, pv, fv, type) = -(r (pv (1+r)^n + fv)) / ((1 + r type) ((1+r)^n - 1)),
        and -(pv + fv)/n for r = 0;
    the arguments are the doubles the formula text denotes, so the only rounding is the final
    conversion to a double.
  - ABS, SQRT, EXP, LN, LOG10, POWER, INT, MOD from Python's math module (correctly rounded
    or within one unit in the last place), with MOD(n, d) = n - d*INT(n/d) in exact rationals.
  - NORMINV, NORMSINV, NORMDIST from scipy.stats.
The domain errors are the classic spreadsheet's answers: SQRT, LN, LOG10 of values outside
their domain, POWER overflow, 0^0 and EXP overflow give #NUM!; MOD by zero and 0 to a
negative power give #DIV/0!; NPER of 0 in PMT gives #NUM!.

Run:  /usr/bin/python3 tests/data/make_formula_functions.py
"""

import math
import os
from fractions import Fraction

from scipy import stats

NUM, DIV0 = "ERR:2036", "ERR:2007"


def number(x):
    return repr(float(x))


def npv(rate, values):
    r = Fraction(rate)
    return sum(Fraction(v) / (1 + r) ** (i + 1) for i, v in enumerate(values))


def pmt(rate, nper, pv, fv=0.0, due=0):
    r, n, p, f = Fraction(rate), nper, Fraction(pv), Fraction(fv)
    if r == 0:
        return -(p + f) / n
    growth = (1 + r) ** n
    return -(r * (p * growth + f)) / ((1 + r * due) * (growth - 1))


def exact_mod(n, d):
    n, d = Fraction(n), Fraction(d)
    return n - d * math.floor(n / d)


def cases():
    yield "ABS(-2.5)", number(2.5)
    yield "ABS(TRUE)", number(1)
    yield "SQRT(2)", number(math.sqrt(2))
    yield "SQRT(0)", number(0)
    yield "SQRT(-1)", NUM
    yield "EXP(1)", number(math.exp(1))
    yield "EXP(-3.5)", number(math.exp(-3.5))
    yield "EXP(710)", NUM
    yield "LN(10)", number(math.log(10))
    yield "LN(0.001)", number(math.log(0.001))
    yield "LN(0)", NUM
    yield "LN(-1)", NUM
    yield "LOG10(1000)", number(3)
    yield "LOG10(2)", number(math.log10(2))
    yield "LOG10(0)", NUM
    yield "POWER(2,10)", number(1024)
    yield "POWER(2,0.5)", number(math.sqrt(2))
    yield "POWER(1.5,-3)", number(1.5 ** -3)
    yield "POWER(-2,3)", number(-8)
    yield "POWER(-8,1/3)", NUM
    yield "POWER(0,0)", NUM
    yield "POWER(0,-1)", DIV0
    yield "POWER(10,400)", NUM
    yield "INT(2.7)", number(2)
    yield "INT(-2.5)", number(-3)
    yield "INT(-0.5)", number(-1)
    for n, d in [(-3, 2), (3, -2), (5.5, 2), (-7.25, -2), (10, 3), (1e10 + 0.5, 7)]:
        yield f"MOD({n!r},{d!r})", number(exact_mod(n, d))
    yield "MOD(1,0)", DIV0
    yield "NPV(0.1,-100,50,60,70)", number(npv(0.1, [-100, 50, 60, 70]))
    yield "NPV(0.05,1000,1000,1000,1000,1000)", number(npv(0.05, [1000] * 5))
    yield "NPV(0.08,{100,200;300,400})", number(npv(0.08, [100, 200, 300, 400]))
    yield "NPV(-0.5,10,20)", number(npv(-0.5, [10, 20]))
    yield "NPV(-1,10)", DIV0
    yield "PMT(0.05/12,360,200000)", number(pmt(0.05 / 12, 360, 200000))
    yield "PMT(0.08,10,10000,0,1)", number(pmt(0.08, 10, 10000, 0, 1))
    yield "PMT(0,12,1200)", number(pmt(0, 12, 1200))
    yield "PMT(0.06,5,-1000,500)", number(pmt(0.06, 5, -1000, 500))
    yield "PMT(1E-12,10,1000)", number(pmt(1e-12, 10, 1000))
    yield "PMT(0.1,0,100)", NUM
    for p, mean, sd in [(0.975, 0, 1), (0.025, 100, 15), (0.5, 3, 2)]:
        yield f"NORMINV({p!r},{mean!r},{sd!r})", number(stats.norm.ppf(p, mean, sd))
    yield "NORMSINV(0.9)", number(stats.norm.ppf(0.9))
    yield "NORMDIST(1.5,1,2,TRUE)", number(stats.norm.cdf(1.5, 1, 2))
    yield "NORMDIST(1.5,1,2,FALSE)", number(stats.norm.pdf(1.5, 1, 2))


def main():
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "formula_functions.tsv")
    with open(path, "w", encoding="utf-8") as out:
        out.write("formula\texpected\n")
        for formula, expected in cases():
            out.write(f"{formula}\t{expected}\n")


if __name__ == "__main__":
    main()
