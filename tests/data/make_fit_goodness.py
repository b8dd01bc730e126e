#!/usr/bin/python3
"""p-values and standard errors of maximum-likelihood fits, computed with scipy.

Writes fit_goodness_<set>.csv (one column of values) and fit_goodness.json beside this script,
for three data sets drawn with a fixed seed: a normal, a gamma and a Weibull sample.

For each set and its family (kx fit --method mle --dist FAMILY):
- the maximum-likelihood estimates by scipy's fit (location fixed at 0 for gamma and Weibull),
  whose optimiser stops short of the maximum: the shapes are refined as the roots of their
  profile score equations (scipy.optimize.brentq);
- ks_p_value: the Kolmogorov-Smirnov statistic's p-value from Kolmogorov's limiting
  distribution, scipy.stats.kstwobign.sf(sqrt(n) D);
- ad_p_value: the Anderson-Darling statistic's p-value for the fitted distribution taken as
  known, by scipy.stats.goodness_of_fit with every parameter given (Monte Carlo, 20,000 samples:
  the test allows 0.02);
- chi_square_p_value: Pearson's test over max(3, ceil(2 n^0.4)) classes of equal fitted
  probability, with degrees of freedom classes - 1 - parameters (scipy.stats.chisquare, ddof);
- bootstrap_ks_p_value and bootstrap_ad_p_value: the parametric bootstrap with the parameters
  estimated again in every sample (scipy.stats.goodness_of_fit with the location alone given,
  2,000 samples; kx's 200 replicates leave the test an allowance of 0.1);
- standard_errors: the square roots of the diagonal of the inverse of minus the Hessian of the
  log-likelihood (scipy's logpdf summed), taken by central differences at the estimates.

Run:  /usr/bin/python3 tests/data/make_fit_goodness.py
"""

import json
import math
import os

import numpy as np
from scipy import optimize, special, stats

HERE = os.path.dirname(os.path.abspath(__file__))


def hessian(f, p):
    p = np.asarray(p, dtype=float)
    k = len(p)
    h = 1e-4 * np.maximum(np.abs(p), 1e-3)
    H = np.zeros((k, k))
    for i in range(k):
        for j in range(k):
            def at(di, dj):
                q = p.copy()
                q[i] += di * h[i]
                q[j] += dj * h[j]
                return f(q)
            H[i, j] = (at(1, 1) - at(1, -1) - at(-1, 1) + at(-1, -1)) / (4 * h[i] * h[j])
    return H


def weibull_fit(x):
    c0, _, _ = stats.weibull_min.fit(x, floc=0)
    logs = np.log(x)
    score = lambda c: np.sum(x ** c * logs) / np.sum(x ** c) - 1 / c - np.mean(logs)
    c = optimize.brentq(score, c0 * 0.9, c0 * 1.1, xtol=1e-15)
    return c, np.mean(x ** c) ** (1 / c)


def gamma_fit(x):
    a0, _, _ = stats.gamma.fit(x, floc=0)
    target = math.log(np.mean(x)) - np.mean(np.log(x))
    a = optimize.brentq(lambda a: math.log(a) - special.digamma(a) - target, a0 * 0.9, a0 * 1.1, xtol=1e-15)
    return a, np.mean(x) / a


def main():
    rng = np.random.default_rng(20261209)
    sets = {
        "normal": ("Normal", np.round(rng.normal(50, 8, 500), 4),
                   lambda x: stats.norm.fit(x), lambda p: stats.norm(p[0], p[1])),
        "gamma": ("Gamma", np.round(rng.gamma(3.0, 2.0, 400), 4),
                  gamma_fit,
                  lambda p: stats.gamma(p[0], scale=p[1])),
        "weibull": ("Weibull", np.round(3.0 * rng.weibull(1.7, 300), 4),
                    weibull_fit,
                    lambda p: stats.weibull_min(p[0], scale=p[1])),
    }
    cases = []
    for name, (family, x, fit, frozen) in sets.items():
        with open(os.path.join(HERE, f"fit_goodness_{name}.csv"), "w") as f:
            f.write("value\n" + "".join(f"{v!r}\n" for v in x.tolist()))
        p = fit(x)
        d = frozen(p)
        n = len(x)
        ks = stats.kstest(x, d.cdf).statistic
        classes = max(3, math.ceil(2 * n ** 0.4))
        counts = np.bincount(np.minimum((d.cdf(x) * classes).astype(int), classes - 1), minlength=classes)
        chi = stats.chisquare(counts, ddof=len(p))
        shape_names = {"Normal": ("loc", "scale"), "Gamma": ("a", "scale"), "Weibull": ("c", "scale")}[family]
        known = dict(zip(shape_names, p)) | ({} if family == "Normal" else {"loc": 0.0})
        ad = stats.goodness_of_fit(d.dist, x, known_params=known, statistic="ad", n_mc_samples=20000,
                                   random_state=np.random.default_rng(1))
        refitted = {} if family == "Normal" else {"loc": 0.0}
        boot = {statistic: stats.goodness_of_fit(d.dist, x, known_params=refitted, statistic=statistic,
                                                 n_mc_samples=2000, random_state=np.random.default_rng(2)).pvalue
                for statistic in ("ks", "ad")}
        log_l = lambda q: float(np.sum(frozen(q).logpdf(x)))
        errors = np.sqrt(np.diag(np.linalg.inv(-hessian(log_l, p))))
        cases.append({"set": name, "family": family, "parameters": [float(v) for v in p],
                      "ks_p_value": float(stats.kstwobign.sf(math.sqrt(n) * ks)),
                      "ad_p_value": float(ad.pvalue), "chi_square_classes": classes,
                      "chi_square_p_value": float(chi.pvalue),
                      "bootstrap_ks_p_value": float(boot["ks"]), "bootstrap_ad_p_value": float(boot["ad"]),
                      "standard_errors": [float(v) for v in errors]})
    with open(os.path.join(HERE, "fit_goodness.json"), "w") as f:
        json.dump(cases, f, indent=1)


if __name__ == "__main__":
    main()
