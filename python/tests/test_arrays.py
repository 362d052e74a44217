"""Result types: numpy arrays when available, array.array('f') otherwise."""

import array
import unittest

import corvan
from tests.support import CorvanTestCase, values, without_numpy

try:
    import numpy
except ImportError:
    numpy = None


def all_result_calls():
    """One result of every array-returning call."""
    with corvan.Network(5, 8) as net:
        net_out = net.run([0.1] * 5)
    return [
        corvan.formula("C6H12O6", 16),
        corvan.peptide("PEPTIDE", points=16),
        corvan.peptide(mass=1500.0, engine="brain", points=16),
        corvan.rna("ACGU", points=16),
        corvan.composition_distribution((6, 12, 0, 6, 0), 16),
        net_out,
    ]


class FallbackTest(CorvanTestCase):
    def test_fallback_array_type(self):
        with without_numpy():
            self.assertFalse(corvan.numpy_enabled())
            for result in all_result_calls():
                self.assertIsInstance(result, array.array)
                self.assertEqual(result.typecode, "f")
            out, peak = corvan.formula("H2O", 8, return_peak=True)
            self.assertIsInstance(out, array.array)
            self.assertIsInstance(peak, float)
        self.assertEqual(corvan.numpy_enabled(), corvan.HAVE_NUMPY)

    def test_fallback_values_match(self):
        normal = corvan.formula("C6H12O6", 16)
        with without_numpy():
            fallback = corvan.formula("C6H12O6", 16)
        self.assertEqual(values(normal), values(fallback))


@unittest.skipIf(numpy is None, "numpy is not installed")
class NumpyTest(CorvanTestCase):
    def test_numpy_array_type(self):
        self.assertTrue(corvan.HAVE_NUMPY)
        self.assertTrue(corvan.numpy_enabled())
        for result in all_result_calls():
            self.assertIsInstance(result, numpy.ndarray)
            self.assertEqual(result.dtype, numpy.float32)
            self.assertTrue(result.flags.writeable)
            self.assertTrue(result.flags.owndata)

    def test_numpy_inputs(self):
        features = numpy.array(corvan.mass_features(1000.0), dtype=numpy.float64)
        with corvan.Network(5, 8) as net:
            self.assertEqual(len(net.run(features)), 8)
        counts = numpy.array([6, 12, 0, 6, 0])
        out = corvan.composition_distribution(counts, 16)
        self.assertAlmostEqual(float(out.sum()), 1.0, places=5)
        self.assertEqual(corvan.peptide(mass=numpy.float32(1500.0)).shape, (64,))
        self.assertEqual(corvan.peptide("GAG", points=numpy.int64(8)).shape, (8,))


@unittest.skipUnless(numpy is None, "numpy is installed")
class WithoutNumpyTest(unittest.TestCase):
    def test_default_is_array(self):
        self.assertFalse(corvan.HAVE_NUMPY)
        self.assertIsInstance(corvan.formula("H2O", 8), array.array)


if __name__ == "__main__":
    unittest.main()
