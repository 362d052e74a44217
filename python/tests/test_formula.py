"""Elemental formulas, composition engines and argument checks."""

import unittest

import corvan
from tests.support import CorvanTestCase, no_warnings, values


class FormulaTest(CorvanTestCase):
    def test_glucose(self):
        out, peak = corvan.formula("C6H12O6", points=64, return_peak=True)
        self.assertEqual(len(out), 64)
        self.assertAlmostEqual(peak, 0.92263, places=4)
        self.assertEqual(float(out[0]), 1.0)
        self.assertAlmostEqual(float(out[1]), 0.0686, places=4)
        self.assertAlmostEqual(float(out[2]), 0.0143, places=4)
        self.assertEqual(max(values(out)), 1.0)

    def test_water(self):
        out, peak = corvan.formula("H2O", 64, return_peak=True)
        self.assertAlmostEqual(peak, 0.99734, places=5)
        self.assertEqual(float(out[0]), 1.0)

    def test_default_returns_array_only(self):
        out = corvan.formula("H2O")
        self.assertEqual(len(out), 64)

    def test_offset_full_length_placement(self):
        base = corvan.formula("C6H12O6", 16)
        shifted = corvan.formula("C6H12O6", 16, 3)
        self.assertEqual(values(shifted[:3]), [0.0, 0.0, 0.0])
        self.assertAllClose(shifted[3:], base[:13], tol=1e-6)

    def test_bytes_formula(self):
        self.assertAllClose(corvan.formula(b"CH4", 8), corvan.formula("CH4", 8))

    def test_bad_formula_raises(self):
        with self.assertRaises(corvan.CorvanError) as context:
            corvan.formula("Xx2")
        self.assertIn("fft_atom_formula_to_dist", str(context.exception))
        self.assertIn("Xx2", str(context.exception))

    def test_formula_counts(self):
        self.assertEqual(corvan.formula_counts("CH3CH3"), {"H": 6, "C": 2})
        self.assertEqual(list(corvan.formula_counts("C6H12O6")), ["H", "C", "O"])
        full = corvan.formula_counts("C6H12O6", full=True)
        self.assertEqual(len(full), 109)
        self.assertEqual((full[0], full[5], full[7]), (12, 6, 6))
        with self.assertRaises(corvan.CorvanError):
            corvan.formula_counts("C6H12Q")
        with self.assertRaises(corvan.CorvanError):
            corvan.formula_counts("")


class ArgumentTest(unittest.TestCase):
    """Invalid arguments are refused before the library is called."""

    def test_points_and_offset(self):
        for points, offset in ((0, 0), (-1, 0), (8, 8), (8, -1), (8, 9)):
            with self.subTest(points=points, offset=offset):
                with self.assertRaises(ValueError):
                    corvan.formula("H2O", points, offset)
        with self.assertRaises(TypeError):
            corvan.formula("H2O", 8.0)
        with self.assertRaises(TypeError):
            corvan.formula("H2O", True)
        with self.assertRaises(ValueError):
            corvan.formula("H2O", 2**31)

    def test_points_bounded_as_on_the_command_line(self):
        # 2**26 points once took 10 s and 2.5 GB; the bound is --points's.
        for points in (2**20 + 1, 2**26, 2**31 - 1):
            with self.subTest(points=points):
                with self.assertRaises(ValueError):
                    corvan.formula("H2O", points)
                with self.assertRaises(ValueError):
                    corvan.peptide("PEPTIDE", points=points)
        self.assertEqual(len(corvan.formula("H2O", 2**20, 2**20 - 1)), 2**20)

    def test_text_arguments(self):
        with self.assertRaises(ValueError):
            corvan.formula("H2\0O")
        with self.assertRaises(TypeError):
            corvan.formula(18)

    def test_corvan_error_is_runtime_error(self):
        self.assertTrue(issubclass(corvan.CorvanError, RuntimeError))
        self.assertTrue(issubclass(corvan.CorvanWarning, UserWarning))


class CompositionTest(CorvanTestCase):
    def test_water_both_engines(self):
        for engine in ("fft", "brain"):
            with self.subTest(engine=engine):
                out, peak = corvan.composition_distribution(
                    (0, 2, 0, 1, 0), 64, engine, return_peak=True
                )
                self.assertAlmostEqual(peak, 0.99734, places=5)
                self.assertAlmostEqual(float(out[0]), peak, places=6)
                self.assertAlmostEqual(sum(values(out)), 1.0, places=5)

    def test_brain_carbon(self):
        out, peak = corvan.composition_distribution(
            corvan.Composition(C=1), 2, "brain", return_peak=True
        )
        self.assertAllClose(out, [0.9893, 0.0107], tol=1e-6)
        self.assertAlmostEqual(peak, 0.9893, places=6)

    def test_mapping_and_engines_agree(self):
        counts = {"C": 50, "H": 80, "N": 14, "O": 15, "S": 1}
        fft = corvan.composition_distribution(counts, 32, "fft")
        brain = corvan.composition_distribution(counts, 32, "BRAIN")
        self.assertAllClose(fft, brain, tol=1e-3)

    def test_composition_arguments(self):
        with self.assertRaises(ValueError):
            corvan.composition_distribution((1, 2, 3), 8)
        with self.assertRaises(ValueError):
            corvan.composition_distribution({"P": 1}, 8)
        with self.assertRaises(ValueError):
            corvan.composition_distribution((0, 2, 0, 1, 0), 8, "nn")
        with self.assertRaises(ValueError):
            corvan.composition_distribution((0, -2, 0, 1, 0), 8, "brain")
        with self.assertRaises(ValueError):
            corvan.composition_distribution((0, 2, 0, 1, 0), 0)

    def test_no_messages(self):
        with no_warnings():
            corvan.composition_distribution((6, 12, 0, 6, 0), 16)


if __name__ == "__main__":
    unittest.main()
