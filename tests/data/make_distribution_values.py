#!/usr/bin/python3
"""Reference values for the distribution functions of riskfn's Main (kxBETAc ... kxWEIBULLc).

Writes distribution_values.csv beside this script, one row per case, in the layout of
sampling_values.csv:
    label,function,arguments,expected
`arguments` lists ProbX and the parameters in positional order, separated by ';'; the
last one is CumulProb where the case gives it: -1 (TRUE as the host passes it) asks for
the cumulative probability, 0 or 1 for the density.  `expected` has 17 significant digits.

Every value is computed with mpmath at 40 digits from the distribution's own closed form
(densities) or from mpmath's regularized incomplete beta and gamma functions, erfc and
sums of probabilities (cumulative probabilities), independently of Boost.Math.  Outside
the values a distribution takes, the density is 0 and the cumulative probability 0 or 1.

Run:  /usr/bin/python3 tests/data/make_distribution_values.py
"""

import csv
import os

import mpmath as mp

mp.mp.dps = 40

TRUE = -1
rows = []


def add(label, function, arguments, expected):
    tokens = ["" if a is None else repr(float(a)) for a in arguments]
    rows.append((label, function, ";".join(tokens), mp.nstr(mp.mpf(expected), 17, min_fixed=-5, max_fixed=5)))


def beta_pdf(x, a, b, low=0, up=1):
    x, a, b, low, up = map(mp.mpf, (x, a, b, low, up))
    if x < low or x > up:
        return 0
    t = (x - low) / (up - low)
    return t ** (a - 1) * (1 - t) ** (b - 1) / mp.beta(a, b) / (up - low)


def beta_cdf(x, a, b, low=0, up=1):
    x, a, b, low, up = map(mp.mpf, (x, a, b, low, up))
    if x <= low:
        return 0
    if x >= up:
        return 1
    return mp.betainc(a, b, 0, (x - low) / (up - low), regularized=True)


def gamma_pdf(x, shape, scale):
    x, shape, scale = map(mp.mpf, (x, shape, scale))
    if x < 0:
        return 0
    return x ** (shape - 1) * mp.exp(-x / scale) / (mp.gamma(shape) * scale ** shape)


def gamma_cdf(x, shape, scale):
    x, shape, scale = map(mp.mpf, (x, shape, scale))
    if x <= 0:
        return 0
    return mp.gammainc(shape, 0, x / scale, regularized=True)


def binomial_pmf(k, n, p):
    k, n, p = int(k), int(n), mp.mpf(p)
    if k < 0 or k > n:
        return 0
    return mp.binomial(n, k) * p ** k * (1 - p) ** (n - k)


def poisson_pmf(k, mean):
    k, mean = int(k), mp.mpf(mean)
    if k < 0:
        return 0
    return mp.exp(-mean) * mean ** k / mp.factorial(k)


def normal_cdf(z):
    return mp.erfc(-mp.mpf(z) / mp.sqrt(2)) / 2


def inverse_gaussian(x, mean, shape, cumulative):
    x, mean, shape = map(mp.mpf, (x, mean, shape))
    if x <= 0:
        return 0
    if not cumulative:
        return mp.sqrt(shape / (2 * mp.pi * x ** 3)) * mp.exp(-shape * (x - mean) ** 2 / (2 * mean ** 2 * x))
    root = mp.sqrt(shape / x)
    return normal_cdf(root * (x / mean - 1)) + mp.exp(2 * shape / mean) * normal_cdf(-root * (x / mean + 1))


def log_normal(x, mean, sd, cumulative):
    x, mean, sd = map(mp.mpf, (x, mean, sd))
    if x <= 0:
        return 0
    log_mean = mp.log(mean ** 2 / mp.sqrt(mean ** 2 + sd ** 2))
    log_sd = mp.sqrt(mp.log((mean ** 2 + sd ** 2) / mean ** 2))
    z = (mp.log(x) - log_mean) / log_sd
    if cumulative:
        return normal_cdf(z)
    return mp.npdf(z) / (log_sd * x)


def student(x, degrees, cumulative):
    x, nu = mp.mpf(x), mp.mpf(degrees)
    if not cumulative:
        return mp.gamma((nu + 1) / 2) / (mp.sqrt(nu * mp.pi) * mp.gamma(nu / 2)) * (1 + x ** 2 / nu) ** (-(nu + 1) / 2)
    tail = mp.betainc(nu / 2, mp.mpf(1) / 2, 0, nu / (nu + x ** 2), regularized=True) / 2
    return 1 - tail if x > 0 else tail


def triangular(x, low, mode, up, cumulative):
    x, low, mode, up = map(mp.mpf, (x, low, mode, up))
    if x < low:
        return 0
    if x > up:
        return 1 if cumulative else 0
    if cumulative:
        if x <= mode and mode > low:
            return (x - low) ** 2 / ((mode - low) * (up - low))
        return 1 - (up - x) ** 2 / ((up - low) * (up - mode))
    if x >= mode and mode < up:
        return 2 * (up - x) / ((up - low) * (up - mode))
    return 2 * (x - low) / ((mode - low) * (up - low))


def pert_shapes(low, mode, up):
    low, mode, up = map(mp.mpf, (low, mode, up))
    mean = (low + 4 * mode + up) / 6
    return 6 * (mean - low) / (up - low), 6 * (up - mean) / (up - low)


# Beta on [0, 1] and on [L, U]; CumulProb a double that selects the cumulative at -1 only.
for a, b in [(2, 2), (0.5, 3), (3.5, 1.25), (20, 30)]:
    for x in [0.05, 0.3, 0.5, 0.9]:
        add(f"beta({a}, {b}) density at {x}", "kxBETAc", [x, a, b], beta_pdf(x, a, b))
        add(f"beta({a}, {b}) cumulative at {x}", "kxBETAc", [x, a, b, TRUE], beta_cdf(x, a, b))
add("beta CumulProb 1 gives the density", "kxBETAc", [0.5, 2, 2, 1], beta_pdf(0.5, 2, 2))
add("beta CumulProb -1.4 rounds to TRUE", "kxBETAc", [0.3, 2, 3, -1.4], beta_cdf(0.3, 2, 3))
add("beta CumulProb -1.5 rounds to -2", "kxBETAc", [0.3, 2, 3, -1.5], beta_pdf(0.3, 2, 3))
add("beta density above 1", "kxBETAc", [1.5, 2, 2], 0)
add("beta density below 0", "kxBETAc", [-0.5, 2, 2], 0)
add("beta cumulative above 1", "kxBETAc", [1.5, 2, 2, TRUE], 1)
add("beta cumulative below 0", "kxBETAc", [-0.5, 2, 2, TRUE], 0)
add("beta density at 0 with a = 1", "kxBETAc", [0, 1, 3], beta_pdf(0, 1, 3))
# Large shapes, where a difference of log-gammas cancels.
for a, b, x in [(1e4, 1e4, 0.5), (1e6, 3e6, 0.2505), (1e10, 1e10, 0.5), (1e13, 1e13, 0.5), (1e13, 3e13, 0.25),
                (2.5, 1e8, 1.5e-8)]:
    add(f"beta({a}, {b}) density at {x}", "kxBETAc", [x, a, b], beta_pdf(x, a, b))
add("general beta(1e12, 1e12) on [-3, 5]", "kxBETAGENc", [1, 1e12, 1e12, -3, 5], beta_pdf(1, 1e12, 1e12, -3, 5))
for a, b, low, up, x in [(2, 3, 10, 20, 13), (0.7, 1.8, -5, 5, 2.5), (4, 4, 100, 101, 100.25)]:
    add(f"general beta({a}, {b}) on [{low}, {up}] at {x}", "kxBETAGENc", [x, a, b, low, up], beta_pdf(x, a, b, low, up))
    add(f"general beta({a}, {b}) on [{low}, {up}] cumulative at {x}", "kxBETAGENc", [x, a, b, low, up, TRUE],
        beta_cdf(x, a, b, low, up))
add("general beta density outside", "kxBETAGENc", [25, 2, 3, 10, 20], 0)
add("general beta cumulative above", "kxBETAGENc", [25, 2, 3, 10, 20, TRUE], 1)
add("general beta cumulative below", "kxBETAGENc", [5, 2, 3, 10, 20, TRUE], 0)

for n, p in [(10, 0.3), (50, 0.02), (200, 0.5)]:
    for k in [0, 3, int(n * p), n]:
        add(f"binomial({n}, {p}) at {k}", "kxBINOMIALc", [k, n, p], binomial_pmf(k, n, p))
        add(f"binomial({n}, {p}) cumulative at {k}", "kxBINOMIALc", [k, n, p, TRUE],
            sum(binomial_pmf(j, n, p) for j in range(k + 1)))
add("binomial CumulProb 1 gives the probability", "kxBINOMIALc", [3, 10, 0.3, 1], binomial_pmf(3, 10, 0.3))
add("binomial above the trials", "kxBINOMIALc", [12, 10, 0.3], 0)
add("binomial cumulative above the trials", "kxBINOMIALc", [12, 10, 0.3, TRUE], 1)
add("binomial truncates x", "kxBINOMIALc", [3.7, 10, 0.3], binomial_pmf(3, 10, 0.3))

for degrees, x in [(1, 0.5), (4, 3), (30, 25), (679, 650), (680, 700), (1000, 1010), (5000, 4800)]:
    add(f"chi2({degrees}) density at {x}", "kxCHI2c", [x, degrees], gamma_pdf(x, mp.mpf(degrees) / 2, 2))
    add(f"chi2({degrees}) cumulative at {x}", "kxCHI2c", [x, degrees, TRUE], gamma_cdf(x, mp.mpf(degrees) / 2, 2))
add("chi2 below 0", "kxCHI2c", [-1, 4], 0)

for h, x in [(1, 0.5), (0.25, -3), (3, 0.1)]:
    sd = 1 / (mp.mpf(h) * mp.sqrt(2))
    add(f"erf({h}) density at {x}", "kxERFc", [x, h], mp.npdf(x, 0, sd))
    add(f"erf({h}) cumulative at {x}", "kxERFc", [x, h, TRUE], normal_cdf(mp.mpf(x) / sd))

for function in ["kxERLANGc", "kxGAMMAc"]:
    for shape, scale, x in [(2, 3, 4.5), (0.5, 1, 0.2), (7.5, 0.2, 1.1), (150, 2, 310)]:
        add(f"{function} gamma({shape}, {scale}) at {x}", function, [x, shape, scale], gamma_pdf(x, shape, scale))
        add(f"{function} gamma({shape}, {scale}) cumulative at {x}", function, [x, shape, scale, TRUE],
            gamma_cdf(x, shape, scale))
    add(f"{function} below 0", function, [-2, 2, 3], 0)

for mean, x in [(1, 1), (2.5, 0.4), (10, 35)]:
    mean, x = mp.mpf(mean), mp.mpf(x)
    add(f"exponential({mean}) at {x}", "kxEXPONc", [x, mean], mp.exp(-x / mean) / mean)
    add(f"exponential({mean}) cumulative at {x}", "kxEXPONc", [x, mean, TRUE], -mp.expm1(-x / mean))
add("exponential below 0", "kxEXPONc", [-1, 2], 0)
add("exponential cumulative below 0", "kxEXPONc", [-1, 2, TRUE], 0)

for mode, scale, x in [(0, 1, 0.5), (10, 2, 4), (-3, 0.5, 1), (0, 1, -6)]:
    z = (mp.mpf(x) - mode) / scale
    add(f"extreme value({mode}, {scale}) at {x}", "kxEXTVALc", [x, mode, scale], mp.exp(-(z + mp.exp(-z))) / scale)
    add(f"extreme value({mode}, {scale}) cumulative at {x}", "kxEXTVALc", [x, mode, scale, TRUE], mp.exp(-mp.exp(-z)))
add("extreme value far below the mode", "kxEXTVALc", [-1000, 0, 1], 0)

for mean, shape, x in [(1, 1, 0.5), (2, 5, 3), (1, 200, 1.1), (3, 1000, 2.9), (5, 0.5, 0.01)]:
    add(f"inverse gaussian({mean}, {shape}) at {x}", "kxGAUSSINVc", [x, mean, shape],
        inverse_gaussian(x, mean, shape, False))
    add(f"inverse gaussian({mean}, {shape}) cumulative at {x}", "kxGAUSSINVc", [x, mean, shape, TRUE],
        inverse_gaussian(x, mean, shape, True))
add("inverse gaussian at 0", "kxGAUSSINVc", [0, 1, 1], 0)
add("inverse gaussian cumulative below 0", "kxGAUSSINVc", [-1, 1, 1, TRUE], 0)

for p, x in [(0.3, 0), (0.3, 4), (0.05, 20), (0.9, 2)]:
    p = mp.mpf(p)
    add(f"geometric({p}) at {x}", "kxGEOc", [x, p], p * (1 - p) ** x)
    add(f"geometric({p}) cumulative at {x}", "kxGEOc", [x, p, TRUE], 1 - (1 - p) ** (x + 1))
add("geometric below 0", "kxGEOc", [-1, 0.3], 0)

for x, n, defects, batch in [(1, 5, 10, 50), (0, 5, 10, 50), (4, 10, 20, 40), (25, 100, 300, 1000)]:
    expected = mp.binomial(defects, x) * mp.binomial(batch - defects, n - x) / mp.binomial(batch, n)
    add(f"hypergeometric({n}, {defects}, {batch}) at {x}", "kxHYPERGEOc", [x, n, defects, batch], expected)
add("hypergeometric above its largest value", "kxHYPERGEOc", [6, 5, 10, 50], 0)

add("integer uniform inside", "kxINTUNIc", [3, 1, 6], mp.mpf(1) / 6)
add("integer uniform between whole numbers", "kxINTUNIc", [2.5, 1, 6], mp.mpf(1) / 6)
add("integer uniform outside", "kxINTUNIc", [7, 1, 6], 0)

for mean, scale, x in [(0, 1, 0.5), (5, 2, -1), (100, 10, 130), (0, 1, 800)]:
    z = (mp.mpf(x) - mean) / scale
    add(f"logistic({mean}, {scale}) at {x}", "kxLOGISTICc", [x, mean, scale], 1 / (4 * scale * mp.cosh(z / 2) ** 2))
    add(f"logistic({mean}, {scale}) cumulative at {x}", "kxLOGISTICc", [x, mean, scale, TRUE], 1 / (1 + mp.exp(-z)))

for mean, sd, x in [(1, 0.5, 0.8), (100, 15, 120), (2, 3, 0.1)]:
    add(f"lognormal({mean}, {sd}) at {x}", "kxLOGNORMALc", [x, mean, sd], log_normal(x, mean, sd, False))
    add(f"lognormal({mean}, {sd}) cumulative at {x}", "kxLOGNORMALc", [x, mean, sd, TRUE], log_normal(x, mean, sd, True))
add("lognormal at 0", "kxLOGNORMALc", [0, 1, 0.5], 0)
add("lognormal cumulative below 0", "kxLOGNORMALc", [-2, 1, 0.5, TRUE], 0)

for x, r, p in [(0, 3, 0.5), (4, 3, 0.5), (10, 1, 0.2), (30, 12, 0.4)]:
    p = mp.mpf(p)
    add(f"negative binomial({r}, {p}) at {x}", "kxNEGBINc", [x, r, p], mp.binomial(x + r - 1, x) * p ** r * (1 - p) ** x)
add("negative binomial below 0", "kxNEGBINc", [-1, 3, 0.5], 0)

for mean, sd, x in [(0, 1, 0), (100, 15, 130), (-2, 0.5, -1.2), (0, 1, -8)]:
    add(f"normal({mean}, {sd}) at {x}", "kxNORMALc", [x, mean, sd], mp.npdf(x, mean, sd))
    add(f"normal({mean}, {sd}) cumulative at {x}", "kxNORMALc", [x, mean, sd, TRUE], normal_cdf((mp.mpf(x) - mean) / sd))

for x, shape, bound in [(4, 3, 2), (1, 2, 2), (2, 2, 2), (10, 0.5, 1)]:
    x, shape, bound = map(mp.mpf, (x, shape, bound))
    add(f"pareto({shape}, {bound}) at {x}", "kxPARETOc", [x, shape, bound],
        0 if x < bound else shape * bound ** shape / x ** (shape + 1))

for x, scale, shape in [(0, 1, 2), (3, 2, 1.5), (100, 10, 4)]:
    x, scale, shape = map(mp.mpf, (x, scale, shape))
    add(f"pareto2({scale}, {shape}) at {x}", "kxPARETO2c", [x, scale, shape], shape * scale ** shape / (x + scale) ** (shape + 1))
add("pareto2 below 0", "kxPARETO2c", [-1, 1, 2], 0)

for low, mode, up, x in [(0, 3, 10, 4), (0, 3, 10, 0.05), (5, 5, 9, 6), (-1, 2, 2, 1), (100, 180, 200, 150)]:
    alpha, beta = pert_shapes(low, mode, up)
    add(f"pert({low}, {mode}, {up}) at {x}", "kxPERTc", [x, low, mode, up], beta_pdf(x, alpha, beta, low, up))
    add(f"pert({low}, {mode}, {up}) cumulative at {x}", "kxPERTc", [x, low, mode, up, TRUE],
        beta_cdf(x, alpha, beta, low, up))
add("pert at its minimum", "kxPERTc", [0, 0, 3, 10], 0)
add("pert outside", "kxPERTc", [12, 0, 3, 10], 0)
add("pert cumulative above", "kxPERTc", [12, 0, 3, 10, TRUE], 1)

for mean, k in [(4, 0), (4, 4), (4, 9), (250, 230), (0.5, 2)]:
    add(f"poisson({mean}) at {k}", "kxPOISSONc", [k, mean], poisson_pmf(k, mean))
    add(f"poisson({mean}) cumulative at {k}", "kxPOISSONc", [k, mean, TRUE], sum(poisson_pmf(j, mean) for j in range(k + 1)))
add("poisson below 0", "kxPOISSONc", [-1, 4], 0)

for sigma, x in [(1, 1), (2.5, 0.3), (10, 35)]:
    x, sigma = mp.mpf(x), mp.mpf(sigma)
    add(f"rayleigh({sigma}) at {x}", "kxRAYLEIGHc", [x, sigma], x / sigma ** 2 * mp.exp(-(x / sigma) ** 2 / 2))
add("rayleigh below 0", "kxRAYLEIGHc", [-1, 1], 0)

for degrees, x in [(1, 0.5), (5, -2), (30, 1.7), (2.5, 0.3), (3, -40)]:
    add(f"student({degrees}) at {x}", "kxSTUDENTc", [x, degrees], student(x, degrees, False))
    add(f"student({degrees}) cumulative at {x}", "kxSTUDENTc", [x, degrees, TRUE], student(x, degrees, True))
# Many degrees of freedom: the density nears the normal's, which a difference of log-gammas loses.
for degrees, x in [(1e4, 1), (1e6, -2.5), (1e9, 0.3), (1e13, 1), (1e15, 1), (1e16, 1), (1e16, -4)]:
    add(f"student({degrees}) at {x}", "kxSTUDENTc", [x, degrees], student(x, degrees, False))

for low, mode, up, x in [(0, 3, 6, 3), (0, 3, 6, 1), (0, 3, 6, 5), (0, 0, 4, 0), (0, 4, 4, 4), (2, 5, 11, 9.5)]:
    add(f"triangular({low}, {mode}, {up}) at {x}", "kxTRIc", [x, low, mode, up], triangular(x, low, mode, up, False))
    add(f"triangular({low}, {mode}, {up}) cumulative at {x}", "kxTRIc", [x, low, mode, up, TRUE],
        triangular(x, low, mode, up, True))
add("triangular below", "kxTRIc", [-1, 0, 3, 6], 0)
add("triangular above", "kxTRIc", [7, 0, 3, 6], 0)
add("triangular cumulative above", "kxTRIc", [7, 0, 3, 6, TRUE], 1)

add("uniform density", "kxUNIFORMc", [4, 0, 10], mp.mpf(1) / 10)
add("uniform cumulative", "kxUNIFORMc", [4, 0, 10, TRUE], mp.mpf(4) / 10)
add("uniform cumulative above", "kxUNIFORMc", [20, 0, 10, TRUE], 1)
add("uniform cumulative below", "kxUNIFORMc", [-20, 0, 10, TRUE], 0)
add("uniform density outside", "kxUNIFORMc", [20, 0, 10], 0)
# The bounds in either order, as the sampling function takes them.
add("uniform density, bounds reversed", "kxUNIFORMc", [5, 10, 0], mp.mpf(1) / 10)
add("uniform cumulative, bounds reversed", "kxUNIFORMc", [3, 10, 0, TRUE], mp.mpf(3) / 10)
add("uniform cumulative above, bounds reversed", "kxUNIFORMc", [20, 10, 0, TRUE], 1)
add("uniform cumulative below, bounds reversed", "kxUNIFORMc", [-20, 10, 0, TRUE], 0)
add("uniform density outside, bounds reversed", "kxUNIFORMc", [-1, 10, 0], 0)

for shape, scale, x in [(1, 2, 1), (2.5, 10, 7), (0.6, 1, 0.01)]:
    x, shape, scale = map(mp.mpf, (x, shape, scale))
    add(f"weibull({shape}, {scale}) at {x}", "kxWEIBULLc", [x, shape, scale],
        shape / scale * (x / scale) ** (shape - 1) * mp.exp(-(x / scale) ** shape))
    add(f"weibull({shape}, {scale}) cumulative at {x}", "kxWEIBULLc", [x, shape, scale, TRUE], -mp.expm1(-(x / scale) ** shape))
add("weibull below 0", "kxWEIBULLc", [-1, 2, 1], 0)

path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "distribution_values.csv")
with open(path, "w", newline="") as out:
    writer = csv.writer(out, lineterminator="\n")
    writer.writerow(["label", "function", "arguments", "expected"])
    writer.writerows(rows)
print(f"{len(rows)} cases written to {path}")
