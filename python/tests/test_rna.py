"""RNA distributions."""

import unittest
import warnings

import corvan
from tests.support import FamilyTestCase, no_warnings, temporary_directory, values, write_file

RNA = "ACGUACGUAAGGCCUU"


class RnaSequenceTest(FamilyTestCase):
    def test_fft_and_brain_agree(self):
        fft, fft_peak = corvan.rna(RNA, engine="fft", return_peak=True)
        brain, brain_peak = corvan.rna(RNA, engine="brain", return_peak=True)
        self.assertAlmostEqual(fft_peak, brain_peak, delta=5e-3)
        self.assertAllClose(fft[:16], brain[:16], tol=5e-3)
        self.assertEqual(max(values(fft)), 1.0)

    def test_matches_composition(self):
        self.assertMatchesComposition(corvan.rna, corvan.rna_composition, RNA, engine="fft")

    def test_network_runs(self):
        out, peak = corvan.rna(RNA, engine="nn", return_peak=True)
        self.assertEqual(len(out), 64)
        self.assertGreater(peak, 0.0)
        self.assertEqual(max(values(out)), 1.0)

    def test_shifted_and_window_placement(self):
        fft = corvan.rna(RNA, points=100, offset=10)
        base = corvan.rna(RNA, points=64)
        self.assertEqual(values(fft[:10]), [0.0] * 10)
        self.assertAllClose(fft[10:74], base, tol=1e-7)
        brain = corvan.rna(RNA, engine="brain", points=100, offset=10)
        self.assertEqual(values(brain[64:]), [0.0] * 36)

    def test_unexpected_nucleotide_warns(self):
        with self.assertWarns(corvan.CorvanWarning) as context:
            corvan.rna_composition("ACGT")
        self.assertIn("Unexpected nucleotide in sequence:T", str(context.warning))
        self.assertEqual(context.filename, __file__)  # attributed to the caller
        with no_warnings():
            corvan.rna("ACGU")

    def test_sequences_and_masses_the_command_line_refuses(self):
        for text in ("ACGT", "acgu", ""):
            with self.assertRaises(corvan.EnvelopeError):
                corvan.rna(text)
        with self.assertRaises(corvan.EnvelopeError):
            corvan.rna(mass=-1e9)

    def test_repeated_messages_are_summarised(self):
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            corvan.rna_composition("ACGX" * 3)
        self.assertEqual(
            [str(w.message) for w in caught], ["Unexpected nucleotide in sequence:X (3 times)"]
        )

    def test_network_length_limit(self):
        with self.assertRaises(corvan.CorvanError) as context:
            corvan.rna("A" * 501, engine="nn")
        self.assertIn("Sequence length outside of allowed NN range: 501", str(context.exception))

    def test_brain_refuses_empty(self):
        with self.assertRaises(corvan.CorvanError):
            corvan.rna("", engine="brain")


class RnaMassTest(FamilyTestCase):
    def test_fft_and_brain_agree(self):
        self.assertEnginesAgree(corvan.rna, 5e-3, mass=5000.0, points=16)

    def test_network_range(self):
        self.assertNetworkMassRange(corvan.rna, 165000.0)

    def test_brain_small_mass(self):
        with self.assertRaises(corvan.CorvanError):
            corvan.rna(mass=10.0, engine="brain")

    def test_custom_equals_embedded(self):
        blob = corvan.embedded_network("corvan_rnaveragine_model32")
        with temporary_directory() as directory:
            path = write_file(directory, "rna32.bin", blob)
            custom = corvan.rna(mass=5000.0, weights=path, points=32)
        embedded = corvan.rna(mass=5000.0, engine="nn", points=32)
        self.assertAllClose(custom, embedded, tol=0)

    def test_arguments(self):
        with self.assertRaises(ValueError):
            corvan.rna("ACGU", engine="fit")
        with self.assertRaises(ValueError):
            corvan.rna()


if __name__ == "__main__":
    unittest.main()
