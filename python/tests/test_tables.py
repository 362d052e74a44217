"""Exported tables and the writable settings."""

import unittest

import corvan
from corvan import tables


class TableTest(unittest.TestCase):
    def test_elements(self):
        self.assertEqual(len(tables.element_names), 109)
        self.assertEqual(tables.element_names[0], "H")
        self.assertEqual(tables.element_names[5], "C")
        self.assertEqual(tables.element_names[108], "Mt")
        self.assertEqual(sorted(tables.elements), sorted(tables.element_names))
        self.assertEqual(tables.elements[0], "He")

    def test_isotopes(self):
        self.assertEqual(len(tables.isotopes), 313)
        self.assertEqual(tables.isotopes[9], (6, 12.0, 0.9893))
        self.assertEqual(tables.isotope_numbers[10], 6)
        self.assertAlmostEqual(tables.isotope_masses[10], 13.00335483507, places=10)
        self.assertAlmostEqual(tables.isotope_abundances[10], 0.0107, places=10)
        self.assertAlmostEqual(corvan.first_isotope_abundance(2), 1.34e-06, places=10)

    def test_residues(self):
        self.assertEqual(tables.aa_order, "ACDEFGHIKLMNPQRSTVWY")
        self.assertEqual(tables.pep_order, tables.aa_order)
        self.assertEqual(len(tables.aa_names), 20)
        self.assertEqual(tables.aa_vectors[15], (3, 5, 1, 2, 0))
        self.assertEqual(len(tables.amino_acid_names), 23)
        self.assertEqual(len(tables.amino_acid_vectors), 24)
        self.assertEqual(tables.pep_encoding_elements, ("C", "H", "N", "O", "S"))
        self.assertEqual(tables.rna_order, "ACGU")
        self.assertEqual(tables.rna_vectors[0], (10, 11, 5, 6, 0))
        self.assertEqual(len(tables.dna_vectors), 4)
        self.assertAlmostEqual(tables.rnaveragine_mass, 320.2838, places=4)
        self.assertEqual(tables.rnaveragine_composition, (9.5, 10.75, 3.75, 7.0, 0.0))

    def test_brain_constants(self):
        self.assertAlmostEqual(tables.brain_constants["c12_abundance"], 0.9893, places=6)
        self.assertAlmostEqual(tables.brain_constants["c_root"], -92.4579, places=3)
        self.assertAlmostEqual(tables.brain_constants["theta_s"], 1.583, places=6)
        self.assertEqual(len(tables.brain_constants), 13)

    def test_fft_table(self):
        table = tables.fft_table()
        self.assertEqual((len(table), len(table[0])), (109, 33))
        value = table[5][1]
        self.assertAlmostEqual(value.real, 0.9999484766, places=9)
        self.assertAlmostEqual(value.imag, -0.0010487834, places=9)
        transform = corvan.element_transform(6, 64)
        self.assertEqual(len(transform), 33)
        self.assertAlmostEqual(transform[1].real, 0.9999484766, places=9)

    def test_isotope_pattern_and_normalize(self):
        self.assertEqual(corvan.isotope_pattern(6, 4), [0.9893, 0.0107, 0.0, 0.0])
        self.assertEqual(corvan.normalize([-1, 2, 2]), ([0.0, 0.5, 0.5], 0.5))
        self.assertEqual(corvan.normalize([-1, 0]), ([0.0, 0.0], 0.0))

    def test_embedded_networks(self):
        sizes = {name: len(corvan.embedded_network(name)) for name in corvan.EMBEDDED_NETWORKS}
        self.assertEqual(
            sizes,
            {
                "corvanpep_model_64": 38656,
                "corvanpep_model_128": 142848,
                "corvan_rnaveragine_model32": 9216,
                "corvan_rnaveragine_model64": 34816,
                "corvan_rnaveragine_model128": 135168,
            },
        )
        with self.assertRaises(ValueError):
            corvan.embedded_network("corvanpep_model_16")

    def test_read_only(self):
        with self.assertRaises(TypeError):
            tables.aa_vectors[0] = (0, 0, 0, 0, 0)


class SettingsTest(unittest.TestCase):
    def test_defaults(self):
        s = corvan.settings
        self.assertEqual(s.fft_len, 33)
        self.assertTrue(s.use_precomputed_fft)
        self.assertAlmostEqual(s.massavgine, 111.1254)
        self.assertEqual(s.avgine, (4.9384, 7.7583, 1.3577, 1.4773, 0.0417))
        self.assertEqual(len(s.isoparams), 10)
        self.assertAlmostEqual(s.isoparams[0], 1.0084085, places=6)
        self.assertIn("fft_len", s.as_dict())

    def test_temporarily(self):
        before = corvan.peptide(mass=3000.0, points=8)
        with corvan.settings.temporarily(use_precomputed_fft=False) as s:
            self.assertFalse(s.use_precomputed_fft)
            computed = corvan.peptide(mass=3000.0, points=8)
        self.assertTrue(corvan.settings.use_precomputed_fft)
        for a, b in zip(before, computed):
            self.assertAlmostEqual(float(a), float(b), places=6)

        with corvan.settings.temporarily(massavgine=2 * 111.1254):
            self.assertEqual(corvan.peptide_composition(mass=2000.0), (44, 70, 12, 13, 0))
        self.assertEqual(corvan.peptide_composition(mass=2000.0), (89, 140, 24, 27, 1))

        with self.assertRaises(ValueError):
            with corvan.settings.temporarily(nonsense=1):
                pass
        with self.assertRaises(ValueError):
            corvan.settings.avgine = (1, 2, 3)


if __name__ == "__main__":
    unittest.main()
