"""Exact isotope-distribution reference used to build training targets.

This is a numpy transcription of corvan's FFT engine: every element pattern
lives on a 1-dalton grid of N points, its real FFT is raised to the atom
count, the five transforms are multiplied, transformed back, negatives are
set to zero and the result is normalised to sum 1.

Fractional (averagine) compositions use real powers through the principal
complex logarithm, which is well defined because no bin of any element
transform comes near the negative real axis.
"""
import re

import numpy as np

ELEMENTS = "CHNOS"
PATTERNS = [
    [0.9893, 0.0107],                       # C
    [0.999885, 0.000115],                   # H
    [0.99636, 0.00364],                     # N
    [0.99757, 0.00038, 0.00205],            # O
    [0.9499, 0.0075, 0.0425, 0.0, 0.0001],  # S
]

WATER = np.array([0, 2, 0, 1, 0], dtype=np.float64)


def _compositions(text):
    """The letters of "A C3H5NO  C C3H5NOS ..." in order, and a row of
    CHNOS counts per letter."""
    words = text.split()
    rows = [[0] * len(ELEMENTS) for _ in words[1::2]]
    for row, formula in zip(rows, words[1::2]):
        for symbol, count in re.findall(r"([A-Z])(\d*)", formula):
            row[ELEMENTS.index(symbol)] = int(count or 1)
    return "".join(words[0::2]), np.array(rows, dtype=np.float64)


# Residues (amino acid minus water) and RNA nucleotide units, in the CHNOS
# counts of the reference (phosphorus is not among its elements).
AMINO, RESIDUES = _compositions("""
    A C3H5NO    C C3H5NOS   D C4H5NO3   E C5H7NO3   F C9H9NO
    G C2H3NO    H C6H7N3O   I C6H11NO   K C6H12N2O  L C6H11NO
    M C5H9NOS   N C4H6N2O2  P C5H7NO    Q C5H8N2O2  R C6H12N4O
    S C3H5NO2   T C4H7NO2   V C5H9NO    W C11H10N2O Y C9H9NO2
""")
BASES, NUCLEOTIDES = _compositions("A C10H11N5O6  C C9H11N3O7  G C10H11N5O7  U C9H10N2O8")

AVERAGINE = np.array([4.9384, 7.7583, 1.3577, 1.4773, 0.0417])
AVERAGINE_MASS = 111.1254
RNA_UNIT_MASS = 320.2838134765625
RNA_MASS_OFFSET = 95.9534

MASS_DIVISORS = (1000000.0, 100000.0, 10000.0, 1000.0, 100.0)


def element_transforms(n):
    """rfft of every element pattern on an n-point grid, shape (5, n//2+1)."""
    grid = np.zeros((5, n))
    for e, p in enumerate(PATTERNS):
        grid[e, :len(p)] = p
    return np.fft.rfft(grid, axis=1)


_LOGS = {}


def _log_transforms(n):
    if n not in _LOGS:
        _LOGS[n] = np.log(element_transforms(n))
    return _LOGS[n]


def distribution(counts, n=256, chunk=20000):
    """Exact distributions for compositions counts (B, 5) -> (B, n) float64.

    Counts may be fractional (real powers via the principal logarithm).
    """
    counts = np.atleast_2d(np.asarray(counts, dtype=np.float64))
    logt = _log_transforms(n)
    out = np.empty((counts.shape[0], n))
    for s in range(0, counts.shape[0], chunk):
        c = counts[s:s + chunk]
        spectrum = np.exp(c @ logt)              # sum_e count_e * log(T_e)
        d = np.fft.irfft(spectrum, n=n, axis=1)
        d[d < 0] = 0.0
        d /= d.sum(axis=1, keepdims=True)
        out[s:s + chunk] = d
    return out


def distribution_int(counts, n):
    """Integer composition (5,) -> distribution, using integer powers."""
    t = element_transforms(n)
    spectrum = np.ones(n // 2 + 1, dtype=np.complex128)
    for e in range(5):
        spectrum *= t[e] ** int(counts[e])
    d = np.fft.irfft(spectrum, n=n)
    d[d < 0] = 0.0
    return d / d.sum()


def targets(counts, m, n=256):
    """First m points of the exact distribution, scaled so the max is 1."""
    d = distribution(counts, n)[:, :m]
    return d / d.max(axis=1, keepdims=True)


# ---- compositions -------------------------------------------------------

def peptide_composition(residue_counts):
    return WATER + np.asarray(residue_counts, dtype=np.float64) @ RESIDUES


def rna_composition(base_counts):
    return np.asarray(base_counts, dtype=np.float64) @ NUCLEOTIDES


def averagine_composition(mass):
    mass = np.asarray(mass, dtype=np.float64)
    return np.outer(mass / AVERAGINE_MASS, AVERAGINE)


def rnaveragine_composition(mass):
    mass = np.asarray(mass, dtype=np.float64)
    u = (mass + RNA_MASS_OFFSET) / RNA_UNIT_MASS
    return np.stack([9.5 * u, 10.75 * u, 3.75 * u, 7.0 * u - 4.0,
                     np.zeros_like(u)], axis=1)


# ---- network inputs ------------------------------------------------------

def residue_features(seqs):
    """Residue count vectors (float32) for a list of sequences; letters
    outside the twenty standard residues are not counted."""
    lut = np.full(256, 20, dtype=np.int64)
    for i, a in enumerate(AMINO):
        lut[ord(a)] = i
    out = np.zeros((len(seqs), 20), dtype=np.float32)
    for r, s in enumerate(seqs):
        codes = lut[np.frombuffer(s.encode("ascii"), dtype=np.uint8)]
        out[r] = np.bincount(codes, minlength=21)[:20]
    return out


def mass_features(mass):
    """Five float32 features mass/d, clamped to [0, 1], NaN -> 1."""
    m = np.asarray(mass, dtype=np.float64).astype(np.float32)
    with np.errstate(invalid="ignore", divide="ignore"):
        f = np.stack([m / np.float32(d) for d in MASS_DIVISORS], axis=1)
    f = f.astype(np.float32)
    f[np.isnan(f)] = 1.0
    return np.clip(f, np.float32(0), np.float32(1)).astype(np.float32)
