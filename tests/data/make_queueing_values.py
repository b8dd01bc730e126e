#!/usr/bin/python3
"""Reference values for the queueing models of mktfn's Main, from the textbook formulas.

Writes queueing_values.csv beside this script, one row per model and case:
    model,arrival_rate,service,servers,extra,U,P0,Pw,Pb,Lq,L,Wq,Ws,Wt
`service` is the service time for MD1/MG1 and the service rate otherwise; `extra` is the
standard deviation of the service time (MG1), the population (MMSP) or the maximum queue
(MMSQ), empty otherwise. Measures a model does not report are empty. Values to 17
significant digits, computed with mpmath at 50 digits, independently of the C++ code:

- MD1, MG1: Pollaczek-Khinchine, Lq = (λ²σ² + ρ²) / (2 (1 - ρ)).
- MMS: Erlang C, Pw = C(s, r), Lq = C ρ / (1 - ρ).
- MMSP: the finite-source model, p_n ∝ N! / (N - n)! r^n / (min(n, s)! s^max(n - s, 0)),
  effective arrival rate λ (N - L).
- MMSQ: M/M/s/K with K = s + Max_Queue, p_n ∝ r^n / n! below s and r^s / s! ρ^(n - s)
  from s to K; Pb = p_K, effective arrival rate λ (1 - p_K); Pw is the probability that an
  arriving unit waits: it finds every server busy and room in the queue, the sum of p_n for
  s <= n < K (0 when there is no room to wait), so that Pw + Pb + P(served at once) = 1.

Run:  /usr/bin/python3 tests/data/make_queueing_values.py
"""

import csv
import os

from mpmath import mp, mpf, factorial

mp.dps = 50
MEASURES = ["U", "P0", "Pw", "Pb", "Lq", "L", "Wq", "Ws", "Wt"]


def pk(lam, service_time, sigma):
    lam, t, sigma = mpf(lam), mpf(service_time), mpf(sigma)
    rho = lam * t
    lq = (lam ** 2 * sigma ** 2 + rho ** 2) / (2 * (1 - rho))
    wq = lq / lam
    return {"U": rho, "P0": 1 - rho, "Lq": lq, "L": lq + rho, "Wq": wq, "Ws": t, "Wt": wq + t}


def erlang_c(lam, mu, s):
    lam, mu = mpf(lam), mpf(mu)
    r = lam / mu
    rho = r / s
    tail = r ** s / (factorial(s) * (1 - rho))
    p0 = 1 / (sum(r ** n / factorial(n) for n in range(s)) + tail)
    c = tail * p0
    lq = c * rho / (1 - rho)
    wq = lq / lam
    return {"U": rho, "P0": p0, "Pw": c, "Lq": lq, "L": lq + r, "Wq": wq, "Ws": 1 / mu, "Wt": wq + 1 / mu}


def finite_source(lam, mu, s, population):
    lam, mu = mpf(lam), mpf(mu)
    r = lam / mu
    weights = [factorial(population) / factorial(population - n) * r ** n /
               (factorial(min(n, s)) * mpf(s) ** max(n - s, 0)) for n in range(population + 1)]
    total = sum(weights)
    p = [w / total for w in weights]
    length = sum(n * p[n] for n in range(population + 1))
    lq = sum((n - s) * p[n] for n in range(s + 1, population + 1))
    busy = sum(min(n, s) * p[n] for n in range(population + 1))
    effective = lam * (population - length)
    wq, wt = lq / effective, length / effective
    return {"U": busy / s, "P0": p[0], "Pw": sum(p[s:]), "Lq": lq, "L": length, "Wq": wq, "Ws": wt - wq, "Wt": wt}


def finite_queue(lam, mu, s, max_queue):
    lam, mu = mpf(lam), mpf(mu)
    r = lam / mu
    rho = r / s
    capacity = s + max_queue
    weights = [r ** n / factorial(n) if n < s else r ** s / factorial(s) * rho ** (n - s) for n in range(capacity + 1)]
    total = sum(weights)
    p = [w / total for w in weights]
    length = sum(n * p[n] for n in range(capacity + 1))
    lq = sum((n - s) * p[n] for n in range(s + 1, capacity + 1))
    pb = p[capacity]
    wq = lq / (lam * (1 - pb))
    pw = sum(p[s:capacity])
    return {"U": (length - lq) / s, "P0": p[0], "Pw": pw, "Pb": pb, "Lq": lq, "L": length, "Wq": wq,
            "Ws": 1 / mu, "Wt": wq + 1 / mu}


CASES = [
    ("MD1", 1, 0.5, "", "", pk(1, 0.5, 0)),
    ("MD1", 3, 0.25, "", "", pk(3, 0.25, 0)),
    ("MG1", 1, 0.5, "", 0.3, pk(1, 0.5, 0.3)),
    ("MG1", 2, 0.4, "", 0.6, pk(2, 0.4, 0.6)),
    ("MMS", 2, 3, 1, "", erlang_c(2, 3, 1)),
    ("MMS", 9, 4, 3, "", erlang_c(9, 4, 3)),
    ("MMS", 45, 1, 50, "", erlang_c(45, 1, 50)),
    ("MMS", 100, 7, 20, "", erlang_c(100, 7, 20)),
    ("MMSP", 1, 4, 1, 5, finite_source(1, 4, 1, 5)),
    ("MMSP", 1, 4, 2, 10, finite_source(1, 4, 2, 10)),
    ("MMSP", 2, 3, 3, 12, finite_source(2, 3, 3, 12)),
    ("MMSP", 1, 2, 4, 3, finite_source(1, 2, 4, 3)),
    ("MMSQ", 2, 3, 1, 0, finite_queue(2, 3, 1, 0)),
    ("MMSQ", 2, 3, 1, 4, finite_queue(2, 3, 1, 4)),
    ("MMSQ", 9, 4, 3, 5, finite_queue(9, 4, 3, 5)),
    ("MMSQ", 12, 2, 3, 10, finite_queue(12, 2, 3, 10)),
    ("MMSQ", 6, 2, 3, 242, finite_queue(6, 2, 3, 242)),
    ("MMSQ", 5, 1, 2, 242, finite_queue(5, 1, 2, 242)),
    ("MMSQ", 5, 1, 1, 3, finite_queue(5, 1, 1, 3)),
    ("MMSQ", 4, 1, 2, 0, finite_queue(4, 1, 2, 0)),
]


def main():
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "queueing_values.csv")
    with open(path, "w", newline="") as out:
        writer = csv.writer(out, lineterminator="\n")
        writer.writerow(["model", "arrival_rate", "service", "servers", "extra"] + MEASURES)
        for model, lam, service, servers, extra, measures in CASES:
            row = [model, lam, service, servers, extra]
            row += [mp.nstr(measures[m], 17) if m in measures else "" for m in MEASURES]
            writer.writerow(row)


if __name__ == "__main__":
    main()
