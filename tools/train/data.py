"""Training and evaluation sets for every network (deterministic seeds).

Proteins of the E. coli proteome are split once: every fifth protein (in a
seeded random order) is held out and only used for evaluation sets.
"""
import gzip
import os
import zlib

import numpy as np

import reference as R
import stress
from netdefs import NETS

ROOT = os.path.normpath(os.path.join(os.path.dirname(__file__), "..", ".."))
PROTEOME = os.path.join(ROOT, "data", "ecoli-proteome.fasta.gz")
TARGET_POINTS = 256   # grid for exact targets (ample for every network range)

_PROTEINS = None


def proteins():
    """(train_proteins, heldout_proteins) as lists of strings."""
    global _PROTEINS
    if _PROTEINS is None:
        seqs, cur = [], []
        with gzip.open(PROTEOME, "rt") as fh:
            for line in fh:
                line = line.strip()
                if line.startswith(">"):
                    if cur:
                        seqs.append("".join(cur))
                    cur = []
                elif line:
                    cur.append(line)
        if cur:
            seqs.append("".join(cur))
        order = np.random.default_rng(12345).permutation(len(seqs))
        held = [seqs[i] for i in order if i % 5 == 0]
        train = [seqs[i] for i in order if i % 5 != 0]
        _PROTEINS = (train, held)
    return _PROTEINS


def tryptic(seq, missed=0):
    """Tryptic peptides (cleave after K/R, not before P), up to `missed`."""
    pieces, start = [], 0
    for i, ch in enumerate(seq):
        if ch in "KR" and (i + 1 == len(seq) or seq[i + 1] != "P"):
            pieces.append(seq[start:i + 1])
            start = i + 1
    if start < len(seq):
        pieces.append(seq[start:])
    out = []
    for k in range(missed + 1):
        for i in range(len(pieces) - k):
            out.append("".join(pieces[i:i + k + 1]))
    return out


def _counts_of(seqs, lo=0, hi=10 ** 9):
    """Residue counts, keeping rows whose counted length is in lo..hi."""
    c = R.residue_features(seqs).astype(np.float64)
    tot = c.sum(axis=1)
    return c[(tot >= lo) & (tot <= hi)]


def _windows(rng, prots, n, lo, hi):
    """n random windows with lengths uniform in lo..hi from proteins."""
    lens = np.array([len(p) for p in prots])
    ok = np.nonzero(lens >= lo)[0]
    out = []
    while len(out) < n:
        p = prots[ok[rng.integers(len(ok))]]
        length = int(rng.integers(lo, min(hi, len(p)) + 1))
        s = int(rng.integers(0, len(p) - length + 1))
        out.append(p[s:s + length])
    return out


def _random_compositions(rng, n, k, lo, hi, alphas):
    """Multinomial counts over k letters, lengths uniform lo..hi, letter
    probabilities from Dirichlet(alpha) with alpha drawn from `alphas`
    (alpha None -> uniform letters)."""
    lengths = rng.integers(lo, hi + 1, size=n)
    out = np.zeros((n, k))
    for i in range(n):
        a = alphas[rng.integers(len(alphas))]
        p = np.full(k, 1.0 / k) if a is None else rng.dirichlet(np.full(k, a))
        out[i] = rng.multinomial(lengths[i], p)
    return out


def _all_small(k, maxlen):
    """Every composition over k letters with total length 1..maxlen."""
    out = []

    def rec(prefix, left, pos):
        if pos == k - 1:
            out.append(prefix + [left])
            return
        for c in range(left + 1):
            rec(prefix + [c], left - c, pos + 1)
    for length in range(1, maxlen + 1):
        rec([], length, 0)
    return np.array(out, dtype=np.float64)


def _in_range(seqs, lo, hi):
    return [s for s in seqs if lo <= len(s) <= hi]


# ---- per-kind builders -------------------------------------------------

def residue_set(net, n, rng, split):
    lo, hi = net["lo"], net["hi"]
    train_p, held_p = proteins()
    if split == "eval":
        # tryptic peptides of held-out proteins, plus long windows
        pep = []
        for p in held_p:
            pep.extend(tryptic(p, missed=1))
        pep = _in_range(pep, lo, hi)
        rng.shuffle(pep)
        pep = pep[:n // 2] if hi > 50 else pep[:n]
        pep += _windows(rng, held_p, n - len(pep), lo, hi)
        x = _counts_of(pep, lo, hi)
        if net.get("with_zero"):
            x = np.vstack([np.zeros((1, 20)), x])
        return x
    parts = []
    pep = []
    for p in train_p:
        pep.extend(tryptic(p, missed=3))
    pep = _in_range(pep, lo, hi)
    rng.shuffle(pep)
    n_tryp = min(len(pep), int(0.35 * n))
    parts.append(_counts_of(pep[:n_tryp], lo, hi))
    n_win = int(0.35 * n) + int(0.35 * n) - n_tryp
    parts.append(_counts_of(_windows(rng, train_p, n_win, lo, hi), lo, hi))
    n_rest = n - n_tryp - n_win
    parts.append(_random_compositions(rng, n_rest, 20, lo, hi,
                                      [None, 2.0, 1.0, 0.5, 0.3]))
    if lo <= 3:
        parts.append(_all_small(20, 3))
        # short peptides are frequent in digests: sample them densely
        short = []
        for p in train_p:
            short.extend(tryptic(p, missed=0))
        short = [s for s in short if len(s) <= 15]
        rng.shuffle(short)
        parts.append(_counts_of(short[:n // 8], lo, hi))
        parts.append(_counts_of(_windows(rng, train_p, n // 8, lo, 12),
                                lo, hi))
    if net.get("with_zero"):
        parts.append(np.zeros((max(1, n // 50), 20)))
    return np.vstack(parts)


def base_set(net, n, rng, split):
    lo, hi = net["lo"], net["hi"]
    if split == "eval":
        half = n // 2
        return np.vstack([
            _random_compositions(rng, half, 4, lo, hi, [None]),
            _random_compositions(rng, n - half, 4, lo, hi, [1.0, 0.3])])
    alphas = [None, None, 5.0, 1.0, 0.5, 0.2, 0.05]
    parts = [_random_compositions(rng, n, 4, lo, hi, alphas)]
    if lo <= 1:
        # short oligos change shape quickly with every base: sample densely
        parts.append(_random_compositions(rng, n // 3, 4, lo, 40, alphas))
    if lo <= 6:
        parts.append(_all_small(4, 6))
    return np.vstack(parts)


def mass_set(net, n, rng, split):
    lo, hi = net["lo"], net["hi"]
    if split == "eval":
        return rng.uniform(lo, hi, size=n)
    span = hi - lo
    parts = [rng.uniform(lo - 0.01 * span if lo > 0 else 0.0,
                         hi + 0.01 * span, size=int(0.8 * n)),
             # extra density at both ends of the band
             rng.uniform(lo, lo + 0.05 * span, size=int(0.1 * n)),
             rng.uniform(hi - 0.05 * span, hi, size=int(0.1 * n))]
    if lo <= 0:
        parts.append(np.zeros(max(1, n // 500)))
        parts.append(rng.uniform(0.0, 20.0, size=n // 100))
    return np.concatenate(parts)


def usage(prots):
    """Amino-acid usage (20 frequencies) of a list of proteins."""
    c = R.residue_features(prots).sum(axis=0).astype(np.float64)
    return c / c.sum()


def stress_set(net, n, rng, split):
    """Stress compositions (see stress.py): held-out proteins for the
    'stress' evaluation split, training proteins for 'harden' and
    'polish'."""
    lo, hi = net["lo"], net["hi"]
    kind = net["kind"]
    if kind == "residues" and split == "polish":
        train_p, _ = proteins()
        return stress.residue_polish(rng, n, lo, hi, train_p, usage(train_p),
                                     net.get("polish"))
    if kind == "residues":
        train_p, held_p = proteins()
        prots = held_p if split == "stress" else train_p
        top = net.get("harden_top", 0.7) if split == "harden" else 0.7
        x = stress.residue_stress(rng, n, lo, hi, prots, usage(train_p),
                                  top)
        if net.get("with_zero"):
            x = np.vstack([np.zeros((1, 20)), x])
        return x
    if kind == "bases":
        return stress.base_stress(rng, n, lo, hi)
    return stress.mass_stress(rng, n, lo, hi)


def make_set(name, split, n=None, seed=None):
    """Return (x float32 network inputs, y float32 targets, raw) for a net.

    raw is the count matrix or the mass vector the inputs came from.
    """
    net = NETS[name]
    if n is None:
        n = net.get("n_" + split, 100000 if split == "train" else 20000)
    if seed is None:
        seed = zlib.crc32(("%s/%s" % (name, split)).encode())
    rng = np.random.default_rng(seed)
    kind, m = net["kind"], net["m"]
    if split in ("stress", "harden", "polish"):
        raw = stress_set(net, n, rng, split)
    elif kind == "residues":
        raw = residue_set(net, n, rng, split)
    elif kind == "bases":
        raw = base_set(net, n, rng, split)
    else:
        raw = mass_set(net, n, rng, split)
    if kind == "residues":
        comp = R.peptide_composition(raw)
        x = raw.astype(np.float32)
    elif kind == "bases":
        comp = R.rna_composition(raw)
        x = raw.astype(np.float32)
    else:
        if kind == "pepmass":
            comp = R.averagine_composition(np.maximum(raw, 0.0))
        else:
            comp = R.rnaveragine_composition(raw)
        x = R.mass_features(raw)
    y = R.targets(comp, m, TARGET_POINTS).astype(np.float32)
    return x, y, raw
