#!/usr/bin/python3
"""Reference beta and gamma quantiles for the quantile grids that BETA.INV and
GAMMA.INV keep per shape.

Writes grid_quantiles.csv beside this script, one row per case:
    family,a,b,p,x
with x solving I_x(a, b) = p for the beta family, P(a, x) = p (the regularised
lower incomplete gamma function, b unused and 0) for the gamma family, to 17
significant digits.  The probabilities
fall where the grid serves them: on its knots (k/512), halfway between, just
beside a knot, in the intervals next to the two outer ones, and at random;
a few fall in the outer intervals, which Boost's own inverse serves.

x is found with mpmath at 40 significant digits by a bracketing root finder
on the regularised incomplete function, and checked at 60 digits.  Run:
    python3 tests/data/make_grid_quantiles.py
"""

import os
import random

import mpmath as mp

BETA_SHAPES = [
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

GAMMA_SHAPES = [16.0, 0.5, 1.0, 2.5, 0.05, 100.0, 5000.0]

GRID = 512


def probabilities(rng):
    ps = [k / GRID for k in (1, 2, 7, 256, 300, 509, 510, 511)]
    ps += [(k + 0.5) / GRID for k in (1, 100, 255, 510)]
    ps += [k / GRID + d for k in (3, 128, 400) for d in (-1e-12, 1e-12)]
    ps += [0.5, 0.3, 1e-4, 1 - 1e-4]
    ps += [rng.random() for _ in range(8)]
    return ps


def quantile(family, a, b, p, digits):
    mp.mp.dps = digits
    a, b, p = mp.mpf(a), mp.mpf(b), mp.mpf(p)
    if family == "beta":
        f = lambda x: mp.betainc(a, b, 0, x, regularized=True) - p
        mean = a / (a + b)
        hi = mp.mpf(1)
    else:
        f = lambda x: mp.gammainc(a, 0, x, regularized=True) - p
        mean = a
        hi = a + 50 * mp.sqrt(a) + 50

    def below(x):
        try:
            return f(x) < 0
        except ValueError:  # far in a tail the series gives up; the side of the mean tells
            return x < mean

    # Bisection close enough for the bracketing solver, halving the ratio of the ends once the
    # lower one is positive, so that a quantile near 0 is found to its relative precision.
    lo = mp.mpf(0)
    for _ in range(200):
        mid = mp.sqrt(lo * hi) if lo > 0 and hi / lo > 4 else (lo + hi) / 2
        if lo == 0 and below(hi * mp.mpf(10) ** -300):
            lo = hi * mp.mpf(10) ** -300
            continue
        if below(mid):
            lo = mid
        else:
            hi = mid
    return mp.findroot(f, (lo, hi), solver="illinois")


def main():
    rng = random.Random(20261209)
    rows = []
    shapes = [("beta", a, b) for a, b in BETA_SHAPES] + [("gamma", a, 0.0) for a in GAMMA_SHAPES]
    for family, a, b in shapes:
        for p in probabilities(rng):
            x = quantile(family, a, b, p, 40)
            check = quantile(family, a, b, p, 60)
            assert abs(x - check) <= abs(check) * mp.mpf(10) ** -30, (family, a, b, p)
            rows.append(f"{family},{a!r},{b!r},{p!r},{mp.nstr(check, 17, min_fixed=1, max_fixed=0)}")
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "grid_quantiles.csv")
    with open(out, "w") as f:
        f.write("family,a,b,p,x\n")
        f.write("\n".join(rows) + "\n")
    print(f"wrote {len(rows)} rows to {out}")


if __name__ == "__main__":
    main()
