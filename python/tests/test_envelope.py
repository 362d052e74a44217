"""corvan.envelope: the molecule layer from Python."""

import math
import unittest

import corvan
import corvan.tables

from .support import run_on_threads, without_numpy


class EnvelopeValues(unittest.TestCase):
    def test_ion_of_a_labelled_formula(self):
        ion = corvan.envelope("[13C6]H12O6", charge=1)
        self.assertEqual(ion.atoms, {"13C": 6, "H": 12, "O": 6})
        self.assertEqual(ion.formula, "[13C6]H12O6")
        self.assertEqual(ion.neutrons[0], 0)
        self.assertAlmostEqual(ion.monoisotopic_mass, 186.083517, places=6)
        self.assertAlmostEqual(ion.mz[0], ion.masses[0] - 5.48579909065e-4, places=9)
        self.assertAlmostEqual(ion.monoisotopic_mz, 187.090794, places=6)
        self.assertEqual(ion.intensities[ion.most_abundant], 1.0)

    def test_labels_limits_and_adducts(self):
        heavy = corvan.envelope("C50H71N13O12", charge=2, labels={"15N": 0.98})
        self.assertEqual(heavy.neutrons[heavy.most_abundant], 0)  # M holds 15N
        few = corvan.envelope("SnCl2", points=3)
        self.assertEqual(list(few.neutrons), [-2, 0, 2])  # M: 120Sn and 35Cl
        self.assertIsNone(few.mz)
        sodium = corvan.envelope("C6H12O6", charge=1, adduct="Na+")
        self.assertAlmostEqual(sodium.monoisotopic_mz, 203.052609, places=6)
        by_mass = corvan.envelope(mass=1450.0, kind="peptide")
        self.assertAlmostEqual(by_mass.average_mass, 1450.0, places=6)
        self.assertIsInstance(by_mass.atoms["C"], float)

    def test_monoisotopic_is_each_elements_most_abundant_isotope(self):
        # C43H70N10O17Se with 80Se, from the isotope table's masses.
        table = {(z, round(mass)): mass for z, mass, _ in corvan.tables.isotopes}
        mass = 43 * 12 + 70 * table[1, 1] + 10 * table[7, 14] + 17 * table[8, 16] + table[34, 80]
        selenium = corvan.envelope("PEPTIDEUK", "peptide", charge=1)
        self.assertAlmostEqual(selenium.monoisotopic_mass, mass, places=9)
        self.assertEqual(selenium.neutrons[0], -6)
        self.assertAlmostEqual(selenium.most_abundant_mz, selenium.mz[selenium.most_abundant])
        boron = corvan.envelope("B")
        self.assertEqual(list(boron.neutrons), [-1, 0])
        self.assertAlmostEqual(boron.shares[0], 0.199, places=12)
        self.assertIsNone(boron.most_abundant_mz)
        with self.assertRaises(corvan.EnvelopeError) as caught:
            corvan.envelope("C6H12O6", adduct="Na+")
        self.assertEqual(caught.exception.status, "impossible charge")

    def test_refusals_carry_status_position_and_message(self):
        cases = [
            (("C6H12Q6",), {}, "unknown name", 5, "unknown element 'Q'"),
            (("",), {}, "syntax error", None, "empty formula"),
            (("H2O",), {"labels": {"15N": 1.5}}, "impossible label", None, "from 0 to 1"),
            (("H2O",), {"charge": 1, "adduct": "Na"}, "impossible charge", None, "no charge"),
            (("H2O\0",), {}, "syntax error", None, "NUL"),
        ]
        for args, kwargs, status, position, message in cases:
            with self.subTest(args=args, kwargs=kwargs):
                with self.assertRaises(corvan.EnvelopeError) as caught:
                    corvan.envelope(*args, **kwargs)
                self.assertEqual(caught.exception.status, status)
                self.assertEqual(caught.exception.position, position)
                self.assertIn(message, str(caught.exception))
        for bad in ({"kind": "protein"}, {"points": -1}, {"points": True}):
            with self.assertRaises((ValueError, TypeError)):
                corvan.envelope("H2O", **bad)
        with self.assertRaises(ValueError):
            corvan.envelope("H2O", mass=18.0)

    def test_threads_share_nothing(self):
        expected = [list(corvan.envelope(f, charge=z).masses) for f, z in (("C6H12O6", 1), ("SnCl2", 0))]
        failures = []

        def work():
            for _ in range(50):
                for (f, z), want in zip((("C6H12O6", 1), ("SnCl2", 0)), expected):
                    got = list(corvan.envelope(f, charge=z).masses)
                    if not all((math.isnan(a) and math.isnan(b)) or a == b for a, b in zip(got, want)):
                        failures.append(f)

        run_on_threads(work)
        self.assertEqual(failures, [])

    def test_package_version_is_the_library_version(self):
        import ctypes

        version = corvan._library.lib.corvan_version_string
        version.restype = ctypes.c_char_p
        self.assertEqual(corvan.__version__, version().decode())

    def test_without_numpy(self):
        with without_numpy():
            water = corvan.envelope("H2O")
        self.assertEqual(water.shares.typecode, "d")
        self.assertTrue(math.isclose(sum(water.shares), 1.0, rel_tol=1e-12))


if __name__ == "__main__":
    unittest.main()
