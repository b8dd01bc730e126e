#!/usr/bin/python3
"""Exact statistics of the outputs of the known-distribution simulation test, computed with scipy.

Outputs: "normal sum" = N(10, 2) + N(-3, 1.5); "uniform product" = U(0,1) * U(0,1);
"poisson count" = Poisson(4). For every statistic: its exact value and the standard error of
its estimate from a sample of N values (the test allows a few of these). Run from this folder:
/usr/bin/python3 make_simulation_known_outputs.py > simulation_known_outputs.tsv
"""
import math

from scipy import integrate, optimize, stats

N = 20000
PERCENTILES = [5, 25, 50, 75, 95]


def rows(name, mean, sd, fourth_central, quantile, density, discrete=False):
    yield name, "mean", mean, sd / math.sqrt(N)
    # The sample standard deviation's asymptotic variance: (mu4 - sigma^4) / (4 sigma^2 N).
    yield name, "std_dev", sd, math.sqrt((fourth_central - sd ** 4) / (4 * sd ** 2 * N))
    for p in PERCENTILES:
        q = quantile(p / 100)
        # A discrete quantile away from a jump of the cumulative is hit exactly.
        error = 0.0 if discrete else math.sqrt(p / 100 * (1 - p / 100) / N) / density(q)
        yield name, f"p{p}", q, error


normal = stats.norm(7, math.sqrt(2 ** 2 + 1.5 ** 2))
sd = normal.std()
lines = list(rows("normal sum", normal.mean(), sd, 3 * sd ** 4, normal.ppf, normal.pdf))


# The product of two independent uniforms: P(XY <= t) = t - t ln t, density -ln t.
def product_cdf(t):
    return t - t * math.log(t)


def product_quantile(p):
    return optimize.brentq(lambda t: product_cdf(t) - p, 1e-300, 1.0, xtol=1e-15, rtol=1e-15)


product_mean = 0.25
product_var = 1 / 9 - 1 / 16
product_mu4 = integrate.quad(lambda t: (t - product_mean) ** 4 * -math.log(t), 0, 1, epsabs=1e-14)[0]
lines += rows("uniform product", product_mean, math.sqrt(product_var), product_mu4, product_quantile,
              lambda t: -math.log(t))

poisson = stats.poisson(4)
lines += rows("poisson count", 4.0, 2.0, 4 * (1 + 3 * 4), poisson.ppf, None, discrete=True)

print("output\tstatistic\texact\tstandard_error")
for name, statistic, exact, error in lines:
    print(f"{name}\t{statistic}\t{exact!r}\t{error!r}")
