"""corvan.fine_structure, corvan.profile, corvan.centroids from Python."""

import unittest

import corvan

H1, O16, C13_SHIFT, N15_SHIFT = 1.00782503223, 15.99491461957, 1.00335483507, 0.99703489


class SpectrumValues(unittest.TestCase):
    def test_fine_structure_of_water(self):
        water = corvan.fine_structure("H2O", threshold=1e-4)
        self.assertEqual(len(water), 4)
        self.assertEqual(str(water.mz.dtype), "float64")
        self.assertAlmostEqual(water.mz[0], 2 * H1 + O16, places=9)
        self.assertAlmostEqual(water.probability[0], 0.999885**2 * 0.99757, places=9)
        self.assertEqual(len(corvan.fine_structure("H2O", coverage=0.999)), 2)

    def test_13c_and_15n_resolved_at_360k_merged_at_30k(self):
        high = corvan.centroids("SAMPLER", kind="peptide", charge=2, resolution="360000@200")
        low = corvan.centroids("SAMPLER", kind="peptide", charge=2, resolution="30000@200")
        apart = (C13_SHIFT - N15_SHIFT) / 2
        self.assertAlmostEqual(high.mz[2] - high.mz[1], apart, delta=2e-4)
        self.assertEqual(len(high.fine_mz_of(1)) + len(high.fine_mz_of(2)), len(low.fine_mz_of(1)))
        self.assertGreater(low.mz[2] - low.mz[1], 0.45)  # the next centroid is M+2

    def test_lone_peak_height_is_its_probability(self):
        fine = corvan.fine_structure("CH4", charge=1)
        peaks = corvan.centroids("CH4", charge=1, resolution=1e6, analyzer="tof", mz_range=(16.9, 17.2))
        self.assertAlmostEqual(peaks.height[0], fine.probability[0], places=9)
        self.assertAlmostEqual(peaks.mz[0], fine.mz[0], places=8)
        profiles = corvan.profile(["CH4", "H2O"], charge=1, resolution=[(10, 50000), (100, 20000)])
        self.assertEqual(len(profiles), 2)
        # Grid points lie within a twentieth of a FWHM of the centre.
        self.assertLessEqual(max(profiles[0].intensity), fine.probability[0])
        self.assertGreater(max(profiles[0].intensity), 0.993 * fine.probability[0])

    def test_refusals(self):
        with self.assertRaises(corvan.SpectrumError) as caught:
            corvan.fine_structure("C6H12O6", threshold=1e-6, max_peaks=5)
        self.assertEqual(caught.exception.status, "distribution too wide")
        self.assertEqual(caught.exception.needed, len(corvan.fine_structure("C6H12O6", threshold=1e-6)))
        with self.assertRaises(corvan.SpectrumError) as caught:
            corvan.profile("H2O", resolution="0@200")
        self.assertEqual(caught.exception.status, "syntax error")
        with self.assertRaises(corvan.SpectrumError):
            corvan.profile("H2O", analyzer="magnet")
        with self.assertRaises(corvan.SpectrumError):
            corvan.fine_structure("C6H12Q6")


if __name__ == "__main__":
    unittest.main()
