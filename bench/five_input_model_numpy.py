#!/usr/bin/python3
"""The five-input model of simulation_bench.cpp vectorised in numpy, as the yardstick for
`kx simulate` on the same model: time both as whole processes, one after the other.

    time /usr/bin/python3 bench/five_input_model_numpy.py 1000000
    time build/cli/kx simulate five_input_model.csv -n 1000000 --seed 1

Each variate comes from scipy's quantile function of a uniform, as the sampling functions
draw theirs; the summary is what the text report shows of every series (mean, standard
deviation, extremes, percentiles and a histogram from one sort)."""
import sys

import numpy as np
from scipy import stats


def main():
    n = int(sys.argv[1]) if len(sys.argv) > 1 else 1_000_000
    rng = np.random.default_rng(1)
    a1 = stats.norm.ppf(rng.random(n), 10, 2)
    a2 = stats.norm.ppf(rng.random(n), -3, 1.5)
    a3 = rng.random(n)
    a4 = rng.random(n)
    a5 = stats.poisson.ppf(rng.random(n), 4)
    outputs = [a1 + a2, a3 * a4, a5]
    for series in [a1, a2, a3, a4, a5] + outputs:
        ordered = np.sort(series)
        mean = ordered.mean()
        sd = ordered.std(ddof=1)
        percentiles = np.percentile(ordered, [5, 25, 50, 75, 95])
        counts, _ = np.histogram(ordered, bins=20)
        print(f"{mean:.6g} {sd:.6g} {ordered[0]:.6g} {ordered[-1]:.6g} {percentiles} {counts.max()}")


if __name__ == "__main__":
    main()
