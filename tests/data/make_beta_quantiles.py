#!/usr/bin/python3
"""Reference beta quantiles for the quantile grid that BETA.INV keeps per shape.

Writes beta_quantiles.csv beside this script, one row per case:
    a,b,p,x
with x solving I_x(a, b) = p, to 17 significant digits.  The probabilities
fall where the grid serves them: on its knots (k/512), halfway between, just
beside a knot, in the intervals next to the two outer ones, and at random;
a few fall in the outer intervals, which Boost's own inverse serves.

x is found with mpmath at 40 significant digits by a bracketing root finder
on the regularised incomplete beta, and checked at 60 digits.  Run:
    python3 tests/data/make_beta_quantiles.py
"""

import os
import random

import mpmath as mp

SHAPES = [
    (2.6, 3.4),  # the PERT of the bundled model
    (2.0, 5.0),
    (1.0, 1.0),
    (0.5, 3.0),
    (0.7, 0.6),
    (3.0, 0.4),
    (30.0, 40.0),
    (1.5, 80.0),
    (250.0, 0.9),
    (400.0, 600.0),
]

GRID = 512


def probabilities(rng):
    ps = [k / GRID for k in (1, 2, 7, 256, 300, 509, 510, 511)]
    ps += [(k + 0.5) / GRID for k in (1, 100, 255, 510)]
    ps += [k / GRID + d for k in (3, 128, 400) for d in (-1e-12, 1e-12)]
    ps += [0.5, 0.3, 1e-4, 1 - 1e-4]
    ps += [rng.random() for _ in range(8)]
    return ps


def quantile(a, b, p, digits):
    mp.mp.dps = digits
    a, b, p = mp.mpf(a), mp.mpf(b), mp.mpf(p)
    f = lambda x: mp.betainc(a, b, 0, x, regularized=True) - p
    mean = a / (a + b)

    def below(x):
        try:
            return f(x) < 0
        except ValueError:  # far in a tail the series gives up; the side of the mean tells
            return x < mean

    lo, hi = mp.mpf(0), mp.mpf(1)
    for _ in range(60):  # bisection close enough for the bracketing solver
        mid = (lo + hi) / 2
        if below(mid):
            lo = mid
        else:
            hi = mid
    return mp.findroot(f, (lo, hi), solver="illinois")


def main():
    rng = random.Random(20261209)
    rows = []
    for a, b in SHAPES:
        for p in probabilities(rng):
            x = quantile(a, b, p, 40)
            check = quantile(a, b, p, 60)
            assert abs(x - check) <= abs(check) * mp.mpf(10) ** -30, (a, b, p)
            rows.append(f"{a!r},{b!r},{p!r},{mp.nstr(check, 17, min_fixed=1, max_fixed=0)}")
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "beta_quantiles.csv")
    with open(out, "w") as f:
        f.write("a,b,p,x\n")
        f.write("\n".join(rows) + "\n")
    print(f"wrote {len(rows)} rows to {out}")


if __name__ == "__main__":
    main()
