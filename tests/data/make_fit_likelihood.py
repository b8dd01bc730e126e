#!/usr/bin/python3
"""Reference maximum-likelihood fits for kx fit --method mle, from scipy.

Reads the samples of fit_samples.csv (written by make_fit_distances.py) and writes
fit_likelihood.csv beside this script: sample,code,parameters,log_likelihood,
anderson_darling,kolmogorov_smirnov, the parameters separated by ';' in the order of the
fitting dialog's slots:
    25 normal        mean, standard deviation          norm.fit
    22 lognormal     mean and sd of ln x               lognorm.fit(floc=0)
    11 exponential   mean                              expon.fit(floc=0)
    13 gamma         shape, scale                      gamma.fit(floc=0)
    37 Weibull       shape, scale                      weibull_min.fit(floc=0)
     1 beta          alpha, beta                       beta.fit(floc=0, fscale=1)
scipy's estimates are then polished by solving the score equations (brentq and fsolve at
1e-15), and the script checks that both agree to 1e-4 relative (scipy's generic optimiser,
used for the Weibull, stops about 1e-5 short of the optimum); the polished values are kept. The log-likelihood is the sum
of scipy's logpdf; the Anderson-Darling statistic is -n - sum (2i-1)/n [ln F(x_i) +
ln(1 - F(x_(n+1-i)))]; Kolmogorov-Smirnov is scipy.stats.kstest's statistic.

Run:  /usr/bin/python3 tests/data/make_fit_likelihood.py
"""

import csv
import math
import os
from collections import defaultdict

import numpy as np
from scipy import optimize, special, stats

HERE = os.path.dirname(os.path.abspath(__file__))


def polish_gamma(x, k0):
    c = math.log(np.mean(x)) - np.mean(np.log(x))
    k = optimize.brentq(lambda k: math.log(k) - special.digamma(k) - c, k0 / 2, k0 * 2, xtol=1e-15, rtol=1e-15)
    return [k, np.mean(x) / k]


def polish_weibull(x, k0):
    logs = np.log(x)
    top = max(x)

    def score(k):
        w = (x / top) ** k
        return np.sum(w * logs) / np.sum(w) - 1 / k - np.mean(logs)

    k = optimize.brentq(score, k0 / 2, k0 * 2, xtol=1e-15, rtol=1e-15)
    return [k, top * np.mean((x / top) ** k) ** (1 / k)]


def polish_beta(x, a0, b0):
    l1, l2 = np.mean(np.log(x)), np.mean(np.log1p(-x))

    def score(p):
        a, b = p
        return [special.digamma(a) - special.digamma(a + b) - l1, special.digamma(b) - special.digamma(a + b) - l2]

    return list(optimize.fsolve(score, [a0, b0], xtol=1e-15))


def fits(x):
    n = len(x)
    result = {}
    mu, sd = stats.norm.fit(x)
    result[25] = ([mu, sd], stats.norm(mu, sd), [mu, sd])
    if min(x) > 0:
        s, _, scale = stats.lognorm.fit(x, floc=0)
        result[22] = ([math.log(scale), s], stats.lognorm(s, scale=scale), [math.log(scale), s])
        _, scale = stats.expon.fit(x, floc=0)
        result[11] = ([scale], stats.expon(scale=scale), [scale])
        k, _, scale = stats.gamma.fit(x, floc=0)
        polished = polish_gamma(x, k)
        result[13] = ([k, scale], stats.gamma(polished[0], scale=polished[1]), polished)
        k, _, scale = stats.weibull_min.fit(x, floc=0)
        polished = polish_weibull(x, k)
        result[37] = ([k, scale], stats.weibull_min(polished[0], scale=polished[1]), polished)
    if min(x) > 0 and max(x) < 1:
        a, b, _, _ = stats.beta.fit(x, floc=0, fscale=1)
        polished = polish_beta(x, a, b)
        result[1] = ([a, b], stats.beta(*polished), polished)
    return result


def anderson_darling(x, dist):
    n = len(x)
    f = dist.cdf(x)
    i = np.arange(1, n + 1)
    return -n - np.sum((2 * i - 1) / n * (np.log(f) + np.log(1 - f[::-1])))


def main():
    samples = defaultdict(list)
    with open(os.path.join(HERE, "fit_samples.csv")) as f:
        for row in csv.DictReader(f):
            samples[row["sample"]].append(float(row["value"]))
    with open(os.path.join(HERE, "fit_likelihood.csv"), "w", newline="") as f:
        writer = csv.writer(f)
        writer.writerow(["sample", "code", "parameters", "log_likelihood", "anderson_darling", "kolmogorov_smirnov"])
        for name, values in samples.items():
            x = np.sort(np.array(values))
            for code, (fitted, dist, polished) in sorted(fits(x).items()):
                for a, b in zip(fitted, polished):
                    assert abs(a - b) <= 1e-4 * abs(b), (name, code, fitted, polished)
                writer.writerow([name, code, ";".join(repr(float(p)) for p in polished),
                                 repr(float(np.sum(dist.logpdf(x)))), repr(float(anderson_darling(x, dist))),
                                 repr(float(stats.kstest(x, dist.cdf).statistic))])


if __name__ == "__main__":
    main()
