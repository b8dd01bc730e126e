#!/usr/bin/python3
"""Reference values for the host's aggregate, matrix, logarithm and chi-squared functions.

Writes worksheet_misc.json beside this script.  Every value is computed from the
exact binary values of the inputs: sums, moments, matrix products, inverses and
least-squares coefficients in rational arithmetic (fractions), square roots and
logarithms in 40-digit decimal arithmetic, and the chi-squared tail by scipy.
numpy only draws the random inputs.  Run:
    /usr/bin/python3 tests/data/make_worksheet_misc.py

JSON layout: {"section": [case, ...], ...}; each case has "label", "function"
(the host name), "args" and "expected".  An argument is a number, true/false,
a string, null (an empty value), {"missing": true} (an omitted argument),
{"array": [[...], ...]} (a two-dimensional array) or {"range": [[...], ...]}
(the same cells as a range of a sheet).  "expected" is a number, a matrix
(list of rows), or {"error": "#NUM!"}.
"""

import json
import math
import os
from decimal import Decimal, getcontext
from fractions import Fraction

import numpy as np
from scipy import stats

SEED = 20240612
OUT_NAME = "worksheet_misc.json"
getcontext().prec = 40

rng = np.random.default_rng(SEED)


def F(x):
    return Fraction(float(x))


def to_float(q):
    return float(q)


def sqrt_float(q):
    return float((Decimal(q.numerator) / Decimal(q.denominator)).sqrt())


def numbers_in(cells):
    """Numbers of a grid, skipping texts, booleans and empty cells."""
    return [c for row in cells for c in row if isinstance(c, float)]


def moments(values):
    q = [F(v) for v in values]
    n = len(q)
    mean = sum(q) / n
    ss = sum((v - mean) ** 2 for v in q)
    return n, mean, ss


def short(x, digits=6):
    return float(f"{x:.{digits}g}")


# ---------------------------------------------------------------------------
# Aggregates

def aggregate_cases():
    cases = []
    # A 4x5 block of measurements with texts, booleans and empty cells among them.
    block = [[short(v) for v in rng.normal(50.0, 12.0, 5)] for _ in range(4)]
    block[0][2] = "n/a"
    block[1][4] = None
    block[2][1] = True
    block[3][3] = "12"   # a numeric text inside a range is still no number
    values = numbers_in(block)
    n, mean, ss = moments(values)
    for kind, noun in (("range", "a range"), ("array", "an array")):
        arg = {kind: block}
        cases += [
            {"label": f"Sum over {noun}", "function": "Sum", "args": [arg], "expected": to_float(sum(F(v) for v in values))},
            {"label": f"Average over {noun}", "function": "Average", "args": [arg], "expected": to_float(sum(F(v) for v in values) / n)},
            {"label": f"Var over {noun}", "function": "Var", "args": [arg], "expected": to_float(ss / (n - 1))},
            {"label": f"Varp over {noun}", "function": "Varp", "args": [arg], "expected": to_float(ss / n)},
            {"label": f"Stdev over {noun}", "function": "Stdev", "args": [arg], "expected": sqrt_float(ss / (n - 1))},
            {"label": f"Stdevp over {noun}", "function": "Stdevp", "args": [arg], "expected": sqrt_float(ss / n)},
            {"label": f"SumSq over {noun}", "function": "SumSq", "args": [arg], "expected": to_float(sum(F(v) ** 2 for v in values))},
            {"label": f"Count over {noun}", "function": "Count", "args": [arg], "expected": float(n)},
            {"label": f"Min over {noun}", "function": "Min", "args": [arg], "expected": min(values)},
            {"label": f"Max over {noun}", "function": "Max", "args": [arg], "expected": max(values)},
        ]

    # Several arguments: a range, direct numbers, a direct boolean and a numeric text.
    extra = [short(v) for v in rng.normal(0.0, 3.0, 3)]
    direct = values + extra + [1.0, 2.5]
    n2, mean2, ss2 = moments(direct)
    args = [{"range": block}] + extra + [True, "2.5"]
    cases += [
        {"label": "Sum of a range and direct values", "function": "Sum", "args": args, "expected": to_float(sum(F(v) for v in direct))},
        {"label": "Stdev of a range and direct values", "function": "Stdev", "args": args, "expected": sqrt_float(ss2 / (n2 - 1))},
        {"label": "Average of a range and direct values", "function": "Average", "args": args, "expected": to_float(sum(F(v) for v in direct) / n2)},
    ]

    # Variance of large numbers close together: a one-pass formula would lose every digit.
    big = [1e9 + short(v, 4) for v in rng.normal(0.0, 1.0, 12)]
    nb, _, ssb = moments(big)
    cases += [
        {"label": "Var of large close numbers", "function": "Var", "args": [{"array": [big]}], "expected": to_float(ssb / (nb - 1))},
        {"label": "Stdevp of large close numbers", "function": "Stdevp", "args": [{"array": [big]}], "expected": sqrt_float(ssb / nb)},
    ]

    # SumXMY2: pairs with a non-number on either side take no part.
    xs = [[short(v) for v in rng.uniform(-5, 5, 3)] for _ in range(3)]
    ys = [[short(v) for v in rng.uniform(-5, 5, 3)] for _ in range(3)]
    xs[0][1] = "x"
    ys[2][2] = None
    total = sum((F(x) - F(y)) ** 2 for rx, ry in zip(xs, ys) for x, y in zip(rx, ry)
                if isinstance(x, float) and isinstance(y, float))
    cases.append({"label": "SumXMY2 skips pairs with a text or empty cell", "function": "SumXMY2",
                  "args": [{"range": xs}, {"range": ys}], "expected": to_float(total)})

    # SumProduct: non-numbers count as 0.
    a = [[short(v) for v in rng.uniform(-10, 10, 4)] for _ in range(2)]
    b = [[short(v) for v in rng.uniform(-10, 10, 4)] for _ in range(2)]
    c = [[short(v) for v in rng.uniform(0, 3, 4)] for _ in range(2)]
    b[1][0] = "text"
    num = lambda v: F(v) if isinstance(v, float) else Fraction(0)
    total = sum(num(x) * num(y) for rx, ry in zip(a, b) for x, y in zip(rx, ry))
    cases.append({"label": "SumProduct of two arrays, a text as 0", "function": "SumProduct",
                  "args": [{"array": a}, {"range": b}], "expected": to_float(total)})
    total3 = sum(num(x) * num(y) * num(z) for rx, ry, rz in zip(a, b, c) for x, y, z in zip(rx, ry, rz))
    cases.append({"label": "SumProduct of three arrays", "function": "SumProduct",
                  "args": [{"array": a}, {"array": b}, {"array": c}], "expected": to_float(total3)})
    return cases


# ---------------------------------------------------------------------------
# Chi-squared test

def chi_test_case(label, observed, expected_counts):
    rows, cols = len(observed), len(observed[0])
    stat = sum((F(o) - F(e)) ** 2 / F(e) for ro, re in zip(observed, expected_counts) for o, e in zip(ro, re))
    df = (rows - 1) * (cols - 1) if rows > 1 and cols > 1 else rows * cols - 1
    p = float(stats.chi2.sf(float(stat), df))
    return {"label": label, "function": "ChiTest", "args": [{"range": observed}, {"range": expected_counts}], "expected": p}


def chi_test_cases():
    cases = []
    table = [[float(v) for v in rng.integers(10, 60, 3)] for _ in range(4)]
    total = sum(sum(r) for r in table)
    row_sums = [sum(r) for r in table]
    col_sums = [sum(table[i][j] for i in range(4)) for j in range(3)]
    fitted = [[float(F(row_sums[i]) * F(col_sums[j]) / F(total)) for j in range(3)] for i in range(4)]
    cases.append(chi_test_case("4x3 contingency table, df 6", table, fitted))
    counts = [[float(v)] for v in rng.integers(20, 40, 6)]
    uniform = [[float(sum(c[0] for c in counts)) / 6.0] for _ in range(6)]
    cases.append(chi_test_case("one column of 6 counts, df 5", counts, uniform))
    row = [[18.0, 22.0, 31.0, 29.0]]
    cases.append(chi_test_case("one row of 4 counts, df 3", row, [[25.0, 25.0, 25.0, 25.0]]))
    return cases


# ---------------------------------------------------------------------------
# Matrices

def frac_matrix(m):
    return [[F(v) for v in row] for row in m]


def gauss_jordan(augmented, n):
    """Reduces [A | B] to [I | A^-1 B] in exact arithmetic and returns A^-1 B."""
    a = [row[:] for row in augmented]
    for col in range(n):
        pivot = next(r for r in range(col, n) if a[r][col] != 0)
        a[col], a[pivot] = a[pivot], a[col]
        lead = a[col][col]
        a[col] = [v / lead for v in a[col]]
        for r in range(n):
            if r != col and a[r][col] != 0:
                factor = a[r][col]
                a[r] = [v - factor * w for v, w in zip(a[r], a[col])]
    return [row[n:] for row in a]


def exact_inverse(m):
    n = len(m)
    return gauss_jordan([row + [Fraction(int(i == j)) for j in range(n)] for i, row in enumerate(frac_matrix(m))], n)


def exact_solve(m, rhs):
    return [row[0] for row in gauss_jordan([row + [rhs[i]] for i, row in enumerate(m)], len(m))]


def least_squares(ys, xcols):
    """Exact coefficients [b1..bk, intercept] of y on the x columns."""
    n = len(ys)
    design = [[F(x[i]) for x in xcols] + [Fraction(1)] for i in range(n)]
    y = [F(v) for v in ys]
    k = len(design[0])
    normal = [[sum(design[i][r] * design[i][c] for i in range(n)) for c in range(k)] for r in range(k)]
    rhs = [sum(design[i][r] * y[i] for i in range(n)) for r in range(k)]
    return exact_solve(normal, rhs)


def matrix_cases():
    cases = []
    a = [[short(v, 5) for v in rng.uniform(-4, 4, 4)] for _ in range(3)]
    b = [[short(v, 5) for v in rng.uniform(-4, 4, 2)] for _ in range(4)]
    fa, fb = frac_matrix(a), frac_matrix(b)
    product = [[float(sum(fa[i][k] * fb[k][j] for k in range(4))) for j in range(2)] for i in range(3)]
    cases.append({"label": "MMult 3x4 by 4x2", "function": "MMult", "args": [{"array": a}, {"range": b}], "expected": product})

    for size in (2, 3, 5):
        m = [[short(v, 5) for v in rng.uniform(-3, 3, size)] for _ in range(size)]
        for i in range(size):
            m[i][i] = short(m[i][i] + (8.0 if m[i][i] >= 0 else -8.0), 5)  # well conditioned
        inverse = [[float(v) for v in row] for row in exact_inverse(m)]
        cases.append({"label": f"MInverse {size}x{size}", "function": "MInverse", "args": [{"range": m}], "expected": inverse})
    scaled = [[1.0, 2.0], [3e-20, 5e-20]]
    cases.append({"label": "MInverse of badly scaled rows", "function": "MInverse", "args": [{"array": scaled}],
                  "expected": [[float(v) for v in row] for row in exact_inverse(scaled)]})

    # LinEst: one x column, then two, then the same in rows; slopes in reverse order, intercept last.
    n = 12
    x1 = [short(v, 5) for v in rng.uniform(0, 10, n)]
    x2 = [short(v, 5) for v in rng.uniform(-5, 5, n)]
    y = [short(3.0 - 1.5 * a + 0.7 * b + e, 6) for a, b, e in zip(x1, x2, rng.normal(0, 0.3, n))]
    b1, b0 = least_squares(y, [x1])
    cases.append({"label": "LinEst of a column on one x column", "function": "LinEst",
                  "args": [{"range": [[v] for v in y]}, {"range": [[v] for v in x1]}],
                  "expected": [[float(b1), float(b0)]]})
    c1, c2, c0 = least_squares(y, [x1, x2])
    cases.append({"label": "LinEst on two x columns", "function": "LinEst",
                  "args": [{"range": [[v] for v in y]}, {"range": [[a, b] for a, b in zip(x1, x2)]}],
                  "expected": [[float(c2), float(c1), float(c0)]]})
    cases.append({"label": "LinEst of a row on two x rows", "function": "LinEst",
                  "args": [{"array": [y]}, {"array": [x1, x2]}],
                  "expected": [[float(c2), float(c1), float(c0)]]})
    d1, d0 = least_squares(y, [[float(i + 1) for i in range(n)]])
    cases.append({"label": "LinEst with x omitted uses 1, 2, ..., n", "function": "LinEst",
                  "args": [{"range": [[v] for v in y]}], "expected": [[float(d1), float(d0)]]})
    # The reference grid of the diffusion model: y = 1/(e^x - 1) at x = 0.01 (k + 1).
    gx = [0.01 * (k + 1) for k in range(99)]
    gy = [1.0 / math.expm1(v) for v in gx]
    g1, g0 = least_squares(gy, [gx])
    cases.append({"label": "LinEst of the diffusion reference grid", "function": "LinEst",
                  "args": [{"array": [[v] for v in gy]}, {"array": [[v] for v in gx]}],
                  "expected": [[float(g1), float(g0)]]})
    return cases


# ---------------------------------------------------------------------------
# Logarithms

def log_cases():
    cases = []
    for x in [1e-300, 0.001, 0.5, 1.0, 2.0, math.e, 10.0, 12345.678, 1e300]:
        cases.append({"label": f"Ln({x!r})", "function": "Ln", "args": [x], "expected": float(Decimal(x).ln())})
    for x, base in [(1000.0, 10.0), (8.0, 2.0), (0.001, 10.0), (50.0, 3.0), (2.0, 0.5), (7.5, 1.5), (1e-5, 7.0)]:
        cases.append({"label": f"Log({x!r}, {base!r})", "function": "Log", "args": [x, base],
                      "expected": float(Decimal(x).ln() / Decimal(base).ln())})
    for x in [100.0, 0.02, 123.0]:
        cases.append({"label": f"Log({x!r}) in base 10", "function": "Log", "args": [x],
                      "expected": float(Decimal(x).log10())})
    return cases


def main():
    document = {
        "aggregates": aggregate_cases(),
        "chi_test": chi_test_cases(),
        "matrices": matrix_cases(),
        "logarithms": log_cases(),
    }
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), OUT_NAME)
    # One case per line, so that a change of the data reads well in a diff.
    sections = []
    for name, cases in document.items():
        lines = ",\n".join("  " + json.dumps(case) for case in cases)
        sections.append(f" {json.dumps(name)}: [\n{lines}\n ]")
    with open(out, "w") as handle:
        handle.write("{\n" + ",\n".join(sections) + "\n}\n")
    print(f"{sum(len(v) for v in document.values())} cases written to {out}")


if __name__ == "__main__":
    main()
