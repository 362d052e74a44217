"""Exact isotope-distribution reference used to build training targets.

This is a numpy transcription of corvan's FFT engine: every element pattern
lives on a 1-dalton grid of N points, its real FFT is raised to the atom
count, the five transforms are multiplied, transformed back, negatives are
set to zero and the result is normalised to sum 1.

Fractional (averagine) compositions use real powers through the principal
complex logarithm, which is well defined because no bin of any element
transform comes near the negative real axis.
"""
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
AMINO = "ACDEFGHIKLMNPQRSTVWY"
RESIDUES = np.array([
    [3, 5, 1, 1, 0],   # A
    [3, 5, 1, 1, 1],   # C
    [4, 5, 1, 3, 0],   # D
    [5, 7, 1, 3, 0],   # E
    [9, 9, 1, 1, 0],   # F
    [2, 3, 1, 1, 0],   # G
    [6, 7, 3, 1, 0],   # H
    [6, 11, 1, 1, 0],  # I
    [6, 12, 2, 1, 0],  # K
    [6, 11, 1, 1, 0],  # L
    [5, 9, 1, 1, 1],   # M
    [4, 6, 2, 2, 0],   # N
    [5, 7, 1, 1, 0],   # P
    [5, 8, 2, 2, 0],   # Q
    [6, 12, 4, 1, 0],  # R
    [3, 5, 1, 2, 0],   # S
    [4, 7, 1, 2, 0],   # T
    [5, 9, 1, 1, 0],   # V
    [11, 10, 2, 1, 0], # W
    [9, 9, 1, 2, 0],   # Y
], dtype=np.float64)

BASES = "ACGU"
NUCLEOTIDES = np.array([
    [10, 11, 5, 6, 0],  # A
    [9, 11, 3, 7, 0],   # C
    [10, 11, 5, 7, 0],  # G
    [9, 10, 2, 8, 0],   # U
], dtype=np.float64)

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
