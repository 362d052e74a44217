#!/usr/bin/env python3
"""Evaluates corvan's deisotoping and monoisotopic check on a run simulated
by OpenMS's MSSimulator (tools/simulate_run.sh), against the simulator's
own list of what it put there, and optionally against OpenMS's Deisotoper
(bench/compare_openms_deisotope, built with -DCORVAN_BUILD_COMPARE=ON).

    CORVAN_LIBRARY=build/libcorvan.so PYTHONPATH=python \\
        /usr/bin/python3 tools/evaluate_observed.py [--proteins 40] [--peer PROGRAM]

An envelope counts as found when an envelope of the same charge has its
monoisotopic m/z within 10 ppm of the simulated one. Noise: the median
intensity of the scan's peaks (noise dominates the peak count). Recall is
given over two truths: the fair one (features of the searched charges
whose own highest point, as the simulator scaled it, has S/N >= 10, and
which show two resolved peaks after peak picking) and the plain one (any
charge, S/N of the highest peak found on the rungs M .. M+5, whoever's it
is). Precision: of the envelopes reported whose highest observed rung is
>= 10 x noise, those that are simulated ones (of any S/N).

Label fits: 15N fitted on the simulator's unlabelled envelopes (truth 0),
and the heavy share fitted (fit_mix) on a SILAC run the simulator made.
"""

import argparse
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree

import numpy

import corvan

HERE = os.path.dirname(os.path.abspath(__file__))
RESIDUES = "ACDEFGHIKLMNPQRSTVWY"
WEIGHTS = [8, 1, 5, 7, 4, 7, 2, 6, 6, 10, 2, 4, 5, 4, 5, 7, 5, 7, 1, 3]
TOLERANCE_PPM = 10.0
CHARGES = (1, 4)  # searched by both deisotopers


def write_proteins(path, count, seed=27):
    rng = random.Random(seed)
    with open(path, "w") as out:
        for i in range(count):
            sequence = "M" + "".join(rng.choices(RESIDUES, WEIGHTS, k=rng.randint(150, 400)))
            out.write(f">protein{i} random sequence\n{sequence}\n")


def read_truth(path):
    """(m/z of M, charge, peptide) of each simulated feature."""
    truth = []
    for feature in ElementTree.parse(path).getroot().iter("feature"):
        mz = float([p.text for p in feature.findall("position") if p.get("dim") == "1"][0])
        truth.append((mz, int(feature.find("charge").text),
                      feature.find(".//PeptideHit").get("sequence"),
                      float(feature.find("intensity").text)))
    return truth


def nearest(mz, values):
    index = numpy.searchsorted(values, mz)
    best = None
    for j in (index - 1, index):
        if 0 <= j < len(values) and (best is None or abs(values[j] - mz) < abs(values[best] - mz)):
            best = j
    return best


def apex(scan, mono, charge):
    """Highest observed peak on the rungs M .. M+5 of an envelope."""
    height = 0.0
    for k in range(6):
        centre = mono + k * 1.00286 / charge
        j = nearest(centre, scan.mz)
        if j is not None and abs(scan.mz[j] - centre) <= centre * TOLERANCE_PPM * 1e-6:
            height = max(height, scan.intensity[j])
    return height


def simulated_heights(scan, features):
    """Per feature, the expected peaks as the simulator put them in the
    scan: (m/z, height) of each point of the peptide's envelope, heights
    scaled by one factor (the median over the features whose highest
    point has a centroid: unshared peaks sit within 1% of it)."""
    patterns, ratios = [], []
    for _, charge, sequence, amount in features:
        try:
            ion = corvan.envelope(f"{proforma(sequence)}/{charge}", kind="peptide")
        except corvan.CorvanError:
            patterns.append(None)
            continue
        patterns.append((ion.mz, ion.shares * amount))
        top = int(numpy.argmax(ion.shares))
        j = nearest(ion.mz[top], scan.mz)
        if abs(scan.mz[j] - ion.mz[top]) <= ion.mz[top] * TOLERANCE_PPM * 1e-6:
            ratios.append(scan.intensity[j] / patterns[-1][1][top])
    factor = float(numpy.median(ratios))
    return [None if p is None else (p[0], p[1] * factor) for p in patterns]


def resolvable_truth(scan, features, noise, charges):
    """The fair truth: (m/z of M, charge) of the features of a searched
    charge whose own highest point (as simulated, not what else shares its
    place) has S/N >= 10 and which show at least two resolved peaks: points
    expected at 3 x noise or more with a centroid within the tolerance (an
    envelope whose M+1 drowns in a neighbour's flank is one peak after
    peak picking, and no deisotoper can tell its charge)."""
    truth = []
    for (mono, charge, _, _), pattern in zip(features, simulated_heights(scan, features)):
        if pattern is None or not charges[0] <= charge <= charges[1]:
            continue
        mz, heights = pattern
        if heights.max() < 10 * noise:
            continue
        seen = 0
        for centre, height in zip(mz, heights):
            j = nearest(centre, scan.mz)
            seen += height >= 3 * noise and abs(scan.mz[j] - centre) <= centre * TOLERANCE_PPM * 1e-6
        if seen >= 2 and not any(same(mono, charge, *t) for t in truth):
            truth.append((mono, charge))
    return truth


def same(a_mz, a_charge, b_mz, b_charge):
    return a_charge == b_charge and abs(a_mz - b_mz) <= b_mz * TOLERANCE_PPM * 1e-6


def score(found, truth, scan, noise, strong=None):
    """Recall, precision, ppm errors of (m/z, charge) pairs against truth;
    recall over `strong` (default: the truth whose apex has S/N >= 10)."""
    if strong is None:
        strong = [t for t in truth if apex(scan, *t) >= 10 * noise]
    found_strong = [f for f in found if apex(scan, f[0], f[1]) >= 10 * noise]
    hits = [(t, f) for t in strong for f in found if same(f[0], f[1], *t)]
    recalled = {t for t, _ in hits}
    correct = [f for f in found_strong if any(same(f[0], f[1], *t) for t in truth)]
    errors = [1e6 * (f[0] - t[0]) / t[0] for t, f in hits]
    return {
        "simulated (S/N >= 10)": len(strong), "reported (S/N >= 10)": len(found_strong),
        "recall": len(recalled) / max(1, len(strong)),
        "precision": len(correct) / max(1, len(found_strong)),
        "median |ppm|": statistics.median(abs(e) for e in errors) if errors else float("nan"),
    }


RUNG = 1.00286


def rung_offset(a_mz, b_mz, charge):
    """Rungs (of `charge`) from b to a when a sits on one of b's rungs, else None."""
    k = round((a_mz - b_mz) * charge / RUNG)
    centre = b_mz + k * RUNG / charge
    return k if abs(a_mz - centre) <= centre * TOLERANCE_PPM * 1e-6 else None


def kind_against(mz, charge, others):
    """How an envelope (m/z of M, charge) relates to the nearest of `others`
    that share a rung with it: "M off by +-1" (same charge, one rung apart),
    "split" (same charge, two or more rungs apart), "wrong charge" (either
    one's M on a rung of the other), or None."""
    kinds = set()
    for o_mz, o_charge in others:
        if abs(o_mz - mz) > 6 * RUNG:
            continue
        if o_charge == charge:
            k = rung_offset(mz, o_mz, charge)
            if k in (-1, 1):
                kinds.add("M off by +-1")
            elif k is not None and k != 0:
                kinds.add("split")
        elif (rung_offset(mz, o_mz, o_charge) is not None
              or rung_offset(o_mz, mz, charge) is not None):
            kinds.add("wrong charge")
    for kind in ("M off by +-1", "wrong charge", "split"):
        if kind in kinds:
            return kind
    return None


def breakdown(found, truth, scan, noise, strong):
    """Misses (of `strong`) and false hits (reported with S/N >= 10) by kind.
    A miss whose M lies on a rung of a correct hit of another charge or
    place is "merged" (its peaks went to that envelope); a false hit near no
    simulated envelope is "noise"."""
    correct = [f for f in found if any(same(f[0], f[1], *t) for t in truth)]
    misses, false_hits = {}, {}
    for t in strong:
        if any(same(f[0], f[1], *t) for f in found):
            continue
        kind = kind_against(t[0], t[1], [f for f in found if f not in correct])
        if kind is None:
            kind = "merged" if kind_against(t[0], t[1], correct) else "not reported"
        misses[kind] = misses.get(kind, 0) + 1
    for f in found:
        if f in correct or apex(scan, f[0], f[1]) < 10 * noise:
            continue
        kind = kind_against(f[0], f[1], truth) or "noise"
        false_hits[kind] = false_hits.get(kind, 0) + 1
    return misses, false_hits


SCORE_BINS = (0.9, 0.95, 0.98, 0.99)  # lower edges


def score_table(envelopes, truth, scan, noise):
    """True/false counts of the reported envelopes with S/N >= 10 by score
    and by matched peaks: whether a bar or a count tells them apart."""
    rows = {}
    for mz, charge, value, peaks in zip(envelopes.monoisotopic_mz, envelopes.charge,
                                        envelopes.score, envelopes.peaks):
        if apex(scan, mz, charge) < 10 * noise:
            continue
        kind = 0 if any(same(mz, charge, *t) for t in truth) else 1
        low = max([edge for edge in SCORE_BINS if edge <= value], default=0.0)
        for key in (f"score >= {low:.2f}", f"peaks {min(peaks, 5)}{'+' if peaks >= 5 else ''}"):
            rows.setdefault(key, [0, 0])[kind] += 1
    return ", ".join(f"{key} {t}/{f}" for key, (t, f) in sorted(rows.items()))


def monoisotopic_check(scan, truth, noise):
    """Share of strong envelopes whose M+1, named as M, is corrected to M."""
    right = total = 0
    for mono, charge in truth:
        if apex(scan, mono, charge) < 10 * noise:
            continue
        j = nearest(mono + 1.00286 / charge, scan.mz)
        i = nearest(mono, scan.mz)
        if abs(scan.mz[i] - mono) > mono * TOLERANCE_PPM * 1e-6:
            continue
        total += 1
        check = corvan.check_monoisotopic(scan.mz, scan.intensity, float(scan.mz[j]), charge)
        right += check.offset == 1 and abs(check.corrected_mz - mono) <= mono * TOLERANCE_PPM * 1e-6
    return right, total


def label_fits(truth_sequences, rng):
    """Fraction error of fit_label on 15N envelopes with 5% intensity noise."""
    errors = []
    for sequence in truth_sequences:
        fraction = rng.uniform(0.0, 1.0)
        ion = corvan.envelope(sequence + "/2", kind="peptide", labels={"15N": fraction})
        keep = ion.shares > 1e-3 * ion.shares.max()
        noisy = ion.shares[keep] * numpy.array([rng.gauss(1, 0.05) for _ in range(keep.sum())])
        fit = corvan.fit_label(ion.mz[keep], numpy.clip(noisy, 0, None), sequence + "/2", "15N")
        errors.append(abs(fit.fraction - fraction))
    return errors


# Light share of each protein's peptides in the SILAC run (heavy: 1 - it).
LIGHT_SHARES = [0.3, 0.5, 0.8, 0.1, 0.6]


def proforma(sequence):
    """OpenMS's PEPTIDEK(Label:13C(6)15N(2)) as PEPTIDEK[Label:13C(6)15N(2)]."""
    out, depth = [], 0
    for c in sequence:
        if c == "(":
            out.append("[" if depth == 0 else c)
            depth += 1
        elif c == ")":
            depth -= 1
            out.append("]" if depth == 0 else c)
        else:
            out.append(c)
    return "".join(out)


def silac_pairs(path):
    """{(light sequence, charge): {"light": intensity, "heavy": ..., texts}} of
    the simulator's SILAC features."""
    pairs = {}
    for feature in ElementTree.parse(path).getroot().iter("feature"):
        sequence = feature.find(".//PeptideHit").get("sequence")
        charge = int(feature.find("charge").text)
        light = sequence.replace("(Label:13C(6)15N(2))", "").replace("(Label:13C(6))", "")
        pair = pairs.setdefault((light, charge), {})
        state = "heavy" if light != sequence else "light"
        pair[state] = pair.get(state, 0.0) + float(feature.find("intensity").text)
        pair[state + " text"] = proforma(sequence)
    return pairs


def silac_fits(folder, proteins):
    """Heavy-share error of fit_mix on a SILAC run the simulator made (light
    and heavy channels of the same proteins at LIGHT_SHARES): the truth is
    the simulated features' intensities, pairs whose light or heavy apex
    has S/N >= 10 and no terminal modification."""
    rng = random.Random(28)
    sequences = ["M" + "".join(rng.choices(RESIDUES, WEIGHTS, k=rng.randint(150, 400)))
                 for _ in range(proteins)]
    files = []
    for channel in ("light", "heavy"):
        files.append(os.path.join(folder, f"silac_{channel}.fasta"))
        with open(files[-1], "w") as out:
            for i, sequence in enumerate(sequences):
                share = LIGHT_SHARES[i % len(LIGHT_SHARES)]
                amount = 10000 * (share if channel == "light" else 1 - share)
                out.write(f">protein{i} [# intensity={amount:.0f} #]\n{sequence}\n")
    run = os.path.join(folder, f"silac{proteins}")
    if not os.path.exists(os.path.join(run, "truth.featureXML")):
        subprocess.run([os.path.join(HERE, "simulate_run.sh"), ",".join(files), run,
                        "-algorithm:MSSim:Labeling:type", "SILAC",
                        "-algorithm:MSSim:Labeling:SILAC:fixed_rtshift", "0"], check=True)
    scan = next(corvan.read_mzml(os.path.join(run, "run_centroid.mzML")))
    noise = float(numpy.median(scan.intensity))
    features = read_truth(os.path.join(run, "truth.featureXML"))
    patterns = simulated_heights(scan, features)
    errors, alone = [], []
    for (light, charge), pair in silac_pairs(os.path.join(run, "truth.featureXML")).items():
        if "heavy" not in pair or "light" not in pair or "." in light:
            continue
        mono = corvan.envelope(f"{pair['light text']}/{charge}", kind="peptide").mz[0]
        heavy_mono = corvan.envelope(f"{pair['heavy text']}/{charge}", kind="peptide").mz[0]
        if max(apex(scan, mono, charge), apex(scan, heavy_mono, charge)) < 10 * noise:
            continue
        fit = corvan.fit_mix(scan.mz, scan.intensity, f"{pair['light text']}/{charge}",
                             f"{pair['heavy text']}/{charge}")
        truth = pair["heavy"] / (pair["heavy"] + pair["light"])
        errors.append(abs(fit.heavy_fraction - truth))
        own = {i for i, f in enumerate(features) if f[1] == charge and
               proforma(f[2]) in (pair["light text"], pair["heavy text"])}
        tops = [patterns[i][1].max() for i in own if patterns[i] is not None]
        heavy_last = corvan.envelope(f"{pair['heavy text']}/{charge}", kind="peptide").mz[-1]
        if tops and not crowded(mono - 1.1 / charge, heavy_last, max(tops), own, patterns):
            alone.append(errors[-1])
    return errors, alone


def crowded(low, high, top, own, patterns):
    """Whether a simulated envelope not in `own` (indices) puts a point of
    2% of `top` or more in the m/z window [low, high]."""
    for j, pattern in enumerate(patterns):
        if j in own or pattern is None:
            continue
        mz, heights = pattern
        inside = (mz >= low) & (mz <= high) & (heights >= 0.02 * top)
        if inside.any():
            return True
    return False


def unlabelled_fits(scan, truth, noise):
    """15N fraction fitted on the simulator's unlabelled envelopes (truth
    0), all and those alone in the fit's window (M-1 to the last point of
    full 15N)."""
    fits, alone = [], []
    patterns = simulated_heights(scan, truth)
    for i, (mono, charge, sequence, _) in enumerate(truth):
        if apex(scan, mono, charge) < 10 * noise or "(" in sequence or "." in sequence:
            continue
        text = f"{sequence}/{charge}"
        fits.append(corvan.fit_label(scan.mz, scan.intensity, text, "15N").fraction)
        heavy = corvan.envelope(text, kind="peptide", labels={"15N": 1.0})
        if patterns[i] is not None and not crowded(mono - 1.1 / charge, heavy.mz[-1], patterns[i][1].max(),
                                                   {i}, patterns):
            alone.append(fits[-1])
    return fits, alone


def summary(values):
    if not values:
        return "none"
    return (f"mean {statistics.mean(values):.4f}, median {statistics.median(values):.4f}, "
            f"max {max(values):.4f}")


def describe_kinds(counts):
    return ", ".join(f"{kind} {n}" for kind, n in sorted(counts.items(), key=lambda i: -i[1])) \
        or "none"


def run_peer(program, path):
    started = time.perf_counter()
    output = subprocess.run([program, path], check=True, capture_output=True, text=True).stdout
    wall = time.perf_counter() - started
    found, milliseconds = [], None
    for line in output.splitlines():
        if line.startswith("#ms"):
            milliseconds = float(line.split()[1])
        elif line and not line.startswith("#"):
            mz, charge = line.split("\t")[:2]
            found.append((float(mz), int(charge)))
    return found, milliseconds if milliseconds is not None else wall * 1e3


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--proteins", type=int, default=40)
    parser.add_argument("--seed", type=int, default=27,
                        help="seed of the random protein sequences (another seed, another run)")
    parser.add_argument("--label-proteins", type=int, default=1,
                        help="proteins of the runs for the label fits (few: every peptide "
                        "of a run shares its one scan)")
    parser.add_argument("--peer", help="bench/compare_openms_deisotope program")
    parser.add_argument("--keep", help="keep the simulated files in this folder (and reuse "
                        "the run found there)")
    arguments = parser.parse_args()
    folder = arguments.keep or tempfile.mkdtemp(prefix="corvan_observed_")
    os.makedirs(folder, exist_ok=True)
    fasta = os.path.join(folder, "proteins.fasta")
    if not (arguments.keep and os.path.exists(os.path.join(folder, "truth.featureXML"))):
        write_proteins(fasta, arguments.proteins, arguments.seed)
        subprocess.run([os.path.join(HERE, "simulate_run.sh"), fasta, folder], check=True)
    features = read_truth(os.path.join(folder, "truth.featureXML"))
    truth = [(mz, charge) for mz, charge, _, _ in features]
    scan = next(corvan.read_mzml(os.path.join(folder, "run_centroid.mzML")))
    noise = float(numpy.median(scan.intensity))
    fair = resolvable_truth(scan, features, noise, CHARGES)
    repeats = 20
    # The first call builds the shared table of by-mass patterns (once per
    # process, about one scan's work): left out, as a run's many scans share it.
    corvan.deisotope(scan.mz, scan.intensity, charges=CHARGES)
    started = time.perf_counter()
    for _ in range(repeats):
        envelopes = corvan.deisotope(scan.mz, scan.intensity, charges=CHARGES)
    corvan_ms = (time.perf_counter() - started) * 1e3 / repeats
    found = list(zip(envelopes.monoisotopic_mz, envelopes.charge))
    runs = [("corvan deisotope", found, corvan_ms)]
    if arguments.peer:
        peer_found, peer_ms = run_peer(arguments.peer, os.path.join(folder, "run_centroid.mzML"))
        runs.append(("OpenMS Deisotoper", peer_found, peer_ms))
    rows = []
    for name, tool_found, ms in runs:
        rows.append((name + ", fair truth", score(tool_found, truth, scan, noise, fair), ms))
        rows.append((name + ", apex S/N, any charge", score(tool_found, truth, scan, noise), ms))
    print(f"scan: {len(scan.mz)} centroids, {len(truth)} simulated envelopes, noise {noise:.0f}")
    keys = list(rows[0][1])
    print("| tool | " + " | ".join(keys) + " | ms per scan |")
    print("|---" * (len(keys) + 2) + "|")
    for name, figures, ms in rows:
        cells = [f"{v:.3f}" if isinstance(v, float) else str(v) for v in figures.values()]
        print(f"| {name} | " + " | ".join(cells) + f" | {ms:.2f} |")
    for name, tool_found, _ in runs:
        misses, false_hits = breakdown(tool_found, truth, scan, noise, fair)
        print(f"{name}, fair truth: misses " + describe_kinds(misses) + "; false hits "
              + describe_kinds(false_hits))
    print("corvan deisotope, reported with S/N >= 10, true/false by score and by peaks: "
          + score_table(envelopes, truth, scan, noise))
    right, total = monoisotopic_check(scan, truth, noise)
    print(f"monoisotopic check, M+1 named as M: {right}/{total} corrected to M within 10 ppm")
    errors = label_fits(["EMEVEESPEK", "SAMPLERK", "LVVVYPWTQR", "GTWDLSVPFHK", "AHGKK"] * 4,
                        random.Random(27))
    print(f"15N fit, 5% noise: mean |error| {statistics.mean(errors):.4f}, max {max(errors):.4f}")
    label_run = os.path.join(folder, f"labelfree{arguments.label_proteins}")
    if not os.path.exists(os.path.join(label_run, "truth.featureXML")):
        write_proteins(os.path.join(folder, "label_proteins.fasta"), arguments.label_proteins, 28)
        subprocess.run([os.path.join(HERE, "simulate_run.sh"),
                        os.path.join(folder, "label_proteins.fasta"), label_run], check=True)
    scan = next(corvan.read_mzml(os.path.join(label_run, "run_centroid.mzML")))
    features = read_truth(os.path.join(label_run, "truth.featureXML"))
    noise = float(numpy.median(scan.intensity))
    for name, fits in zip(("", " alone in their window"), unlabelled_fits(scan, features, noise)):
        print(f"15N fit on {len(fits)} simulated unlabelled envelopes{name} (S/N >= 10, truth 0): "
              + summary(fits))
    for name, errors in zip(("", " alone in their window"),
                            silac_fits(folder, arguments.label_proteins)):
        print(f"SILAC heavy share, fit_mix on {len(errors)} simulated light/heavy pairs{name} "
              f"(S/N >= 10), |error|: " + summary(errors))


if __name__ == "__main__":
    sys.exit(main())
