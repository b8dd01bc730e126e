#!/usr/bin/python3
"""Quantiles for `kx describe --p`, computed with scipy.

Writes describe_quantiles.csv (distribution,parameters,p,x) beside this script. Parameters are in
the order kx describe takes them: the normal's mean and deviation, the gamma's shape and scale,
the Weibull's shape and scale, the lognormal's own mean and deviation (not those of ln x), the
Poisson's mean, the binomial's trials and probability, the triangle's minimum, mode and maximum,
the beta's two shapes. A discrete quantile is the smallest whole x with P(X <= x) >= p.

Run:  /usr/bin/python3 tests/data/make_describe_quantiles.py
"""

import csv
import math
import os

from scipy import stats

HERE = os.path.dirname(os.path.abspath(__file__))


def lognormal(mean, deviation):
    sigma = math.sqrt(math.log(1 + (deviation / mean) ** 2))
    mu = math.log(mean) - sigma * sigma / 2
    return stats.lognorm(sigma, scale=math.exp(mu))


CASES = [
    ("Normal", (100, 15), stats.norm(100, 15), (0.001, 0.5, 0.9)),
    ("Gamma", (2, 3), stats.gamma(2, scale=3), (0.5, 0.99)),
    ("Weibull", (2, 3), stats.weibull_min(2, scale=3), (0.25,)),
    ("LogNormal", (20, 10), lognormal(20, 10), (0.05, 0.95)),
    ("Triangular", (1, 2, 4), stats.triang((2 - 1) / (4 - 1), loc=1, scale=3), (0.2, 0.5)),
    ("Beta", (2, 5), stats.beta(2, 5), (0.1,)),
    ("Poisson", (3.5,), stats.poisson(3.5), (0.5, 0.99)),
    ("Binomial", (10, 0.5), stats.binom(10, 0.5), (0.3, 0.95)),
]


def main():
    with open(os.path.join(HERE, "describe_quantiles.csv"), "w", newline="") as f:
        writer = csv.writer(f)
        writer.writerow(["distribution", "parameters", "p", "x"])
        for name, parameters, distribution, probabilities in CASES:
            for p in probabilities:
                writer.writerow([name, " ".join(repr(v) for v in parameters), repr(p),
                                 repr(float(distribution.ppf(p)))])


if __name__ == "__main__":
    main()
