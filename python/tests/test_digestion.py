"""corvan.digest: pieces and positions from the library's enzyme tables."""

from __future__ import annotations

import unittest

import corvan


class DigestTest(unittest.TestCase):
    def test_trypsin_pieces_feed_the_molecule_layer(self):
        pieces = corvan.digest("MPEKTIDEKPRAGRK", "trypsin", missed_cleavages=1, min_length=3)
        self.assertEqual([(p.start, p.end, p.text) for p in pieces],
                         [(1, 4, "MPEK"), (1, 11, "MPEKTIDEKPR"), (5, 11, "TIDEKPR"),
                          (5, 14, "TIDEKPRAGR"), (12, 14, "AGR"), (12, 15, "AGRK")])
        rows = corvan.many([p.text for p in pieces], kind="peptide", charge=2)
        self.assertEqual(list(rows.status), [0] * len(pieces))

    def test_rnase_ends_and_options(self):
        self.assertEqual([p.text for p in corvan.digest("AUGCG", "RNase_T1", kind="rna",
                                                        cyclic_phosphate=True)],
                         ["AUG>p", "CG"])
        self.assertIn("RNase_A", corvan.enzymes("rna"))
        self.assertEqual(len(corvan.digest("ACDE", "Trypsin", specificity="unspecific")), 10)

    def test_refusals(self):
        with self.assertRaises(corvan.EnvelopeError) as caught:
            corvan.digest("PEPTIDE", "pepsin")
        self.assertIn("Trypsin", str(caught.exception))
        with self.assertRaises(TypeError):
            corvan.digest("PEPTIDE", missed_cleavages=1.5)
        with self.assertRaises(ValueError):
            corvan.digest("PEPTIDE", specificity="loose")


if __name__ == "__main__":
    unittest.main()
