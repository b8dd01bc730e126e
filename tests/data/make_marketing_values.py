#!/usr/bin/python3
"""Reference values for the marketing worksheet functions of mktfn.

Writes marketing_values.json beside this script.  Everything is computed here
with numpy and scipy, independently of the C++ code: forecast accuracy measures
on two data sets, the Durbin-Watson statistic, sample sizes from the normal
quantile, chi-square tests of contingency tables, two-proportion z-tests,
coefficients of variation, the classical index numbers, and least-squares fits
of the Bass model on cumulative sales.  Run:
    /usr/bin/python3 tests/data/make_marketing_values.py

JSON layout: {"section": [case, ...], ...}; each case names its inputs and the
expected outputs in its own fields (see the sections below).
"""

import json
import os

import numpy as np
from scipy import stats

SEED = 20261208
OUT_NAME = "marketing_values.json"

rng = np.random.default_rng(SEED)


def rounded(values, digits=2):
    return [float(round(v, digits)) for v in values]


# ----- forecast accuracy ---------------------------------------------------------------

def accuracy(label, actual, forecast):
    a = np.array(actual)
    f = np.array(forecast)
    e = f - a
    n = len(a)
    mse = float(np.mean(e ** 2))
    errors_only = {
        "MSE": float(np.mean(e ** 2)),
        "MAD": float(np.mean(np.abs(e))),
        "RMSE": float(np.sqrt(np.mean(e ** 2))),
        "DW": float(np.sum(np.diff(e) ** 2) / np.sum(e ** 2)),
        "ME": float(np.mean(e)),
    }
    return {
        "label": label,
        "actual": actual,
        "forecast": forecast,
        "errors": [float(x) for x in e],
        "expected": {
            "MSE": mse,
            "MAD": float(np.mean(np.abs(e))),
            "RMSE": float(np.sqrt(mse)),
            # Durbin-Watson: squared successive differences over the squares of all n errors.
            "DW": float(np.sum(np.diff(e) ** 2) / np.sum(e ** 2)),
            "U": float(np.sqrt(mse / (np.var(a) + np.var(f)))),
            "MAPE": float(np.mean(np.abs(e / a))),
            "ME": float(np.mean(e)),
        },
        "expected_from_errors": errors_only,
    }


def forecast_cases():
    # A year of monthly sales against a three-month moving-average forecast.
    sales = [112.0, 118.0, 132.0, 129.0, 121.0, 135.0, 148.0, 148.0, 136.0, 119.0, 104.0, 118.0,
             115.0, 126.0, 141.0]
    actual = sales[3:]
    forecast = [round(float(np.mean(sales[i - 3:i])), 2) for i in range(3, len(sales))]
    cases = [accuracy("moving average of monthly sales", actual, forecast)]
    # A noisy trend against a fitted line, 20 periods.
    t = np.arange(1, 21)
    actual2 = rounded(50.0 + 2.5 * t + rng.normal(0.0, 4.0, t.size))
    slope, intercept = np.polyfit(t, actual2, 1)
    forecast2 = rounded(intercept + slope * t, 3)
    cases.append(accuracy("trend line over twenty periods", actual2, forecast2))
    return cases


# ----- sample sizes, chi-square, significance, variation -------------------------------

def z_of(confidence):
    return float(stats.norm.ppf(1.0 - (1.0 - confidence) / 2.0))


def sample_cases():
    cases = []
    for population, confidence, error_level, hypothesis in [
        (10000, 0.95, 0.05, 0.5), (500, 0.99, 0.03, 0.3), (1e6, 0.9, 0.02, 0.1), (120, 0.95, 0.1, 0.5)]:
        z = z_of(confidence)
        q = hypothesis * (1 - hypothesis)
        n = population * z * z * q / (error_level ** 2 * (population - 1) + z * z * q)
        cases.append({"population": population, "confidence": confidence, "error_level": error_level,
                      "hypothesis": hypothesis, "expected": n})
    return cases


def sample_min_cases():
    cases = []
    for a, b, confidence in [(0.5, 0.4, 0.95), (0.2, 0.25, 0.99), (0.7, 0.5, 0.9), (0.31, 0.3, 0.95)]:
        z = z_of(confidence)
        n = z * z * (a * (1 - a) + b * (1 - b)) / (a - b) ** 2
        cases.append({"like_a": a, "like_b": b, "confidence": confidence, "expected": n,
                      "expected_text": "%d" % int(np.floor(n + 0.5))})
    return cases


def chi_cases():
    cases = []
    tables = [
        [[20.0, 30.0], [30.0, 20.0]],
        [[12.0, 18.0, 30.0], [25.0, 15.0, 10.0]],
        [[40.0, 31.0, 19.0], [33.0, 35.0, 22.0], [17.0, 24.0, 29.0], [10.0, 10.0, 30.0]],
    ]
    for table, probability in zip(tables, [0.05, 0.01, 0.1]):
        observed = np.array(table)
        statistic, p_value, degrees, expected = stats.chi2_contingency(observed, correction=False)
        cases.append({
            "observed": table,
            "probability": probability,
            "expected_table": expected.tolist(),
            "expected_share": (expected / observed.sum()).tolist(),
            "p_value": float(p_value),
            "degrees": int(degrees),
            "statistic": float(statistic),
            # Probability arrives as a single-precision number.
            "critical": float(stats.chi2.isf(float(np.float32(probability)), degrees)),
        })
    return cases


def signif_cases():
    cases = []
    for proportions, sizes, significance in [
        ([0.5, 0.3], [400, 400], 0.95),
        ([0.42, 0.35, 0.47, 0.30], [250, 300, 200, 280], 0.95),
        ([0.12, 0.15, 0.10], [900, 850, 1000], 0.9),
    ]:
        letters = []
        for i, (pi, ni) in enumerate(zip(proportions, sizes)):
            text = ""
            for j, (pj, nj) in enumerate(zip(proportions, sizes)):
                pooled = (ni * pi + nj * pj) / (ni + nj)
                se = np.sqrt(pooled * (1 - pooled) * (1 / ni + 1 / nj))
                if se == 0:
                    continue
                z = (pi - pj) / se
                tail = stats.norm.cdf(-abs(z))
                if pi > pj and pj > 1e-18 and tail <= 1 - significance:
                    text += chr(97 + j)
            letters.append(text)
        cases.append({"proportions": proportions, "sizes": sizes, "significance": significance,
                      "expected": letters})
    return cases


def variation_cases():
    data = rounded(rng.normal(80.0, 12.0, 9), 1)
    x = np.array(data)
    return [{"observed": data, "sample": float(np.std(x, ddof=1) / np.mean(x)),
             "population": float(np.std(x, ddof=0) / np.mean(x))}]


# ----- index numbers -------------------------------------------------------------------

def index_cases():
    baskets = [
        ([1.0, 2.0], [2.0, 2.0], [10.0, 10.0], [10.0, 20.0]),
        ([2.5, 4.1, 0.8, 12.0, 7.35], [2.7, 4.0, 0.95, 12.6, 7.9],
         [120.0, 80.0, 400.0, 15.0, 44.0], [110.0, 95.0, 380.0, 18.0, 40.0]),
    ]
    cases = []
    for po, pn, qo, qn in baskets:
        po_, pn_, qo_, qn_ = map(np.array, (po, pn, qo, qn))
        las_p = 100 * (pn_ @ qo_) / (po_ @ qo_)
        paa_p = 100 * (pn_ @ qn_) / (po_ @ qn_)
        las_q = 100 * (po_ @ qn_) / (po_ @ qo_)
        paa_q = 100 * (pn_ @ qn_) / (pn_ @ qo_)
        cases.append({
            "price_old": po, "price_new": pn, "quantity_old": qo, "quantity_new": qn,
            "expected": {
                "kxLASP": float(las_p), "kxPAASCHEP": float(paa_p),
                "kxEDGEP": float(100 * (pn_ @ (qo_ + qn_)) / (po_ @ (qo_ + qn_))),
                "kxFISHERP": float(np.sqrt(las_p * paa_p)),
                "kxLASQ": float(las_q), "kxPAASCHEQ": float(paa_q),
                "kxEDGEQ": float(100 * (qn_ @ (po_ + pn_)) / (qo_ @ (po_ + pn_))),
                "kxFISHERQ": float(np.sqrt(las_q * paa_q)),
            },
        })
    return cases


# ----- Bass model ----------------------------------------------------------------------

def bass_fit(sales):
    """Least squares of S(t) on 1, Y(t-1), Y(t-1)^2 with Y(0) = 0; m the positive root."""
    s = np.array(sales)
    y = np.concatenate(([0.0], np.cumsum(s)[:-1]))
    design = np.column_stack([np.ones_like(y), y, y * y])
    (a, b, c), *_ = np.linalg.lstsq(design, s, rcond=None)
    roots = np.roots([c, b, a])
    real = [r.real for r in roots if abs(r.imag) == 0 and r.real > 0]
    m = min(real)
    return float(m), float(a / m), float(-c * m)


def bass_cases():
    cases = []
    # Sales from the period-by-period model itself: the fit must give back m, p and q.
    m, p, q = 5000.0, 0.02, 0.45
    cumulative = 0.0
    exact = []
    for _ in range(14):
        n = (p + q * cumulative / m) * (m - cumulative)
        exact.append(n)
        cumulative += n
    cases.append({"label": "sales of the discrete model", "sales": exact, "expected": [m, p, q]})
    # The same model with noise on the sales.
    noisy = rounded([x * (1.0 + rng.normal(0.0, 0.05)) for x in exact], 1)
    cases.append({"label": "noisy sales", "sales": noisy, "expected": list(bass_fit(noisy))})
    # A short series of a slower product.
    slow = [35.0, 48.0, 66.0, 82.0, 101.0, 112.0, 120.0, 114.0, 97.0, 80.0]
    cases.append({"label": "slow product", "sales": slow, "expected": list(bass_fit(slow))})
    return cases


def main():
    data = {
        "forecast_accuracy": forecast_cases(),
        "sample": sample_cases(),
        "sample_min": sample_min_cases(),
        "chi_square": chi_cases(),
        "significance": signif_cases(),
        "variation": variation_cases(),
        "index_numbers": index_cases(),
        "bass_fit": bass_cases(),
    }
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), OUT_NAME)
    with open(path, "w") as out:
        json.dump(data, out, indent=1)
        out.write("\n")


if __name__ == "__main__":
    main()
