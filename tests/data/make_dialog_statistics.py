#!/usr/bin/python3
"""Reference statistics for the distribution dialog's statistics column.

Writes dialog_statistics.csv beside this script: for every distribution code of the dialog,
at two parameter sets, the mean, variance, standard deviation, skewness, kurtosis (not reduced
by 3) and median, computed by SciPy's distribution objects, independently of the component.
Discrete medians are SciPy's: the smallest k with P(X <= k) >= 1/2.

Also writes dialog_intervals.csv: P(X <= x) of the same distributions at a few x, for the
interval rows, including points below and above the values a distribution takes.

Run with Debian's python3-scipy: /usr/bin/python3 make_dialog_statistics.py
"""
import csv
import math
import os
import struct

from scipy import stats


def lognormal(m, s):
    sigma2 = math.log(1 + s * s / (m * m))
    mu = math.log(m * m / math.sqrt(m * m + s * s))
    return stats.lognorm(math.sqrt(sigma2), scale=math.exp(mu))


def pert(a, c, b):
    mean = (a + 4 * c + b) / 6
    return stats.beta(6 * (mean - a) / (b - a), 6 * (b - mean) / (b - a), loc=a, scale=b - a)


# code, label, dialog parameters (as typed), the same distribution in SciPy
CASES = [
    (1, "Beta", (2, 3), lambda a, b: stats.beta(a, b)),
    (1, "Beta", (0.7, 4.5), lambda a, b: stats.beta(a, b)),
    (2, "Beta general", (2, 5, 10, 30), lambda a, b, lo, hi: stats.beta(a, b, loc=lo, scale=hi - lo)),
    (2, "Beta general", (3.5, 1.5, -2, 2), lambda a, b, lo, hi: stats.beta(a, b, loc=lo, scale=hi - lo)),
    (3, "Binomial", (10, 0.37), lambda n, p: stats.binom(n, p)),
    (3, "Binomial", (40, 0.2), lambda n, p: stats.binom(n, p)),
    (4, "Chi Squared", (3,), lambda k: stats.chi2(k)),
    (4, "Chi Squared", (12.5,), lambda k: stats.chi2(k)),
    (9, "Erf", (1,), lambda h: stats.norm(0, 1 / (h * math.sqrt(2)))),
    (9, "Erf", (0.25,), lambda h: stats.norm(0, 1 / (h * math.sqrt(2)))),
    (10, "Erlang", (3, 2), lambda k, theta: stats.gamma(k, scale=theta)),
    (10, "Erlang", (7, 0.5), lambda k, theta: stats.gamma(k, scale=theta)),
    (11, "Exponential", (2.5,), lambda mu: stats.expon(scale=mu)),
    (11, "Exponential", (40,), lambda mu: stats.expon(scale=mu)),
    (12, "Extreme Value", (10, 2), lambda a, b: stats.gumbel_r(loc=a, scale=b)),
    (12, "Extreme Value", (-5, 30), lambda a, b: stats.gumbel_r(loc=a, scale=b)),
    (13, "Gamma", (2.5, 3), lambda a, b: stats.gamma(a, scale=b)),
    (13, "Gamma", (0.8, 10), lambda a, b: stats.gamma(a, scale=b)),
    (15, "Geometric", (0.3,), lambda p: stats.geom(p, loc=-1)),
    (15, "Geometric", (0.5,), lambda p: stats.geom(p, loc=-1)),
    (17, "Hypergeometric", (10, 20, 100), lambda n, k, total: stats.hypergeom(total, k, n)),
    (17, "Hypergeometric", (25, 12, 60), lambda n, k, total: stats.hypergeom(total, k, n)),
    (18, "Integer Uniform", (1, 5), lambda a, b: stats.randint(a, b + 1)),
    (18, "Integer Uniform", (10, 30), lambda a, b: stats.randint(a, b + 1)),
    (19, "Inverse Gauss", (1, 2), lambda mu, lam: stats.invgauss(mu / lam, scale=lam)),
    (19, "Inverse Gauss", (5, 0.5), lambda mu, lam: stats.invgauss(mu / lam, scale=lam)),
    (20, "Logistic", (5, 2), lambda mu, s: stats.logistic(loc=mu, scale=s)),
    (20, "Logistic", (-3, 0.4), lambda mu, s: stats.logistic(loc=mu, scale=s)),
    (22, "LogNormal", (10, 3), lognormal),
    (22, "LogNormal", (2, 4), lognormal),
    (24, "Negative binomial", (3, 0.4), lambda r, p: stats.nbinom(r, p)),
    (24, "Negative binomial", (10, 0.75), lambda r, p: stats.nbinom(r, p)),
    (25, "Normal", (100, 15), lambda mu, sigma: stats.norm(mu, sigma)),
    (25, "Normal", (-2.5, 0.1), lambda mu, sigma: stats.norm(mu, sigma)),
    (26, "Pareto", (5, 2), lambda a, b: stats.pareto(a, scale=b)),
    (26, "Pareto", (6.5, 10), lambda a, b: stats.pareto(a, scale=b)),
    (27, "Pareto2", (3, 5), lambda b, q: stats.lomax(q, scale=b)),
    (27, "Pareto2", (10, 7.5), lambda b, q: stats.lomax(q, scale=b)),
    (30, "PERT", (1, 2, 5), pert),
    (30, "PERT", (100, 180, 200), pert),
    (31, "Poisson", (3.7,), lambda lam: stats.poisson(lam)),
    (31, "Poisson", (20,), lambda lam: stats.poisson(lam)),
    (32, "Rayleigh", (1,), lambda sigma: stats.rayleigh(scale=sigma)),
    (32, "Rayleigh", (7.5,), lambda sigma: stats.rayleigh(scale=sigma)),
    (33, "Student", (5,), lambda nu: stats.t(nu)),
    (33, "Student", (12,), lambda nu: stats.t(nu)),
    (34, "Triangular", (0, 3, 10), lambda a, c, b: stats.triang((c - a) / (b - a), loc=a, scale=b - a)),
    (34, "Triangular", (-5, 4, 5), lambda a, c, b: stats.triang((c - a) / (b - a), loc=a, scale=b - a)),
    (36, "Uniform", (0, 10), lambda a, b: stats.uniform(a, b - a)),
    (36, "Uniform", (-3, 4.5), lambda a, b: stats.uniform(a, b - a)),
    (37, "Weibull", (1.5, 10), lambda shape, scale: stats.weibull_min(shape, scale=scale)),
    (37, "Weibull", (3, 0.5), lambda shape, scale: stats.weibull_min(shape, scale=scale)),
]


def main():
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "dialog_statistics.csv")
    with open(path, "w", newline="") as out:
        writer = csv.writer(out, lineterminator="\n")
        writer.writerow(["code", "label", "parameters", "mean", "variance", "deviation", "skewness", "kurtosis",
                         "median"])
        for code, label, parameters, make in CASES:
            distribution = make(*parameters)
            mean, variance, skewness, excess = (float(x) for x in distribution.stats(moments="mvsk"))
            writer.writerow([code, label, " ".join(repr(p) for p in parameters), repr(mean), repr(variance),
                             repr(math.sqrt(variance)), repr(skewness), repr(excess + 3),
                             repr(float(distribution.median()))])

    # Points for the interval rows: below the lowest value, inside, beyond the highest.
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "dialog_intervals.csv")
    with open(path, "w", newline="") as out:
        writer = csv.writer(out, lineterminator="\n")
        writer.writerow(["code", "label", "parameters", "x", "probability"])
        seen = set()
        for code, label, parameters, make in CASES:
            if code in seen:
                continue
            seen.add(code)
            distribution = make(*parameters)
            low, high = distribution.support()
            points = [distribution.ppf(q) for q in (0.1, 0.6)]
            if math.isfinite(low):
                points.append(low - 1)
            if math.isfinite(high):
                points.append(high + 1)
            if code in (17, 24):
                points.append(distribution.ppf(0.999) + 3)  # far in the upper tail
            for x in points:
                # The dialog's markers are single precision.
                x = float(struct.unpack("f", struct.pack("f", x))[0])
                writer.writerow([code, label, " ".join(repr(p) for p in parameters), repr(x),
                                 repr(float(distribution.cdf(x)))])


if __name__ == "__main__":
    main()
