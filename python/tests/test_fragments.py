"""corvan.fragments: the library's fragment ions, settings read by the library."""

from __future__ import annotations

import unittest

import corvan


class FragmentsTest(unittest.TestCase):
    def test_ions_and_isolation(self):
        ions = corvan.fragments("PEPTIDE", types="b,y", charges=(1, 2), isolation=[0])
        self.assertEqual(len(ions), 24)
        b2 = ions[2]
        self.assertEqual((b2.name, b2.series, b2.number, b2.charge, b2.formula),
                         ("b2", "b", 2, 1, "C10H14N2O4"))
        self.assertAlmostEqual(b2.monoisotopic_mz, 97.052764 + 129.042593 + 1.007276, places=5)
        # Only M+0 isolated: no fragment can hold a heavy isotope.
        self.assertEqual(list(b2.conditioned[:2]), [1.0, 0.0])
        self.assertAlmostEqual(float(sum(b2.shares)), 1.0, places=9)
        losses = corvan.fragments("GAS[Phospho]K", types="y", losses=["H3PO4"])
        self.assertEqual([(f.name, f.loss) for f in losses],
                         [("y1", None), ("y2", None), ("y2-H3PO4", "H3PO4"),
                          ("y3", None), ("y3-H3PO4", "H3PO4")])

    def test_refusals(self):
        with self.assertRaises(corvan.EnvelopeError) as caught:
            corvan.fragments("PEPTIDE", types="bq")
        self.assertEqual(caught.exception.position, 1)
        with self.assertRaises(corvan.EnvelopeError):
            corvan.fragments("ACGU", kind="rna", types="by")
        with self.assertRaises(ValueError):
            corvan.fragments("PEPTIDE", losses=["CO2"])


if __name__ == "__main__":
    unittest.main()
