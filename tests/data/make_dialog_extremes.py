#!/usr/bin/python3
"""Reference values for the distribution dialog at extreme parameters.

Writes dialog_extremes.csv beside this script: code, label, parameters, the statistics row
(mean, mode, median) or an x for P(X <= x), and the value, computed with mpmath at 40 digits,
independently of the component:

- Beta 1e308 1e308: mean a / (a + b) and mode (a - 1) / (a + b - 2) in exact arithmetic.
- Binomial 1e15 0.5: the median, the smallest k with P(X <= k) >= 1/2: n p, as a binomial with
  p = 1/2 is symmetric about n p and P(X = n p) > 0.
- Hypergeometric with a batch of 3.98e9: P(X <= x) summed from the probabilities of the
  nearer tail, each from log-gammas at 40 digits, and the median.

Run with Debian's python3-mpmath: /usr/bin/python3 make_dialog_extremes.py
"""
import csv
import os

import mpmath

mpmath.mp.dps = 40


def hypergeometric_cdf(x, n, k, total):
    def log_choose(a, b):
        return mpmath.loggamma(a + 1) - mpmath.loggamma(b + 1) - mpmath.loggamma(a - b + 1)

    def pmf(i):
        return mpmath.exp(log_choose(k, i) + log_choose(total - k, n - i) - log_choose(total, n))

    mean = mpmath.mpf(n) * k / total
    term = pmf(x)
    total_sum = mpmath.mpf(0)
    if x < mean:
        i = x
        while term > total_sum * mpmath.mpf("1e-30") and i >= max(0, n + k - total):
            total_sum += term
            term *= mpmath.mpf(i) * (total - k - n + i) / ((k - i + 1) * (n - i + 1))
            i -= 1
        return total_sum
    i = x
    while i < min(n, k):
        term *= mpmath.mpf(k - i) * (n - i) / ((i + 1) * (total - k - n + i + 1))
        i += 1
        if term < total_sum * mpmath.mpf("1e-30"):
            break
        total_sum += term
    return 1 - total_sum


def main():
    rows = []
    a = b = mpmath.mpf("1e308")
    rows.append((1, "Beta", "1e308 1e308", "mean", a / (a + b)))
    rows.append((1, "Beta", "1e308 1e308", "mode", (a - 1) / (a + b - 2)))
    rows.append((2, "Beta general", "1e308 1e308 0 10", "mean", 10 * a / (a + b)))
    rows.append((3, "Binomial", "1e15 0.5", "median", mpmath.mpf(10) ** 15 / 2))
    n, k, total = 1990000000, 995000000, 3980000000
    label, parameters = "Hypergeometric", "1.99e9 9.95e8 3.98e9"
    median = n * k // total
    assert hypergeometric_cdf(median, n, k, total) >= 0.5 > hypergeometric_cdf(median - 1, n, k, total)
    rows.append((17, label, parameters, "median", mpmath.mpf(median)))
    for x in (497450816, 497499999, 497510000, 497530000):
        rows.append((17, label, parameters, str(x), hypergeometric_cdf(x, n, k, total)))
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "dialog_extremes.csv"), "w", newline="") as out:
        writer = csv.writer(out, lineterminator="\n")
        writer.writerow(["code", "label", "parameters", "row", "value"])
        for code, name, given, row, value in rows:
            writer.writerow([code, name, given, row, mpmath.nstr(value, 17)])


main()
