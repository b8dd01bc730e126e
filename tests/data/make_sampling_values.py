#!/usr/bin/python3
"""Reference values for the sampling functions of riskfn's Main, and for utRoundDLL.

Writes sampling_values.csv beside this script, one row per case:
    label,function,arguments,expected
`arguments` lists the call's arguments in positional order, separated by ';':
a number, an empty token for an omitted argument (the missing-argument marker),
or a text written with a leading apostrophe ("'ShowMode", and "'" alone for the
empty text).  `expected` is the result to 17 significant digits.

Variates from a supplied uniform u are scipy's quantiles (the smallest value
whose cumulative probability reaches u, for the discrete ones), in the
increasing orientation the functions use (e.g. -Ln(1 - u) for the exponential).
Deterministic values come from the distributions' own formulas for the mode or
centre.  The inverse Gaussian is sampled by interpolating its distribution
function on a grid of 200 points; that rule is re-computed here with scipy's
normal distribution function, and where the grid cannot reach u the expected
value is scipy's inverse Gaussian quantile.

Run:  /usr/bin/python3 tests/data/make_sampling_values.py
"""

import csv
import math
import os

from scipy import stats

SHOW = "'ShowMode"
SAMPLE = "'"

rows = []


def add(label, function, arguments, expected):
    tokens = []
    for argument in arguments:
        if argument is None:
            tokens.append("")
        elif isinstance(argument, str):
            tokens.append(argument)
        else:
            tokens.append(repr(float(argument)))
    rows.append((label, function, ";".join(tokens), "%.17g" % float(expected)))


def inverse_gaussian_grid(mean, shape, u):
    """The grid interpolation of the inverse Gaussian distribution function."""
    top = mean + 6 * mean ** 3 / shape
    step = top / 200
    previous = 0.0
    for point in range(2, 201):
        x = point * step
        root = math.sqrt(shape / x)
        cumulative = stats.norm.cdf(root * (x / mean - 1)) + math.exp(2 * shape / mean) * stats.norm.cdf(
            -root * (x / mean + 1))
        if cumulative >= u > previous:
            return (x - step) + (u - previous) * step / (cumulative - previous)
        previous = cumulative
    return stats.invgauss.ppf(u, mean / shape, scale=shape)


def discrete_quantile(distribution, u):
    """scipy's ppf, checked to be away from a step so that rounding cannot move it."""
    k = distribution.ppf(u)
    assert abs(distribution.cdf(k) - u) > 1e-9 and abs(distribution.cdf(k - 1) - u) > 1e-9
    return k


# Deterministic values ("ShowMode"), from each distribution's mode or centre.
add("beta mode", "kxBETA", [2, 3, None, SHOW], 1 / 3)
add("beta mode, a below 1", "kxBETA", [0.5, 2, None, SHOW], 0)
add("beta mode, b below 1", "kxBETA", [2, 0.5, None, SHOW], 1)
add("general beta mode", "kxBETAGEN", [2, 3, None, SHOW, 10, 20], 10 + 10 / 3)
add("general beta mode asked by 0", "kxBETAGEN", [2, 3, None, "'0", 10, 20], 10 + 10 / 3)
add("general beta mode, a below 1", "kxBETAGEN", [0.5, 3, None, SHOW, 10, 20], 10)
add("general beta mode, b below 1", "kxBETAGEN", [3, 0.5, None, SHOW, 10, 20], 20)
add("binomial mode 5.5", "kxBINOMIAL", [10, 0.5, None, SHOW], 5)
add("binomial mode 2 even", "kxBINOMIAL", [3, 0.5, None, SHOW], 2)
add("binomial mode 3 odd", "kxBINOMIAL", [5, 0.5, None, SHOW], 2)
add("binomial mode 6.3", "kxBINOMIAL", [20, 0.3, None, SHOW], 6)
add("chi-square mode 1 degree", "kxCHI2", [1, None, SHOW], 0)
add("chi-square mode 5 degrees", "kxCHI2", [5, None, SHOW], 3)
add("chi-square mode 1000 degrees", "kxCHI2", [1000, None, SHOW], 998)
add("erf centre", "kxERF", [2, None, SHOW], 0)
add("erlang mode", "kxERLANG", [3, 2, None, SHOW], 4)
add("exponential mode", "kxEXPON", [5, None, SHOW], 0)
add("extreme value mode", "kxEXTVAL", [10, 2, None, SHOW], 10)
add("gamma mode", "kxGAMMA", [3, 2, None, SHOW], 4)
add("gamma mode, shape below 1", "kxGAMMA", [0.5, 2, None, SHOW], 0)
add("inverse gaussian mode", "kxGAUSSINV", [2, 3, None, SHOW],
    2 * math.sqrt(1 + 9 * 4 / (4 * 9)) - 3 * 4 / (2 * 3))
add("logistic centre", "kxLOGISTIC", [5, 2, None, SHOW], 5)
add("lognormal mode", "kxLOGNORMAL", [10, 3, None, SHOW],
    math.exp(math.log(100 / math.sqrt(109)) - math.log(109 / 100)))
add("normal mean", "kxNORMAL", [100, 15, None, SHOW], 100)
add("normal mean despite a uniform", "kxNORMAL", [100, 15, 0.9, SHOW], 100)
add("pareto mode", "kxPARETO", [3, 2, None, SHOW], 2)
add("pareto2 mode", "kxPARETO2", [3, 2, None, SHOW], 0)
add("pert most likely", "kxPERT", [1, 3, 10, None, SHOW], 3)
add("poisson mode whole", "kxPOISSON", [4, None, SHOW], 4)
add("poisson mode 4.7", "kxPOISSON", [4.7, None, SHOW], 4)
add("rayleigh mode", "kxRAYLEIGH", [2, None, SHOW], 2)
add("student centre", "kxSTUDENT", [5, None, SHOW], 0)
add("triangular mode", "kxTRI", [0, 3, 10, None, SHOW], 3)
add("uniform centre", "kxUNIFORM", [2, 6, None, SHOW], 4)
add("weibull mode, shape 1", "kxWEIBULL", [1, 2, None, SHOW], 0)
add("weibull mode", "kxWEIBULL", [2, 3, None, SHOW], 3 * math.sqrt(0.5))
add("geometric mode", "kxGEO", [0.3, None, SHOW], 0)
add("hypergeometric mode", "kxHYPERGEO", [5, 10, 50, None, SHOW], round(6 * 11 / 52))
add("hypergeometric mode, sample 1", "kxHYPERGEO", [1, 10, 50, None, SHOW], 0)
add("integer uniform centre 2.5 to even", "kxINTUNI", [1, 4, None, SHOW], 2)
add("integer uniform centre 3.5 to even", "kxINTUNI", [1, 6, None, SHOW], 4)
add("negative binomial mode", "kxNEGBIN", [5, 0.4, None, SHOW], 6)
add("randbetween centre", "kxRANDBETWEEN", [2, 7, None, SHOW], 4.5)
add("randbetween centre, equal bounds", "kxRANDBETWEEN", [5, 5, None, SHOW], 5)

# Variates from a supplied uniform.
add("beta", "kxBETA", [2, 3, 0.3, SAMPLE], stats.beta.ppf(0.3, 2, 3))
add("general beta", "kxBETAGEN", [2, 3, 0.3, SAMPLE, 10, 20], stats.beta.ppf(0.3, 2, 3, loc=10, scale=10))
add("binomial", "kxBINOMIAL", [20, 0.3, 0.6, SAMPLE], discrete_quantile(stats.binom(20, 0.3), 0.6))
add("chi-square", "kxCHI2", [5, 0.3, SAMPLE], stats.chi2.ppf(0.3, 5))
add("chi-square from 680 degrees", "kxCHI2", [1000, 0.9, SAMPLE], stats.chi2.ppf(0.9, 1000))
add("chi-square, low u from 680 degrees", "kxCHI2", [5000, 0.01, SAMPLE], stats.chi2.ppf(0.01, 5000))
add("erf", "kxERF", [2, 0.7, SAMPLE], stats.norm.ppf(0.7, 0, 1 / (2 * math.sqrt(2))))
add("erlang", "kxERLANG", [3, 2, 0.4, SAMPLE], stats.gamma.ppf(0.4, 3, scale=2))
add("exponential", "kxEXPON", [5, 0.3, SAMPLE], stats.expon.ppf(0.3, scale=5))
add("exponential at u 0", "kxEXPON", [5, 0, SAMPLE], 0)
add("extreme value", "kxEXTVAL", [10, 2, 0.3, SAMPLE], stats.gumbel_r.ppf(0.3, 10, 2))
add("gamma", "kxGAMMA", [3, 2, 0.4, SAMPLE], stats.gamma.ppf(0.4, 3, scale=2))
add("inverse gaussian on the grid", "kxGAUSSINV", [1, 3, 0.4, SAMPLE], inverse_gaussian_grid(1, 3, 0.4))
add("inverse gaussian, first grid cell", "kxGAUSSINV", [1, 3, 1e-7, SAMPLE], inverse_gaussian_grid(1, 3, 1e-7))
top_mass = stats.invgauss.cdf(3, 1 / 3, scale=3)
assert top_mass < 0.999
add("inverse gaussian beyond the grid", "kxGAUSSINV", [1, 3, 0.999, SAMPLE], stats.invgauss.ppf(0.999, 1 / 3, scale=3))
add("inverse gaussian at u 0", "kxGAUSSINV", [1, 3, 0, SAMPLE], 0)
add("logistic", "kxLOGISTIC", [5, 2, 0.3, SAMPLE], stats.logistic.ppf(0.3, 5, 2))
log_sd = math.sqrt(math.log(109 / 100))
add("lognormal", "kxLOGNORMAL", [10, 3, 0.3, SAMPLE],
    stats.lognorm.ppf(0.3, log_sd, scale=100 / math.sqrt(109)))
add("normal at one half", "kxNORMAL", [100, 15, 0.5, SAMPLE], 100)
add("normal", "kxNORMAL", [100, 15, 0.3, SAMPLE], stats.norm.ppf(0.3, 100, 15))
add("normal asked in lower case", "kxNORMAL", [100, 15, 0.3, "'showmode"], stats.norm.ppf(0.3, 100, 15))
add("pareto", "kxPARETO", [3, 2, 0.3, SAMPLE], stats.pareto.ppf(0.3, 3, scale=2))
add("pareto2", "kxPARETO2", [3, 2, 0.3, SAMPLE], stats.lomax.ppf(0.3, 3, scale=2))
mean = (1 + 4 * 3 + 10) / 6
add("pert", "kxPERT", [1, 3, 10, 0.3, SAMPLE],
    stats.beta.ppf(0.3, 6 * (mean - 1) / 9, 6 * (10 - mean) / 9, loc=1, scale=9))
add("rayleigh", "kxRAYLEIGH", [2, 0.3, SAMPLE], stats.rayleigh.ppf(0.3, scale=2))
add("student lower half", "kxSTUDENT", [5, 0.3, SAMPLE], stats.t.ppf(0.3, 5))
add("student upper half", "kxSTUDENT", [5, 0.8, SAMPLE], stats.t.ppf(0.8, 5))
add("student at one half", "kxSTUDENT", [5, 0.5, SAMPLE], 0)
add("triangular lower side", "kxTRI", [0, 3, 10, 0.2, SAMPLE], stats.triang.ppf(0.2, 0.3, 0, 10))
add("triangular upper side", "kxTRI", [0, 3, 10, 0.7, SAMPLE], stats.triang.ppf(0.7, 0.3, 0, 10))
add("triangular at the turn", "kxTRI", [0, 3, 10, 0.3, SAMPLE], 3)
add("triangular, mode at the maximum", "kxTRI", [0, 10, 10, 0.36, SAMPLE], stats.triang.ppf(0.36, 1, 0, 10))
add("uniform", "kxUNIFORM", [2, 6, 0.3, SAMPLE], stats.uniform.ppf(0.3, 2, 4))
add("weibull", "kxWEIBULL", [1.5, 2, 0.3, SAMPLE], stats.weibull_min.ppf(0.3, 1.5, scale=2))
add("geometric", "kxGEO", [0.3, 0.5, SAMPLE], discrete_quantile(stats.geom(0.3, loc=-1), 0.5))
add("geometric at u 0", "kxGEO", [0.3, 0, SAMPLE], 0)
add("hypergeometric", "kxHYPERGEO", [5, 10, 50, 0.6, SAMPLE], discrete_quantile(stats.hypergeom(50, 10, 5), 0.6))
add("hypergeometric, sample 1", "kxHYPERGEO", [1, 10, 50, 0.9, SAMPLE],
    discrete_quantile(stats.hypergeom(50, 10, 1), 0.9))
add("hypergeometric, u in the mass of 0", "kxHYPERGEO", [5, 10, 50, 0.2, SAMPLE],
    discrete_quantile(stats.hypergeom(50, 10, 5), 0.2))
add("hypergeometric, support from 6", "kxHYPERGEO", [8, 8, 10, 0.5, SAMPLE],
    discrete_quantile(stats.hypergeom(10, 8, 8), 0.5))
add("integer uniform", "kxINTUNI", [1, 6, 0.4, SAMPLE], discrete_quantile(stats.randint(1, 7), 0.4))
add("integer uniform near 1", "kxINTUNI", [1, 6, 0.999, SAMPLE], 6)
add("integer uniform a hair below 1", "kxINTUNI", [1, 6, 0.9999999999999999, SAMPLE], 1 + math.floor(0.9999999999999999 * 6))
add("negative binomial", "kxNEGBIN", [5, 0.4, 0.6, SAMPLE], discrete_quantile(stats.nbinom(5, 0.4), 0.6))
add("negative binomial, u in the mass of 0", "kxNEGBIN", [5, 0.4, 0.005, SAMPLE],
    discrete_quantile(stats.nbinom(5, 0.4), 0.005))
add("poisson at u 0", "kxPOISSON", [2, 0, SAMPLE], 0)
add("poisson", "kxPOISSON", [4.5, 0.7, SAMPLE], discrete_quantile(stats.poisson(4.5), 0.7))
add("poisson, large mean", "kxPOISSON", [250, 0.3, SAMPLE], discrete_quantile(stats.poisson(250), 0.3))
add("poisson, large mean, below the start of the sum", "kxPOISSON", [250, 0.0005, SAMPLE],
    discrete_quantile(stats.poisson(250), 0.0005))
add("poisson, u next to 1", "kxPOISSON", [4.5, 1 - 1e-8, SAMPLE], discrete_quantile(stats.poisson(4.5), 1 - 1e-8))
add("randbetween", "kxRANDBETWEEN", [2, 7, 0.3, SAMPLE], 2 + 5 * 0.3)
add("randbetween, negative lower bound", "kxRANDBETWEEN", [-4, 6, 0.25, SAMPLE], -1.5)
add("randbetween, u below the lower bound's share", "kxRANDBETWEEN", [2, 7, 0.1, SAMPLE], 2.5)

# utRoundDLL: Python's round() goes to the even neighbour of the exact double product.
for value, digits in [(2.5, 0), (3.5, 0), (-2.5, 0), (0.125, 2), (0.375, 2), (1.005, 2), (1250, -2), (1350, -2),
                      (123.456, 1), (-7.45, 1)]:
    factor = 10.0 ** digits
    add("round %r to %d digits" % (value, digits), "utRoundDLL", [value, digits], round(value * factor) / factor)

with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "sampling_values.csv"), "w", newline="") as out:
    writer = csv.writer(out, lineterminator="\n")
    writer.writerow(["label", "function", "arguments", "expected"])
    writer.writerows(rows)
