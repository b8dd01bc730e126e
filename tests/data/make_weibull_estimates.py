#!/usr/bin/python3
"""Reference values for kxWEIBULLEST of riskfn's Main.

Writes weibull_estimates.csv beside this script, in the layout of sampling_values.csv:
    label,function,arguments,expected
with arguments "P1;P2;OnlyOneValue": 1 asks for the shape, 2 for the scale.

The estimate is the method of moments over a grid of shapes: 100 in the first row and
0.1 less in each next one (by repeated subtraction in double precision, as the grid is
built), 1000 rows.  The target 1 + (P2 / P1)^2 is held in single precision; the shape is
the last grid value, in single precision, before the first whose ratio
Gamma(1 + 2/k) / Gamma(1 + 1/k)^2 exceeds the target; the scale is
P1 / Gamma(1 + 1/shape) in single precision.  The gamma function is mpmath's at 30
digits; the script checks that no ratio lies so close to its target that double
rounding could decide the comparison.

Run:  /usr/bin/python3 tests/data/make_weibull_estimates.py
"""

import csv
import os
import struct

import mpmath as mp

mp.mp.dps = 30


def single(x):
    return struct.unpack("f", struct.pack("f", float(x)))[0]


def estimate(mean, sd):
    target = single((mean * mean + sd * sd) / (mean * mean))
    shape = 0.0
    grid = 100.0
    for _ in range(1000):
        k = mp.mpf(grid)
        ratio = mp.gamma(1 + 2 / k) / mp.gamma(1 + 1 / k) ** 2
        assert abs(ratio - target) > 1e-12 * target, (mean, sd, grid)
        if ratio > target:
            break
        shape = single(grid)
        grid -= 0.1
    scale = single(mp.mpf(mean) / mp.gamma(1 / mp.mpf(shape) + 1))
    return shape, scale


rows = []
for label, mean, sd in [
    ("exponential", 1.0, 1.0),
    ("mean 10, sd 3.4", 10.0, 3.4),
    ("mean 100, sd 20", 100.0, 20.0),
    ("mean 5, sd 12", 5.0, 12.0),
    ("mean 2.5, sd 0.1", 2.5, 0.1),
    ("coefficient of variation beyond shape 0.1", 1.0, 1000.0),
]:
    shape, scale = estimate(mean, sd)
    rows.append((f"{label}: shape", "kxWEIBULLEST", f"{mean!r};{sd!r};1.0", "%.9g" % shape))
    rows.append((f"{label}: scale", "kxWEIBULLEST", f"{mean!r};{sd!r};2.0", "%.9g" % scale))

path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "weibull_estimates.csv")
with open(path, "w", newline="") as out:
    writer = csv.writer(out, lineterminator="\n")
    writer.writerow(["label", "function", "arguments", "expected"])
    writer.writerows(rows)
print(f"{len(rows)} cases written to {path}")
