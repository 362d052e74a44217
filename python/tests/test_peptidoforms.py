"""Chimeric ProForma texts, the formula language and ions in [M+...] notation
through the Python module."""

import unittest

import corvan


class PeptidoformTest(unittest.TestCase):
    def test_one_envelope_per_peptidoform(self):
        # G + water C2H5NO2, GG + water C4H8N2O3; <13C> applies to both.
        first, second = corvan.peptidoforms("<13C>G/2+GG")
        self.assertEqual((first.formula, first.charge), ("[13C2]H5NO2", 2))
        self.assertEqual((second.formula, second.charge), ("[13C4]H8N2O3", 0))
        with self.assertRaises(corvan.CorvanError) as caught:
            corvan.envelope("G+GG", kind="peptide")
        self.assertIn("2 peptidoforms", str(caught.exception))

    def test_hydrates_and_whole_ions(self):
        self.assertEqual(corvan.envelope("CuSO4*5H2O").formula, "CuH10O9S")
        # Glucose C6H12O6 (180.063388) + H + Na, less two electrons, over 2.
        ion = corvan.envelope("C6H12O6", adduct="[M+H+Na]2+")
        self.assertEqual(ion.charge, 2)
        expected = (180.0633881 + 1.00782503223 + 22.989769282 - 2 * 5.48579909065e-4) / 2
        self.assertAlmostEqual(ion.monoisotopic_mz, expected, places=5)


if __name__ == "__main__":
    unittest.main()
