"""Throughput of many molecules per call: corvan.many from Python against
the command-line batch, 2 threads against 1, and Dask on 2 local workers
against 1. A benchmark, not a test: it prints figures.

    CORVAN_LIBRARY=build/libcorvan.so PYTHONPATH=python /usr/bin/python3 \
        bench/many_bench.py --cli build/cli/corvan [--rounds 3] [--no-dask]

Molecules: the tryptic peptides (7 to 40 residues, no missed cleavage) of
data/ecoli-proteome.fasta.gz as [M+2H]2+, given as peptide text when the
library reads it, else as their elemental formulas. Each figure is the best
of --rounds; wall time and CPU time per row are both given, since a shared
machine stretches wall time. The command line reports its own computing
time (reading and writing excluded) on standard error.
"""

from __future__ import annotations

import argparse
import os
import re
import resource
import subprocess
import sys
import tempfile
import time
import warnings

import numpy

import corvan
from fasta import PROTEOME, read_fasta


# Residues as C, H, N, O, S (each less one water); a peptide adds one water.
RESIDUES = {
    "A": (3, 5, 1, 1, 0), "R": (6, 12, 4, 1, 0), "N": (4, 6, 2, 2, 0), "D": (4, 5, 1, 3, 0),
    "C": (3, 5, 1, 1, 1), "E": (5, 7, 1, 3, 0), "Q": (5, 8, 2, 2, 0), "G": (2, 3, 1, 1, 0),
    "H": (6, 7, 3, 1, 0), "I": (6, 11, 1, 1, 0), "L": (6, 11, 1, 1, 0), "K": (6, 12, 2, 1, 0),
    "M": (5, 9, 1, 1, 1), "F": (9, 9, 1, 1, 0), "P": (5, 7, 1, 1, 0), "S": (3, 5, 1, 2, 0),
    "T": (4, 7, 1, 2, 0), "W": (11, 10, 2, 1, 0), "Y": (9, 9, 1, 2, 0), "V": (5, 9, 1, 1, 0),
}


def tryptic_peptides(sequences: list, least: int = 7, most: int = 40) -> list:
    peptides = []
    for protein in sequences:
        for peptide in re.split(r"(?<=[KR])(?!P)", protein.rstrip("*")):
            if least <= len(peptide) <= most and all(r in RESIDUES for r in peptide):
                peptides.append(peptide)
    return peptides


def formula(peptide: str) -> str:
    c, h, n, o, s = 0, 2, 0, 1, 0
    for residue in peptide:
        rc, rh, rn, ro, rs = RESIDUES[residue]
        c, h, n, o, s = c + rc, h + rh, n + rn, o + ro, s + rs
    return f"C{c}H{h}N{n}O{o}S{s}"


def best_of(rounds: int, run) -> tuple:
    """(wall seconds, CPU seconds of this process) of the fastest round."""
    best = None
    for _ in range(rounds):
        wall, cpu = time.perf_counter(), time.process_time()
        run()
        figures = (time.perf_counter() - wall, time.process_time() - cpu)
        best = figures if best is None or figures[0] < best[0] else best
    return best


def show(name: str, rows: int, wall: float, cpu: float) -> None:
    print(f"{name:44s} {rows:8d} rows  {wall:7.3f} s  {wall / rows * 1e6:7.2f} us/row wall"
          f"  {cpu / rows * 1e6:7.2f} us/row CPU  {rows / wall:9.0f} rows/s")


def python_figures(inputs: list, kind: str, rounds: int) -> dict:
    figures = {}
    for threads in (1, 2):
        wall, cpu = best_of(rounds, lambda: corvan.many(inputs, kind, charge=2, threads=threads))
        show(f"corvan.many, {threads} thread(s)", len(inputs), wall, cpu)
        figures[threads] = (wall, cpu)
    return figures


def cli_run(cli: str, arguments: list) -> tuple:
    """(rows, computing seconds the program reports, its CPU seconds)."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    done = subprocess.run([cli, "batch", PROTEOME, "--fasta", "--min-length", "7",
                           "--max-length", "40", "--out", os.devnull]
                          + arguments, capture_output=True, text=True)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    match = re.search(r"batch: ([0-9]+) (?:molecules|ions) .* in ([0-9.]+) s ", done.stderr)
    if match is None:
        raise RuntimeError(f"corvan batch said: {done.stderr[-500:]}")
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return int(match.group(1)), float(match.group(2)), cpu


def cli_figures(cli: str, rounds: int) -> dict:
    figures = {}
    for name, arguments in (("batch --engines fft (fixed calls)",
                             ["--digest", "trypsin", "--engines", "fft"]),
                            ("batch --charges 2 (exact engine, many-molecule calls)", ["--charges", "2", "--enzyme", "trypsin"])):
        for threads in (1, 2):
            runs = [cli_run(cli, arguments + ["--threads", str(threads)]) for _ in range(rounds)]
            rows = runs[0][0]
            wall = min(run[1] for run in runs)
            cpu = min(run[2] for run in runs)
            show(f"{name}, {threads} thread(s)", rows, wall, cpu)
            figures[(name, threads)] = (rows, wall, cpu)
    print("  (command line: wall = its own computing time; CPU = the whole process, reading the"
          " FASTA and writing rows included)")
    return figures


def dask_figures(inputs: list, kind: str, rounds: int) -> None:
    try:
        import dask.dataframe
        import distributed
        import pandas
        import corvan.dask
    except ImportError as error:
        print(f"Dask figures left out: {error}")
        return
    frame = pandas.DataFrame({"molecule": inputs * 3,
                              "z": numpy.repeat(numpy.array([2, 3, 4], dtype=numpy.int64), len(inputs))})
    table = dask.dataframe.from_pandas(frame, npartitions=16)
    for workers in (1, 2):
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", DeprecationWarning)
            with distributed.LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                          dashboard_address=None, silence_logs=40) as cluster, \
                    distributed.Client(cluster) as client:
                frames = client.persist(table)  # partitions on the workers before timing
                distributed.wait(frames)
                result = corvan.dask.distributions(frames, "molecule", kind=kind, charge="z")
                before = sum(client.run(time.process_time).values())
                wall, _ = best_of(rounds, lambda: len(result.compute()))
                cpu = (sum(client.run(time.process_time).values()) - before) / rounds
        show(f"Dask, {workers} worker process(es), charges 2-4", len(frame), wall, cpu)
    print("  (Dask CPU: the workers' processes, averaged over the rounds)")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cli", help="the corvan program, for the command-line figures")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--no-dask", action="store_true")
    options = parser.parse_args()

    peptides = tryptic_peptides(read_fasta(PROTEOME))
    reads_peptides = corvan.many(["PEPTIDE"], "peptide").status[0] == 0
    inputs, kind = (peptides, "peptide") if reads_peptides else ([formula(p) for p in peptides], "formula")
    print(f"{len(peptides)} E. coli tryptic peptides (7-40 residues) as [M+2H]2+, given as {kind}s;"
          f" {os.cpu_count()} cores, load average {os.getloadavg()[0]:.1f}")
    python = python_figures(inputs, kind, options.rounds)
    print(f"2 threads / 1 thread: {python[1][0] / python[2][0]:.2f}x wall; CPU per row"
          f" {python[1][1] / len(inputs) * 1e6:.2f} us (1 thread), {python[2][1] / len(inputs) * 1e6:.2f} us"
          " (2 threads, both threads' CPU)")
    if options.cli:
        cli = cli_figures(options.cli, options.rounds)
        for name in ("batch --engines fft (fixed calls)", "batch --charges 2 (exact engine, many-molecule calls)"):
            rows, wall, _ = cli[(name, 1)]
            ratio = (python[1][0] / len(inputs)) / (wall / rows)
            print(f"Python 1 thread / {name} 1 thread: {ratio:.2f}x the time per row")
    if not options.no_dask:
        dask_figures(inputs, kind, options.rounds)
    return 0


if __name__ == "__main__":
    sys.exit(main())
