"""Stress compositions: what the E. coli hold-out rarely shows.

Real proteomes contain low-complexity stretches (K/E/S-rich, P/G-rich,
Q/N-rich, acidic or basic patches, collagen-like repeats, poly-residue runs)
and whole proteins whose amino-acid usage is far from E. coli's; RNA comes
as homopolymer tails, repeats and strongly skewed compositions.  The same
generators build the stress evaluation sets (held-out proteins, their own
seeds) and the extra training compositions (training proteins, other
seeds).  Every length range is sampled uniformly with both ends weighted
extra, because the ends are where a network hands over to its neighbour.
"""
import numpy as np

import reference as R

AMINO = R.AMINO
_IDX = {a: i for i, a in enumerate(AMINO)}

# letter groups scored when mining low-complexity windows of real proteins
WINDOW_GROUPS = ("KES", "PG", "QN", "DE", "KR", "ST", "AG")

# low-complexity usages of real proteins: a few letters make up 30..70 %
SKEWED_USAGES = ("KES", "PG", "QN", "DE", "KR", "GPA", "STP", "GAS", "CSTP",
                 "VGPA", "PEVK", "NKIY", "RG", "AK", "SR", "GY", "EK", "NS",
                 "QP", "HQ", "AEK", "GSY", "SG", "PS")

# residues that form long single-residue runs in real proteins
RUN_LETTERS = "QNAEGSPDHKRT"
MAX_RUN = 40

RNA_MOTIFS = ("AU", "GC", "CAG", "CUG", "CGG", "GGGGCC", "UUA", "AAUAAA",
              "GU", "ACGU", "GGA", "UUUUG", "CCG", "AG")


def lengths(rng, n, lo, hi, end_share=0.2):
    """n lengths uniform in lo..hi; end_share of them sit on lo or hi."""
    out = rng.integers(lo, hi + 1, size=n)
    ends = rng.random(n) < end_share
    out[ends] = np.where(rng.random(int(ends.sum())) < 0.5, lo, hi)
    return out


def _counts(seq):
    c = np.zeros(20)
    for ch in seq:
        if ch in _IDX:
            c[_IDX[ch]] += 1
    return c


def _onehot(seq):
    """(len, 20) one-hot rows; letters outside the twenty give zero rows."""
    codes = np.array([_IDX.get(ch, 20) for ch in seq])
    return np.eye(21)[codes][:, :20]


def _group_mask(letters, k=20, alphabet=AMINO):
    mask = np.zeros(k)
    for ch in letters:
        mask[alphabet.index(ch)] = 1.0
    return mask


# ---- peptides ----------------------------------------------------------

def lowcomplexity_windows(rng, prots, n, lo, hi, grid=12):
    """n residue-count rows of the most low-complexity windows of `prots`.

    For a grid of window lengths over lo..hi (both ends included) and every
    letter group, each protein contributes its window richest in that group
    (or of lowest entropy); the richest proteins are kept.
    """
    grid_l = np.unique(np.concatenate([
        [lo, hi], np.round(np.linspace(lo, hi, grid)).astype(int)]))
    prefix = [np.vstack([np.zeros((1, 20)), np.cumsum(_onehot(p), axis=0)])
              for p in prots]
    scorers = [("group", _group_mask(g)) for g in WINDOW_GROUPS]
    scorers.append(("entropy", None))
    per_cell = max(1, n // (len(grid_l) * len(scorers)))
    rows = []
    for length in grid_l:
        wins = [(pi, p[length:] - p[:-length]) for pi, p in enumerate(prefix)
                if p.shape[0] > length]
        if not wins:
            continue
        for kind, mask in scorers:
            best_score, best_row = [], []
            for _, w in wins:
                if kind == "group":
                    s = w @ mask
                else:
                    q = w / length
                    with np.errstate(divide="ignore", invalid="ignore"):
                        s = np.nansum(q * np.log(q), axis=1)  # -entropy
                j = int(np.argmax(s))
                best_score.append(s[j])
                best_row.append(w[j])
            order = np.argsort(-np.asarray(best_score), kind="stable")
            take = order[:per_cell]
            rows.extend(best_row[i] for i in take)
    rows = np.asarray(rows, dtype=np.float64)
    rng.shuffle(rows)
    return rows[:n]


def skewed_compositions(rng, n, lo, hi, background, top=0.7):
    """Usages dominated by a few letters (30 % .. top), mixed with a
    background usage."""
    ls = lengths(rng, n, lo, hi)
    out = np.zeros((n, 20))
    for i in range(n):
        g = SKEWED_USAGES[rng.integers(len(SKEWED_USAGES))]
        mask = _group_mask(g)
        dom = rng.dirichlet(np.full(len(g), 2.0))
        p_dom = np.zeros(20)
        p_dom[mask > 0] = dom
        r = rng.random()
        if r < 0.4:
            bg = background
        elif r < 0.7:
            bg = rng.dirichlet(np.full(20, 1.0))
        else:
            bg = np.full(20, 0.05)
        w = rng.uniform(0.3, top)
        out[i] = rng.multinomial(ls[i], w * p_dom + (1 - w) * bg)
    return out


def far_usages(rng, n, lo, hi, background):
    """Whole-protein usages far from E. coli's: every letter's frequency
    scaled by a random log-normal factor (sigma 0.5 or 1)."""
    ls = lengths(rng, n, lo, hi)
    out = np.zeros((n, 20))
    for i in range(n):
        sigma = (0.5, 1.0)[rng.integers(2)]
        p = background * np.exp(sigma * rng.standard_normal(20))
        out[i] = rng.multinomial(ls[i], p / p.sum())
    return out


def _window(rng, prots, length):
    """A window of exactly `length` residues; short proteins are repeated."""
    p = prots[rng.integers(len(prots))]
    while len(p) < length:
        p = p + prots[rng.integers(len(prots))]
    s = int(rng.integers(0, len(p) - length + 1))
    return p[s:s + length]


def collagen_like(rng, n, lo, hi, prots):
    """(G-X-Y) repeats, X and Y often P, part of a real window."""
    ls = lengths(rng, n, lo, hi)
    out = np.zeros((n, 20))
    others = "AEKRSDQTNLV"
    for i in range(n):
        length = int(ls[i])
        rep = int(round(length * rng.uniform(0.5, 1.0)))
        px, py = rng.uniform(0.3, 0.7), rng.uniform(0.2, 0.6)
        motif = []
        for k in range(rep):
            if k % 3 == 0:
                motif.append("G")
            elif k % 3 == 1:
                motif.append("P" if rng.random() < px else
                             others[rng.integers(len(others))])
            else:
                motif.append("P" if rng.random() < py else
                             others[rng.integers(len(others))])
        rest = _window(rng, prots, length - rep) if length > rep else ""
        out[i] = _counts("".join(motif) + rest)
    return out


def poly_runs(rng, n, lo, hi, prots):
    """A real window with a single-residue run (up to MAX_RUN) replacing
    part of it."""
    ls = lengths(rng, n, lo, hi)
    out = np.zeros((n, 20))
    for i in range(n):
        length = int(ls[i])
        run = min(MAX_RUN, max(1, int(round(length * rng.uniform(0.1, 0.8)))))
        run = min(run, length)
        c = _counts(_window(rng, prots, length - run)) if length > run \
            else np.zeros(20)
        c[_IDX[RUN_LETTERS[rng.integers(len(RUN_LETTERS))]]] += run
        out[i] = c
    return out


def homopolymers(lo, hi):
    """Every run-forming residue repeated lo..min(hi, MAX_RUN) times."""
    rows = []
    for a in [_IDX[ch] for ch in RUN_LETTERS]:
        for length in range(lo, min(hi, MAX_RUN) + 1):
            c = np.zeros(20)
            c[a] = length
            rows.append(c)
    return np.asarray(rows)


def plain_windows_at_ends(rng, n, lo, hi, prots):
    """Ordinary windows exactly at the range ends (lo, lo+1, hi-1, hi)."""
    ends = [lo, min(hi, lo + 1), max(lo, hi - 1), hi]
    return np.asarray([_counts(_window(rng, prots, ends[i % 4]))
                       for i in range(n)])


def residue_stress(rng, n, lo, hi, prots, background, top=0.7):
    """Stress residue counts for a network of range lo..hi; `top` is the
    largest share of the dominant letters in skewed compositions (training
    sets may reach further than the evaluation set)."""
    parts = [
        lowcomplexity_windows(rng, prots, int(0.25 * n), lo, hi),
        skewed_compositions(rng, int(0.25 * n), lo, hi, background, top),
        far_usages(rng, int(0.1 * n), lo, hi, background),
        collagen_like(rng, int(0.1 * n), lo, hi, prots),
        poly_runs(rng, int(0.2 * n), lo, hi, prots),
        plain_windows_at_ends(rng, int(0.05 * n), lo, hi, prots),
    ]
    if lo <= MAX_RUN:
        parts.append(homopolymers(lo, hi))
    c = np.vstack(parts)
    tot = c.sum(axis=1)
    return c[(tot >= lo) & (tot <= hi)]


def dominated(rng, n, lo, hi, background, top=1.0, other_top=0.7):
    """One letter making up 30 % .. top of the composition (top 1 gives
    whole-length homopolymers), the rest a background usage.  The
    run-forming residues (glycine, proline, ...) are drawn twice as often as
    the others and reach `top`; the others, whose long stretches real
    proteins lack (and whose homopolymers are far off every realistic
    pattern), reach `other_top`."""
    weights = np.array([2.0 if a in RUN_LETTERS else 1.0 for a in AMINO])
    weights /= weights.sum()
    ls = lengths(rng, n, lo, hi)
    out = np.zeros((n, 20))
    for i in range(n):
        a = rng.choice(20, p=weights)
        r = rng.random()
        bg = background if r < 0.5 else rng.dirichlet(np.full(20, 1.0))
        t = top if AMINO[a] in RUN_LETTERS else other_top
        w = min(1.0, rng.uniform(0.3, t + 0.1))
        p = (1 - w) * bg
        p[a] += w
        out[i] = rng.multinomial(ls[i], p)
    return out


def sparse_usages(rng, n, lo, hi, alphas=(0.1, 0.3, 1.0)):
    """Random usages from a sparse Dirichlet over the twenty letters: a
    few letters of any kind in any proportion.  The atom counts of such
    compositions spread over the whole reach of the length range, which is
    what a network whose first layer sees only atoms has to cover."""
    ls = lengths(rng, n, lo, hi)
    out = np.zeros((n, 20))
    for i in range(n):
        a = alphas[rng.integers(len(alphas))]
        out[i] = rng.multinomial(ls[i], rng.dirichlet(np.full(20, a)))
    return out


def homopolymer_grid(lo, hi, letters, points=60):
    """Homopolymers of `letters` at about `points` lengths over lo..hi."""
    ls = np.unique(np.concatenate([
        [lo, hi], np.round(np.linspace(lo, hi, points)).astype(int)]))
    rows = []
    for a in [_IDX[ch] for ch in letters]:
        for length in ls:
            c = np.zeros(20)
            c[a] = length
            rows.append(c)
    return np.asarray(rows)


# polish-stage mixture (train.py, per network in netdefs.py): share of the
# stress generators and the largest share of their dominant letters, share
# of single-letter-dominated compositions and their largest letter shares,
# share of sparse usages, longest homopolymer (0: none)
POLISH_RECIPE = dict(stress=1.0, stress_top=0.7, dominated=0.0, run_top=0.6,
                     other_top=0.4, sparse=0.0, homopolymers=0)


def residue_polish(rng, n, lo, hi, prots, background, recipe=None):
    """Extra training compositions for the polish stage (train.py): the
    stress generators on training proteins, one letter dominating (the
    run-forming residues, glycine and proline among them, up to run_top,
    the others up to other_top), sparse usages and homopolymers of the
    run-forming residues up to `homopolymers` residues."""
    r = dict(POLISH_RECIPE, **(recipe or {}))
    parts = [residue_stress(rng, int(r["stress"] * n), lo, hi, prots,
                            background, r["stress_top"])]
    if r["dominated"] > 0:
        parts.append(dominated(rng, int(r["dominated"] * n), lo, hi,
                               background, r["run_top"], r["other_top"]))
    if r["sparse"] > 0:
        parts.append(sparse_usages(rng, int(r["sparse"] * n), lo, hi))
    if lo <= r["homopolymers"]:
        parts.append(homopolymer_grid(lo, min(hi, r["homopolymers"]),
                                      RUN_LETTERS))
    c = np.vstack(parts)
    tot = c.sum(axis=1)
    return c[(tot >= lo) & (tot <= hi)]


# ---- RNA ---------------------------------------------------------------

def base_stress(rng, n, lo, hi):
    """Stress base counts: homopolymers, repeats, two-base and strongly
    skewed compositions, over lo..hi with extra weight at both ends."""
    parts = []
    step = max(1, (hi - lo) // 100)
    ls = sorted(set(range(lo, hi + 1, step)) | {lo, hi})
    for b in range(4):
        for length in ls:
            c = np.zeros(4)
            c[b] = length
            parts.append(c)
    k = int(0.2 * n)
    ls = lengths(rng, k, lo, hi)
    for i in range(k):                      # two bases
        pair = rng.choice(4, size=2, replace=False)
        f = rng.random()
        c = np.zeros(4)
        c[pair[0]] = int(round(f * ls[i]))
        c[pair[1]] = ls[i] - c[pair[0]]
        parts.append(c)
    ls = lengths(rng, k, lo, hi)
    for i in range(k):                      # one dominant base
        p = rng.dirichlet(np.ones(4))
        dom = rng.integers(4)
        f = rng.uniform(0.7, 1.0)
        p = (1 - f) * p
        p[dom] += f
        parts.append(rng.multinomial(ls[i], p))
    ls = lengths(rng, k, lo, hi)
    for i in range(k):                      # sparse Dirichlet
        a = (0.03, 0.1, 0.3)[rng.integers(3)]
        parts.append(rng.multinomial(ls[i], rng.dirichlet(np.full(4, a))))
    k = max(0, n - len(parts))
    ls = lengths(rng, k, lo, hi)
    for i in range(k):                      # repeats + random + poly-A tail
        length = int(ls[i])
        motif = RNA_MOTIFS[rng.integers(len(RNA_MOTIFS))]
        rep = int(round(length * rng.uniform(0.4, 1.0)))
        tail = int(round((length - rep) * rng.random()))
        rand = length - rep - tail
        c = np.zeros(4)
        for j in range(rep):
            c["ACGU".index(motif[j % len(motif)])] += 1
        c[0] += tail
        c += rng.multinomial(rand, np.full(4, 0.25))
        parts.append(c)
    c = np.asarray(parts, dtype=np.float64)
    tot = c.sum(axis=1)
    return c[(tot >= lo) & (tot <= hi)]


# ---- masses ------------------------------------------------------------

def mass_stress(rng, n, lo, hi):
    """Masses at and near the band edges and near the points where a mass
    feature saturates (1000, 10000, 100000 Da)."""
    span = hi - lo
    parts = [np.array([lo, hi - 1e-3]),
             rng.uniform(lo, lo + 0.005 * span, size=n // 4),
             rng.uniform(hi - 0.005 * span, hi, size=n // 4)]
    for sat in (1000.0, 10000.0, 100000.0):
        if lo < sat < hi:
            w = 0.01 * sat
            parts.append(rng.uniform(max(lo, sat - w), min(hi, sat + w),
                                     size=n // 8))
    if lo <= 0:
        parts.append(rng.uniform(0.0, 200.0, size=n // 8))
    rest = n - sum(len(p) for p in parts)
    parts.append(rng.uniform(lo, hi, size=max(0, rest)))
    m = np.concatenate(parts)
    return m[(m >= lo) & (m < hi)]
