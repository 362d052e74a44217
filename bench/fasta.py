"""Protein sequences of the proteome shipped with the project, for the
Python benchmarks and measurements."""

import gzip
import os

PROTEOME = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "data",
                        "ecoli-proteome.fasta.gz")


def read_fasta(path: str = PROTEOME) -> list:
    """The sequences of a gzip-compressed FASTA file, a final stop '*' removed."""
    sequences, current = [], []
    with gzip.open(path, "rt") as stream:
        for line in stream:
            if line.startswith(">"):
                if current:
                    sequences.append("".join(current).rstrip("*"))
                current = []
            else:
                current.append(line.strip())
    if current:
        sequences.append("".join(current).rstrip("*"))
    return sequences
