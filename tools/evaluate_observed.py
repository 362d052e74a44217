#!/usr/bin/env python3
"""Evaluates corvan's deisotoping and monoisotopic check on a run simulated
by OpenMS's MSSimulator (tools/simulate_run.sh), against the simulator's
own list of what it put there, and optionally against OpenMS's Deisotoper
(bench/compare_openms_deisotope, built with -DCORVAN_BUILD_COMPARE=ON).

    CORVAN_LIBRARY=build/libcorvan.so PYTHONPATH=python \\
        /usr/bin/python3 tools/evaluate_observed.py [--proteins 40] [--peer PROGRAM]

An envelope counts as found when an envelope of the same charge has its
monoisotopic m/z within 10 ppm of the simulated one. Signal-to-noise: the
highest peak of the simulated envelope over the median intensity of the
scan's peaks (noise dominates the peak count). Recall: found / simulated
envelopes with S/N >= 10. Precision: of the envelopes reported whose
highest fitted intensity is >= 10 x noise, those that are simulated ones
(of any S/N).
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


def write_proteins(path, count, seed=27):
    rng = random.Random(seed)
    with open(path, "w") as out:
        for i in range(count):
            sequence = "M" + "".join(rng.choices(RESIDUES, WEIGHTS, k=rng.randint(150, 400)))
            out.write(f">protein{i} random sequence\n{sequence}\n")


def read_truth(path):
    """(m/z of M, charge) of each simulated feature."""
    truth = []
    for feature in ElementTree.parse(path).getroot().iter("feature"):
        mz = float([p.text for p in feature.findall("position") if p.get("dim") == "1"][0])
        truth.append((mz, int(feature.find("charge").text)))
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


def same(a_mz, a_charge, b_mz, b_charge):
    return a_charge == b_charge and abs(a_mz - b_mz) <= b_mz * TOLERANCE_PPM * 1e-6


def score(found, truth, scan, noise):
    """Recall, precision, ppm errors of (m/z, charge) pairs against truth."""
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
    parser.add_argument("--peer", help="bench/compare_openms_deisotope program")
    parser.add_argument("--keep", help="keep the simulated files in this folder")
    arguments = parser.parse_args()
    folder = arguments.keep or tempfile.mkdtemp(prefix="corvan_observed_")
    os.makedirs(folder, exist_ok=True)
    fasta = os.path.join(folder, "proteins.fasta")
    write_proteins(fasta, arguments.proteins)
    subprocess.run([os.path.join(HERE, "simulate_run.sh"), fasta, folder], check=True)
    truth = read_truth(os.path.join(folder, "truth.featureXML"))
    scan = next(corvan.read_mzml(os.path.join(folder, "run_centroid.mzML")))
    noise = float(numpy.median(scan.intensity))
    repeats = 20
    started = time.perf_counter()
    for _ in range(repeats):
        envelopes = corvan.deisotope(scan.mz, scan.intensity, charges=(1, 4))
    corvan_ms = (time.perf_counter() - started) * 1e3 / repeats
    found = list(zip(envelopes.monoisotopic_mz, envelopes.charge))
    rows = [("corvan deisotope", score(found, truth, scan, noise), corvan_ms)]
    if arguments.peer:
        peer_found, peer_ms = run_peer(arguments.peer, os.path.join(folder, "run_centroid.mzML"))
        rows.append(("OpenMS Deisotoper", score(peer_found, truth, scan, noise), peer_ms))
    print(f"scan: {len(scan.mz)} centroids, {len(truth)} simulated envelopes, noise {noise:.0f}")
    keys = list(rows[0][1])
    print("| tool | " + " | ".join(keys) + " | ms per scan |")
    print("|---" * (len(keys) + 2) + "|")
    for name, figures, ms in rows:
        cells = [f"{v:.3f}" if isinstance(v, float) else str(v) for v in figures.values()]
        print(f"| {name} | " + " | ".join(cells) + f" | {ms:.2f} |")
    right, total = monoisotopic_check(scan, truth, noise)
    print(f"monoisotopic check, M+1 named as M: {right}/{total} corrected to M within 10 ppm")
    errors = label_fits(["EMEVEESPEK", "SAMPLERK", "LVVVYPWTQR", "GTWDLSVPFHK", "AHGKK"] * 4,
                        random.Random(27))
    print(f"15N fit, 5% noise: mean |error| {statistics.mean(errors):.4f}, max {max(errors):.4f}")


if __name__ == "__main__":
    sys.exit(main())
