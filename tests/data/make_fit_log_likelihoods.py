#!/usr/bin/python3
"""Reference log-likelihoods of the fitting candidates at given parameters.

Writes fit_log_likelihoods.csv beside this script: for the samples of fit_samples.csv and a
parameter set of each continuous candidate with a likelihood (in the candidate's slot order),
the sum of the log-densities, each density written out from its textbook formula and summed
with mpmath at 40 digits, independently of the component and of Boost.

Run with Debian's python3-mpmath: /usr/bin/python3 make_fit_log_likelihoods.py
"""
import csv
import os

import mpmath as mp

mp.mp.dps = 40
here = os.path.dirname(os.path.abspath(__file__))


def normal(x, m, s):
    return -mp.log(s) - mp.log(2 * mp.pi) / 2 - (x - m) ** 2 / (2 * s * s)


def gamma(x, k, theta):
    return (k - 1) * mp.log(x) - x / theta - mp.loggamma(k) - k * mp.log(theta)


DENSITIES = {
    # code: (log-density, parameter sets by sample)
    1: lambda x, a, b: (a - 1) * mp.log(x) + (b - 1) * mp.log(1 - x) - mp.log(mp.beta(a, b)),
    4: lambda x, nu: gamma(x, nu / 2, 2),
    9: lambda x, h: normal(x, 0, 1 / (h * mp.sqrt(2))),
    10: gamma,
    11: lambda x, theta: -mp.log(theta) - x / theta,
    13: gamma,
    20: lambda x, m, s: -mp.log(s) - (x - m) / s - 2 * mp.log(1 + mp.exp(-(x - m) / s)),
    22: lambda x, mu, sigma: -mp.log(x) + normal(mp.log(x), mu, sigma),
    25: normal,
    26: lambda x, bound, shape: mp.log(shape) + shape * mp.log(bound) - (shape + 1) * mp.log(x),
    27: lambda x, shape, scale: mp.log(shape / scale) - (shape + 1) * mp.log(1 + x / scale),
    32: lambda x, sigma: mp.log(x) - 2 * mp.log(sigma) - x * x / (2 * sigma * sigma),
    33: lambda x, nu: mp.loggamma((nu + 1) / 2) - mp.loggamma(nu / 2) - mp.log(nu * mp.pi) / 2
    - (nu + 1) / 2 * mp.log(1 + x * x / nu),
    36: lambda x, low, high: -mp.log(high - low),
}

CASES = [
    ("shares", 1, "2.5;7"),
    ("lifetimes", 4, "6.5"),
    ("lifetimes", 9, "0.12"),
    ("lifetimes", 10, "3;2.2"),
    ("lifetimes", 11, "6.9"),
    ("lifetimes", 13, "2.8;2.4"),
    ("lifetimes", 20, "6.5;1.9"),
    ("lifetimes", 22, "1.8;0.6"),
    ("lifetimes", 25, "7.1;3.9"),
    ("lifetimes", 26, "0.5;0.9"),
    ("lifetimes", 27, "3.5;17"),
    ("lifetimes", 32, "5.4"),
    ("lifetimes", 33, "4.5"),
    ("lifetimes", 36, "0.5;30"),
    ("counts", 25, "3.2;1.7"),
]


def main():
    samples = {}
    with open(os.path.join(here, "fit_samples.csv")) as data:
        for row in csv.DictReader(data):
            samples.setdefault(row["sample"], []).append(mp.mpf(row["value"]))
    with open(os.path.join(here, "fit_log_likelihoods.csv"), "w", newline="") as out:
        writer = csv.writer(out, lineterminator="\n")
        writer.writerow(["sample", "code", "parameters", "log_likelihood"])
        for sample, code, parameters in CASES:
            values = [mp.mpf(p) for p in parameters.split(";")]
            total = mp.fsum(DENSITIES[code](x, *values) for x in samples[sample])
            writer.writerow([sample, code, parameters, mp.nstr(total, 17)])


main()
