"""corvan.match, corvan.fit_label, corvan.deisotope and corvan.read_mzml."""

import os
import unittest

import corvan

RUN = os.path.join(os.path.dirname(__file__), "..", "..", "tests", "data", "simulated", "run_centroid.mzML")


def own_envelope(text, labels=None):
    ion = corvan.envelope(text, kind="peptide", labels=labels)
    keep = ion.shares > 1e-4
    return ion.mz[keep], ion.shares[keep]


class Observed(unittest.TestCase):
    def test_match_finds_charge_and_a_wrong_monoisotopic_pick(self):
        mz, height = own_envelope("SAMPLERK/2")
        hit = corvan.match(mz, height, "SAMPLERK", charges=(1, 3), named_mz=float(mz[1]))
        self.assertEqual(hit.charge, 2)
        self.assertAlmostEqual(hit.cosine, 1.0, places=12)
        self.assertEqual(hit.named_offset, 1)
        self.assertAlmostEqual(hit.corrected_mz, mz[0], places=9)
        self.assertEqual(hit.matched, len(hit.peaks.observed_mz))

    def test_label_fraction_recovered(self):
        mz, height = own_envelope("SAMPLERK/2", {"15N": 0.4})
        self.assertAlmostEqual(corvan.fit_label(mz, height, "SAMPLERK/2", "15N").fraction, 0.4, delta=1e-4)

    def test_unsorted_spectrum_refused_with_the_library_message(self):
        with self.assertRaisesRegex(corvan.CorvanError, "ascending"):
            corvan.deisotope([501.0, 500.0], [1.0, 1.0])

    @unittest.skipUnless(corvan.numpy_enabled(), "needs numpy")
    def test_deisotope_the_simulated_scan_read_through_pymzml(self):
        try:
            scans = list(corvan.read_mzml(RUN))
        except ImportError:
            self.skipTest("pymzml is not installed")
        self.assertEqual(len(scans[0].mz), 531)
        found = corvan.deisotope(scans[0].mz, scans[0].intensity)
        # EMEVEESPEK [M+2H]2+: monoisotopic m/z 603.76337 (+4.2 ppm as simulated).
        near = [z for m, z in zip(found.monoisotopic_mz, found.charge) if abs(m - 603.76337) < 0.005]
        self.assertEqual(near, [2])


if __name__ == "__main__":
    unittest.main()
