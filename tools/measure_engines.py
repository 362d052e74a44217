#!/usr/bin/env python3
"""Accuracy and speed of each peptide engine, for the README's table.

Accuracy: the largest difference, over the first 16 peaks, between an
engine's relative heights (highest peak = 1) and the exact distribution of
the same composition computed here from the library's own isotope tables
(polynomial products in double precision), over E. coli tryptic peptides
(7-40 residues) and proteins (30-60 kDa). By-mass engines are compared with
the exact pattern of the molecule whose average mass they are given, so
their figure includes the averaging-composition error.

Speed: molecules per second of `corvan batch` on one thread (one engine,
the same molecules, program and file overhead included).

    CORVAN_LIBRARY=build/libcorvan.so PYTHONPATH=python \\
        /usr/bin/python3 tools/measure_engines.py build/cli/corvan
"""

import os
import random
import re
import subprocess
import sys
import tempfile

import numpy as np

import corvan
from corvan import tables

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PEAKS = 16

sys.path.insert(0, os.path.join(HERE, "bench"))
from fasta import read_fasta  # noqa: E402


def proteome():
    return [p for p in read_fasta() if re.fullmatch("[ACDEFGHIKLMNPQRSTVWY]+", p)]


def tryptic(protein):
    return [p for p in re.findall(r".*?[KR](?!P)|.+$", protein) if p]


def element_pattern(atomic_number):
    rows = [(m, a) for z, m, a in tables.isotopes if z == atomic_number]
    lightest = round(rows[0][0])
    pattern = np.zeros(round(rows[-1][0]) - lightest + 1)
    for mass, abundance in rows:
        pattern[round(mass) - lightest] += abundance
    return pattern


PATTERNS = [element_pattern(z) for z in (6, 1, 7, 8, 16)]


def power(pattern, count, length):
    result, base = np.array([1.0]), pattern.copy()
    while count:
        if count & 1:
            result = np.convolve(result, base)[:length]
        base = np.convolve(base, base)[:length]
        count >>= 1
    return result


def exact(composition, length=256):
    result = np.array([1.0])
    for pattern, count in zip(PATTERNS, composition):
        result = np.convolve(result, power(pattern, count, length))[:length]
    return result


def composition(sequence):
    counts = [0, 2, 0, 1, 0]  # one water
    for residue in sequence:
        for k, v in enumerate(tables.aa_vectors[tables.aa_order.index(residue)]):
            counts[k] += v
    return counts


def average_mass(sequence):
    weights = [12.0107, 1.00794, 14.0067, 15.9994, 32.065]
    return sum(w * c for w, c in zip(weights, composition(sequence)))


def error(values, truth):
    truth = truth[: len(values)] / truth.max()
    values = np.asarray(values[: len(truth)], dtype=float)
    values = values / values.max()
    return float(np.abs(values[:PEAKS] - truth[:PEAKS]).max())


def accuracy(molecules, engines):
    worst = {name: [] for name in engines}
    for sequence in molecules:
        truth = exact(composition(sequence))
        for name, call in engines.items():
            worst[name].append(error(call(sequence), truth))
    return {name: (float(np.median(e)), max(e)) for name, e in worst.items()}


def speed(program, molecules, engine, by_mass):
    with tempfile.TemporaryDirectory() as folder:
        listing = os.path.join(folder, "list.txt")
        with open(listing, "w") as stream:
            for sequence in molecules:
                stream.write(f"{average_mass(sequence):.4f} {sequence}\n")
        done = subprocess.run(
            [program, "batch", listing, "--engines", engine, "--threads", "1", "--points", "64",
             "--by", "mass" if by_mass else "sequence", "--out", os.path.join(folder, "o.tsv")],
            capture_output=True, text=True, check=False)
        rate = re.search(r"\(([0-9.]+) molecules/s\)", done.stderr)
        return float(rate.group(1)) if rate else float("nan")


def main():
    program = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "build/cli/corvan")
    random.seed(12)
    proteins = proteome()
    peptides = [p for protein in proteins for p in tryptic(protein) if 7 <= len(p) <= 40]
    peptides = random.sample(peptides, 400)
    large = [p for p in proteins if 30000 <= average_mass(p) <= 60000][:40]
    sequence_engines = {
        "fft": lambda s: corvan.peptide(s, engine="fft", points=64),
        "brain": lambda s: corvan.peptide(s, engine="brain", points=64),
        "nn": lambda s: corvan.peptide(s, engine="nn", points=64),
    }
    mass_engines = {
        "fft (mass)": lambda s: corvan.peptide(mass=average_mass(s), engine="fft", points=64),
        "brain (mass)": lambda s: corvan.peptide(mass=average_mass(s), engine="brain", points=64),
        "nn (mass)": lambda s: corvan.peptide(mass=average_mass(s), engine="nn", points=64),
        "fit (mass)": lambda s: corvan.peptide(mass=average_mass(s), engine="fit", points=64),
    }
    for label, molecules in (("peptides", peptides), ("proteins", large)):
        figures = accuracy(molecules, {**sequence_engines, **mass_engines})
        for name, (median, worst) in figures.items():
            print(f"{label:8} {name:13} median {median:.2e}  max {worst:.2e}")
    for label, molecules in (("peptides", peptides * 50), ("proteins", large * 50)):
        for engine in ("fft", "brain", "nn"):
            print(f"{label:8} {engine:13} {speed(program, molecules, engine, False):10.0f} /s")
        for engine in ("fft", "nn", "fit"):
            rate = speed(program, molecules, engine, True)
            print(f"{label:8} {engine + ' (mass)':13} {rate:10.0f} /s")


if __name__ == "__main__":
    main()
