"""Properties of the module's results over many random inputs.

Each property holds for every input; a seeded generator makes a failure
reproducible. Inputs stay small so that the whole file runs in a second.
"""

import os
import random
import unittest

import corvan
from tests.support import temporary_directory, values

RESIDUES = "ACDEFGHIKLMNPQRSTVWY"
ROUNDS = 60


def random_peptide(rng):
    return "".join(rng.choice(RESIDUES) for _ in range(rng.randint(1, 80)))


class DistributionProperties(unittest.TestCase):
    def setUp(self):
        self.rng = random.Random(20261208)

    def test_scaled_to_one_within_zero_and_one(self):
        for _ in range(ROUNDS):
            sequence = random_peptide(self.rng)
            for engine in ("fft", "brain", "nn"):
                with self.subTest(sequence=sequence, engine=engine):
                    out, peak = corvan.peptide(sequence, engine=engine, points=32, return_peak=True)
                    out = values(out)
                    self.assertEqual(max(out), 1.0)
                    self.assertTrue(all(0.0 <= v <= 1.0 for v in out))
                    self.assertTrue(0.0 < peak <= 1.0)

    def test_offset_moves_the_window(self):
        # Window placement: the result at offset k is the result at offset 0
        # moved by k, with its last k points dropped.
        for _ in range(ROUNDS // 2):
            sequence = random_peptide(self.rng)
            k = self.rng.randint(1, 20)
            for engine in ("fft", "brain"):
                with self.subTest(sequence=sequence, engine=engine, offset=k):
                    moved = values(corvan.peptide(sequence, engine=engine, points=64, offset=k))
                    plain = values(corvan.peptide(sequence, engine=engine, points=64))
                    self.assertEqual(moved[:k], [0.0] * k)
                    self.assertEqual(moved[k:], plain[: 64 - k])

    def test_engines_agree_on_compositions(self):
        for _ in range(ROUNDS // 2):
            sequence = random_peptide(self.rng)
            fft = values(corvan.peptide(sequence, engine="fft", points=16))
            brain = values(corvan.peptide(sequence, engine="brain", points=16))
            for a, b in zip(fft, brain):
                self.assertAlmostEqual(a, b, delta=3e-3, msg=sequence)

    def test_any_rna_is_non_negative_and_scaled(self):
        for _ in range(ROUNDS):
            sequence = "".join(self.rng.choice("ACGU") for _ in range(self.rng.randint(1, 300)))
            for engine in ("fft", "brain", "nn"):
                out = values(corvan.rna(sequence, engine=engine, points=64))
                self.assertEqual(max(out), 1.0, (sequence, engine))
                self.assertTrue(min(out) >= 0.0, (sequence, engine))


class ListFileProperties(unittest.TestCase):
    def test_what_is_written_is_read_back(self):
        # Entries of any length, long lines included, come back whole and
        # nothing is invented.
        rng = random.Random(7)
        with temporary_directory() as folder:
            for _ in range(20):
                entries = [
                    (float(rng.randint(1, 10**6)) / 8,
                     "".join(rng.choice(RESIDUES) for _ in range(rng.randint(1, 3000))))
                    for _ in range(rng.randint(1, 30))
                ]
                path = os.path.join(folder, "list.txt")
                with open(path, "w") as stream:
                    for mass, sequence in entries:
                        stream.write(f"{mass!r} {sequence}\n")
                self.assertEqual(corvan.read_list(path), entries)


class BrainOverflow(unittest.TestCase):
    def test_says_what_happened(self):
        with self.assertRaises(corvan.CorvanError) as caught:
            corvan.peptide("G" * 40000, engine="brain", points=16)
        self.assertIn("overflows", str(caught.exception))


if __name__ == "__main__":
    unittest.main()
