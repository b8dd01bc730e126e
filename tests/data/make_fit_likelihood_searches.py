#!/usr/bin/python3
"""Reference maximum-likelihood fits of the candidates whose estimates need a search, from scipy.

Reads the samples of fit_samples.csv and writes fit_likelihood_searches.csv beside this script:
sample,code,parameters,log_likelihood, the parameters separated by ';' in the order of the
fitting dialog's slots:
    12 Gumbel (largest extreme value)   location, scale    gumbel_r.fit
    20 logistic                         location, scale    logistic.fit
    33 Student's t                      degrees of freedom t.fit(floc=0, fscale=1)
scipy's estimates are polished by solving the score equations (brentq, fsolve at 1e-15) and
must agree with them to 1e-4 relative; the polished values are kept. The log-likelihood is the
sum of scipy's logpdf at them.

Student's t has no location or scale here, and where sum (x^4 - 2x^2 - 1) is not positive its
likelihood rises towards the normal's as the degrees of freedom grow: the component then stops
at the end of its search, 5 e^30, so that value is written with the normal's log-likelihood,
the limit (scipy's t.logpdf loses its digits at such degrees of freedom).

Run:  /usr/bin/python3 tests/data/make_fit_likelihood_searches.py
"""

import csv
import math
import os
from collections import defaultdict

import numpy as np
from scipy import optimize, special, stats

HERE = os.path.dirname(os.path.abspath(__file__))


def polish_gumbel(x, beta0):
    def score(beta):
        w = np.exp(-(x - x.min()) / beta)
        return np.mean(x) - beta - np.sum(w * x) / np.sum(w)

    beta = optimize.brentq(score, beta0 / 2, beta0 * 2, xtol=1e-15, rtol=1e-15)
    w = np.exp(-(x - x.min()) / beta)
    return [x.min() - beta * math.log(np.mean(w)), beta]


def polish_logistic(x, m0, s0):
    def score(p):
        m, s = p
        z = (x - m) / s
        return [np.sum(np.tanh(z / 2)), np.sum(z * np.tanh(z / 2)) - len(x)]

    return list(optimize.fsolve(score, [m0, s0], xtol=1e-15))


def polish_student(x, nu0):
    def score(nu):
        q = x * x
        return (len(x) * (special.digamma((nu + 1) / 2) - special.digamma(nu / 2) - 1 / nu) / 2
                - np.sum(np.log1p(q / nu)) / 2 + (nu + 1) / (2 * nu) * np.sum(q / (nu + q)))

    return [optimize.brentq(score, nu0 / 2, nu0 * 2, xtol=1e-15, rtol=1e-15)]


def fits(x):
    result = {}
    loc, scale = stats.gumbel_r.fit(x)
    polished = polish_gumbel(x, scale)
    result[12] = ([loc, scale], np.sum(stats.gumbel_r.logpdf(x, *polished)), polished)
    loc, scale = stats.logistic.fit(x)
    polished = polish_logistic(x, loc, scale)
    result[20] = ([loc, scale], np.sum(stats.logistic.logpdf(x, *polished)), polished)
    if np.sum((x * x - 2) * x * x - 1) > 0:
        nu, _, _ = stats.t.fit(x, floc=0, fscale=1)
        polished = polish_student(x, nu)
        result[33] = ([nu], np.sum(stats.t.logpdf(x, polished[0])), polished)
    else:
        upper = 5 * math.exp(30)
        result[33] = ([upper], np.sum(stats.norm.logpdf(x)), [upper])
    return result


def main():
    samples = defaultdict(list)
    with open(os.path.join(HERE, "fit_samples.csv")) as f:
        for row in csv.DictReader(f):
            samples[row["sample"]].append(float(row["value"]))
    with open(os.path.join(HERE, "fit_likelihood_searches.csv"), "w", newline="") as f:
        writer = csv.writer(f)
        writer.writerow(["sample", "code", "parameters", "log_likelihood"])
        for name, values in samples.items():
            x = np.sort(np.array(values))
            for code, (fitted, log_likelihood, polished) in sorted(fits(x).items()):
                for a, b in zip(fitted, polished):
                    assert abs(a - b) <= 1e-4 * abs(b), (name, code, fitted, polished)
                writer.writerow([name, code, ";".join(repr(float(p)) for p in polished), repr(float(log_likelihood))])


if __name__ == "__main__":
    main()
