#!/usr/bin/python3
"""Nearest correlation matrices for the simulation's --fix-correlations, computed with numpy.

Higham's alternating projections with Dykstra's correction (N. J. Higham, "Computing the
nearest correlation matrix - a problem from finance", IMA J. Numer. Anal. 22, 2002), written
here from the paper: the projection onto positive semi-definite matrices clips the eigenvalues
at zero, the projection onto unit-diagonal matrices sets the diagonal to one. Iterated until the
iterates change by less than 1e-14. Writes nearest_correlation.json beside this script.
"""
import json
import os

import numpy as np

MATRICES = [
    # Three inputs whose correlations contradict each other.
    [[1.0, 0.9, 0.7], [0.9, 1.0, -0.4], [0.7, -0.4, 1.0]],
    # Four inputs, one negative eigenvalue.
    [[1.0, 0.8, 0.6, -0.5], [0.8, 1.0, 0.9, 0.1], [0.6, 0.9, 1.0, 0.7], [-0.5, 0.1, 0.7, 1.0]],
    # Higham's own example.
    [[2.0, -1.0, 0.0, 0.0], [-1.0, 2.0, -1.0, 0.0], [0.0, -1.0, 2.0, -1.0], [0.0, 0.0, -1.0, 2.0]],
]


def psd(a):
    values, vectors = np.linalg.eigh((a + a.T) / 2)
    return vectors @ np.diag(np.maximum(values, 0)) @ vectors.T


def nearest(a):
    y = np.array(a, dtype=float)
    ds = np.zeros_like(y)
    for _ in range(100000):
        r = y - ds
        x = psd(r)
        ds = x - r
        next_y = x.copy()
        np.fill_diagonal(next_y, 1.0)
        if np.linalg.norm(next_y - y, "fro") < 1e-14:
            y = next_y
            break
        y = next_y
    return y


cases = []
for m in MATRICES:
    a = np.array(m)
    cases.append({
        "matrix": m,
        "smallest_eigenvalue": float(np.linalg.eigvalsh(a)[0]),
        "nearest": nearest(a).tolist(),
    })
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "nearest_correlation.json"), "w") as out:
    json.dump(cases, out, indent=1)
    out.write("\n")
