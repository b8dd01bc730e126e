#!/usr/bin/python3
"""Reference distances of the fitting dialog's candidates, computed with scipy.

Writes fit_samples.csv (sample,value: two samples drawn with a fixed seed and rounded to
four decimals) and fit_distances.csv (sample,code,distance) beside this script.

Parameters are the moment estimates of the fitting dialog (m the mean, s the sample
standard deviation, var = s^2); the cumulative functions are scipy's. The distance of a
continuous candidate over the sorted observations x0 <= ... <= x(n-1), with e_i = (i+1)/n:
    max over i of |F(x_i) - e_i| and |F(x_(i-1)) - e_i|, where the second is e_0 at i = 0.
A discrete candidate is measured over the distinct values v with Fn the empirical
distribution: max of |F(v) - Fn(v)| and |P(X < v) - Fn(v-)|.

Run:  /usr/bin/python3 tests/data/make_fit_distances.py
"""

import csv
import math
import os

import numpy as np
from scipy import stats

HERE = os.path.dirname(os.path.abspath(__file__))


def continuous_distance(x, cdf):
    n = len(x)
    distance, previous = 0.0, 0.0
    for i, xi in enumerate(x):
        f = cdf(xi)
        e = (i + 1) / n
        gap = max(abs(f - e), e if i == 0 else abs(previous - e))
        distance = max(distance, gap)
        previous = f
    return distance


def discrete_distance(x, cdf):
    n = len(x)
    values, counts = np.unique(x, return_counts=True)
    distance, below, seen = 0.0, 0.0, 0
    for v, c in zip(values, counts):
        seen += c
        e = seen / n
        distance = max(distance, abs(cdf(v) - e), abs(cdf(math.ceil(v) - 1) - below))
        below = e
    return distance


def candidates(x):
    m = float(np.mean(x))
    s = float(np.std(x, ddof=1))
    var = s * s
    logs = np.log(x) if min(x) > 0 else None
    table = {}
    if min(x) >= 0 and max(x) <= 1:
        common = m * (1 - m) / var - 1
        table[1] = (False, stats.beta(m * common, (1 - m) * common).cdf)
    table.update({
        25: (False, stats.norm(m, s).cdf),
        20: (False, stats.logistic(m, math.sqrt(3) * s / math.pi).cdf),
        12: (False, stats.gumbel_r(m - 0.57722 * s, math.sqrt(6) * s / math.pi).cdf),
        36: (False, stats.uniform(min(x), max(x) - min(x)).cdf),
    })
    if min(x) > 0:
        lam = m ** 3 / var
        table.update({
            11: (False, stats.expon(scale=m).cdf),
            13: (False, stats.gamma((m / s) ** 2, scale=var / m).cdf),
            # Erlang's shape counts events: the moment estimate rounded half to even.
            10: (False, stats.gamma(round(m * m / var), scale=m / round(m * m / var)).cdf),
            22: (False, lambda v: stats.norm(np.mean(logs), np.std(logs, ddof=1)).cdf(math.log(v))),
            32: (False, stats.rayleigh(scale=m / math.sqrt(math.pi / 2)).cdf),
            19: (False, stats.invgauss(m / lam, scale=lam).cdf),
        })
    # Discrete candidates only fit counts: whole numbers from 0 up.
    if min(x) >= 0 and all(v == math.floor(v) for v in x):
        p = 1 / (m + 1)
        table.update({
            31: (True, lambda v: stats.poisson(m).cdf(v)),
            15: (True, lambda v: 1 - (1 - p) ** (math.floor(v) + 1) if v >= 0 else 0.0),
        })
        if var > m:
            r = m * m / (var - m)
            table[24] = (True, lambda v: stats.nbinom(r, r / (r + m)).cdf(v))
    return table


def main():
    rng = np.random.default_rng(20261208)
    samples = {
        "lifetimes": np.round(rng.gamma(2.5, 3.0, 60), 4),
        "counts": rng.negative_binomial(4, 0.5, 80).astype(float),
        "shares": np.round(rng.beta(2.0, 5.0, 50), 4),
    }
    with open(os.path.join(HERE, "fit_samples.csv"), "w", newline="") as f:
        writer = csv.writer(f)
        writer.writerow(["sample", "value"])
        for name, values in samples.items():
            for v in values:
                writer.writerow([name, repr(float(v))])
    with open(os.path.join(HERE, "fit_distances.csv"), "w", newline="") as f:
        writer = csv.writer(f)
        writer.writerow(["sample", "code", "distance"])
        for name, values in samples.items():
            x = np.sort(values)
            for code, (discrete, cdf) in sorted(candidates(x).items()):
                measure = discrete_distance if discrete else continuous_distance
                writer.writerow([name, code, repr(float(measure(x, cdf)))])


if __name__ == "__main__":
    main()
