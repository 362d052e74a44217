"""Encoders and length rules."""

import unittest

import corvan
from corvan import Composition


class PeptideEncoderTest(unittest.TestCase):
    def test_residues(self):
        self.assertEqual(corvan.residue_index("A"), 0)
        self.assertEqual(corvan.residue_index("Y"), 19)
        self.assertIsNone(corvan.residue_index("B"))
        self.assertIsNone(corvan.residue_index("a"))
        with self.assertRaises(ValueError):
            corvan.residue_index("AC")
        self.assertEqual(corvan.residue_count("GA[C2H2O]G"), 3)
        self.assertEqual(corvan.residue_count(""), 0)
        self.assertEqual(corvan.residue_count("A]A"), 3)
        vector = corvan.residue_vector("GAG")
        self.assertEqual(len(vector), 20)
        self.assertEqual((vector[0], vector[5], sum(vector)), (1, 2, 3))

    def test_compositions(self):
        self.assertEqual(corvan.peptide_composition("GAG"), Composition(7, 13, 3, 4, 0))
        self.assertEqual(corvan.peptide_composition("ACK"), (12, 24, 4, 4, 1))
        self.assertEqual(corvan.peptide_composition("GA[C2H2O]G"), (9, 15, 3, 5, 0))
        self.assertEqual(corvan.peptide_composition(""), (0, 2, 0, 1, 0))
        self.assertEqual(corvan.peptide_composition(mass=1000.0), (44, 70, 12, 13, 0))
        self.assertEqual(corvan.peptide_composition(mass=2000.0), (89, 140, 24, 27, 1))
        self.assertEqual(corvan.peptide_composition(mass=55.0), (0, 0, 0, 0, 0))
        with self.assertWarns(corvan.CorvanWarning):
            self.assertEqual(corvan.peptide_composition("GAG[2H]"), (7, 13, 3, 4, 0))

    def test_modifications(self):
        self.assertEqual(corvan.add_modification("CH3CH2"), Composition(C=2, H=5))
        self.assertEqual(corvan.add_modification("HCl", (7, 13, 3, 4, 0)), (7, 14, 3, 4, 0))
        with self.assertWarns(corvan.CorvanWarning) as context:
            corvan.add_modification("c2")
        self.assertIn("Error while parsing modification formula:c2", str(context.warning))

    def test_length_rules(self):
        self.assertEqual(corvan.peptide_points(mass=1199.9, engine="nn"), 8)
        self.assertEqual(corvan.peptide_points(mass=1200.0, engine="nn"), 32)
        self.assertEqual(corvan.peptide_points(mass=119999.0, engine="nn"), 128)
        self.assertIsNone(corvan.peptide_points(mass=120000.0, engine="nn"))
        self.assertEqual(corvan.peptide_points(mass=49999.0), 64)
        self.assertEqual(corvan.peptide_points(mass=50000.0, engine="brain"), 128)
        self.assertEqual(corvan.peptide_points(mass=120000.0), 1024)
        self.assertEqual(corvan.peptide_points("A" * 49), 16)
        self.assertEqual(corvan.peptide_points("A" * 50), 64)
        self.assertEqual(corvan.peptide_points("A" * 300), 128)
        with self.assertRaises(ValueError):
            corvan.peptide_points(mass=1000.0, engine="fit")


class RnaEncoderTest(unittest.TestCase):
    def test_nucleotides(self):
        self.assertEqual([corvan.nucleotide_index(c) for c in "ACGU"], [0, 1, 2, 3])
        self.assertIsNone(corvan.nucleotide_index("a"))
        self.assertIsNone(corvan.nucleotide_index("T"))
        self.assertEqual(corvan.nucleotide_vector("AACGUU"), [2, 1, 1, 2])
        with self.assertWarns(corvan.CorvanWarning) as context:
            self.assertEqual(corvan.nucleotide_vector("AxU"), [1, 0, 0, 1])
        self.assertIn("Unexpected nucleotide in sequence: x", str(context.warning))

    def test_compositions(self):
        self.assertEqual(corvan.rna_composition("ACGU"), (38, 43, 15, 28, 0))
        self.assertEqual(corvan.rna_composition(mass=10000.0), (299, 339, 118, 217, 0))
        self.assertEqual(corvan.rna_composition(mass=5000.0), (151, 171, 60, 107, 0))
        self.assertEqual(corvan.rna_composition(mass=0.0), (3, 3, 1, -2, 0))

    def test_length_rules(self):
        self.assertEqual(corvan.rna_points(length=199), 64)
        self.assertEqual(corvan.rna_points(length=200), 128)
        self.assertEqual(corvan.rna_points(length=501), 1024)
        self.assertEqual(corvan.rna_points(mass=23999.998, engine="nn"), 32)
        self.assertEqual(corvan.rna_points(mass=24000.0, engine="nn"), 64)
        self.assertIsNone(corvan.rna_points(mass=165000.0, engine="nn"))
        self.assertEqual(corvan.rna_points(mass=65000.0), 128)
        with self.assertRaises(ValueError):
            corvan.rna_points()


class MassFeatureTest(unittest.TestCase):
    def test_features(self):
        features = corvan.mass_features(500.0)
        for got, expected in zip(features, (0.0005, 0.005, 0.05, 0.5, 1.0)):
            self.assertAlmostEqual(got, expected, places=7)


if __name__ == "__main__":
    unittest.main()
