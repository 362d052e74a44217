"""corvan.many: rows equal to corvan.envelope, per-row errors, threads."""

import math
import unittest

import corvan

try:
    import numpy
except ImportError:  # pragma: no cover - depends on the machine
    numpy = None


def _expected_row(envelope, points, first_k):
    """Heights and m/z of M+first_k .. as corvan.many lays them out."""
    heights, mz = [0.0] * points, [math.nan] * points
    values = envelope.mz if envelope.mz is not None else envelope.masses
    for k, height, value, share in zip(envelope.neutrons, envelope.intensities, values, envelope.shares):
        if 0 <= k - first_k < points and share > 0:
            heights[k - first_k], mz[k - first_k] = float(height), float(value)
    mono = envelope.monoisotopic_mz if envelope.charge else envelope.monoisotopic_mass
    return heights, mz, mono


@unittest.skipIf(numpy is None, "corvan.many needs numpy (python3-numpy)")
class ManyRows(unittest.TestCase):
    def assert_rows_equal_envelopes(self, rows, inputs, kind, charges, points, **options):
        for row, (given, charge) in enumerate(zip(inputs, charges)):
            # A row of charge 0 is the neutral molecule, whatever the adduct.
            row_options = {key: value for key, value in options.items()
                           if key != "adduct" or charge != 0}
            if isinstance(given, str):
                single = corvan.envelope(given, kind, charge=charge, **row_options)
            else:
                single = corvan.envelope(mass=given, kind=kind, charge=charge, **row_options)
            heights, mz, mono = _expected_row(single, points, int(rows.first_k[row]))
            self.assertEqual(rows.heights[row].tolist(), heights, row)
            numpy.testing.assert_array_equal(rows.mz[row], mz)
            self.assertEqual(rows.monoisotopic_mz[row], mono, row)
            self.assertEqual(rows.status[row], 0)
            self.assertIsNone(rows.errors[row])

    def test_texts_and_masses_equal_single_envelopes(self):
        formulas = ["C6H12O6", "[13C6]H12O6", "C50H71N13O12", "SnCl2", "C254H377N65O75S6"]
        for options in ({}, {"labels": {"15N": 0.98}}, {"adduct": "Na+"}):
            charges = [1, 2, 0 if options.get("adduct") else -1, 0, 3]
            # A label needs its element in the molecule: 15N rows only.
            rows_of = [r for r in range(5) if "labels" not in options or "N" in formulas[r]]
            inputs, row_charges = [formulas[r] for r in rows_of], [charges[r] for r in rows_of]
            with self.subTest(options=options):
                rows = corvan.many(inputs, "formula", charge=numpy.array(row_charges), points=12,
                                   **options)
                self.assertEqual(rows.heights.shape, (len(inputs), 12))
                self.assert_rows_equal_envelopes(rows, inputs, "formula", row_charges, 12, **options)
        masses = numpy.array([1000.0, 1450.0, 25000.0])
        rows = corvan.many(masses, "rna", charge=-2, points=8)
        self.assertEqual(rows.charge.tolist(), [-2, -2, -2])
        self.assert_rows_equal_envelopes(rows, masses.tolist(), "rna", [-2] * 3, 8)

    def test_peptides_and_nucleic_acids_as_the_library_reads_them(self):
        peptides = ["EM[Oxidation]EVEES[Phospho]PEK", "<[Carbamidomethyl]@C>ACDEFK", "PEPTIDE"]
        rows = corvan.many(peptides, "peptide", charge=[2, 3, 1], points=10, engine="fft")
        self.assert_rows_equal_envelopes(rows, peptides, "peptide", [2, 3, 1], 10)
        rows = corvan.many(["ACGUACGU", "p-ACGU"], "rna", charge=-2, points=10)
        self.assert_rows_equal_envelopes(rows, ["ACGUACGU", "p-ACGU"], "rna", [-2, -2], 10)
        # A charge in the text is the row's when the row asks for none.
        texts = corvan.many(["PEPTIDE/2", "PEPTIDE/2", "PEPTIDE/2"], "peptide", charge=[0, 2, 3])
        self.assertAlmostEqual(texts.monoisotopic_mz[0], 400.687258, places=6)
        self.assertEqual(texts.monoisotopic_mz[0], texts.monoisotopic_mz[1])
        self.assertEqual(texts.status[2], 5)
        self.assertIn("the text gives charge 2", texts.errors[2])

    def test_failed_rows_carry_status_and_message_others_go_on(self):
        rows = corvan.many(("C6H12Q6", "H2O", "H2\0O", "", "C6H12O6"), "formula",
                           charge=[2, 2, 2, 2, 3], adduct="Fe:z+2", points=4)
        self.assertEqual(rows.status.tolist(), [3, 0, 2, 2, 5])
        self.assertIn("unknown element 'Q'", rows.errors[0])
        self.assertIsNone(rows.errors[1])
        self.assertIn("NUL", rows.errors[2])
        self.assertIn("empty formula", rows.errors[3])
        self.assertIn("no whole number of carriers", rows.errors[4])
        self.assertEqual(rows.ok.tolist(), [False, True, False, False, False])
        self.assertTrue(numpy.isnan(rows.heights[[0, 2, 3, 4]]).all())
        self.assertTrue(numpy.isnan(rows.monoisotopic_mz[0]))
        masses = corvan.many([1000.0, -5.0, float("nan")], "peptide", points=4)
        self.assertEqual(masses.status.tolist(), [0, 4, 4])
        self.assertIn("averaging unit", masses.errors[1])

    def test_windows_hold_each_rows_most_abundant_point(self):
        # A 60 kDa protein at charge 10 peaks near M+37: M..M+15 would hold
        # its low tail only (below 6e-4).
        rows = corvan.many([60000.0, 1000.0], "peptide", charge=10, points=16)
        self.assertEqual(rows.heights.max(axis=1).tolist(), [1.0, 1.0])
        self.assertEqual(rows.first_k.tolist()[1], 0)
        single = corvan.envelope(mass=60000.0, kind="peptide", charge=10)
        top = single.neutrons[single.most_abundant]
        self.assertEqual(rows.heights[0][top - rows.first_k[0]], 1.0)
        labelled = corvan.many(["PEPTIDEKPEPTIDEKPEPTIDEKPEPTIDEKPEPTID"], "peptide", points=16,
                               labels={"15N": 0.98})
        self.assertEqual(labelled.heights.max(), 1.0)
        self.assertLess(labelled.first_k[0], 0)  # 14N atoms make points below M

    def test_rows_python_cannot_hand_over_fail_alone(self):
        # A text without a UTF-8 form, a missing charge: that row fails with
        # its reason, the others are those of a clean call.
        rows = corvan.many(["PEPTIDE", "PEP\udcffTIDE", "ACDK", "GGK"], "peptide",
                           charge=numpy.array([2, 2, None, float("nan")], dtype=object), points=4)
        self.assertEqual(rows.status.tolist(), [0, 2, 1, 1])
        self.assertIn("UTF-8", rows.errors[1])
        self.assertIn("charge is missing", rows.errors[2])
        self.assertTrue(numpy.isnan(rows.heights[1:]).all())
        clean = corvan.many(["PEPTIDE"], "peptide", charge=2, points=4)
        self.assertEqual(rows.heights[0].tolist(), clean.heights[0].tolist())

    def test_threads_give_the_serial_result(self):
        formulas = [f"C{10 + n % 90}H{20 + n % 150}N{1 + n % 20}O{2 + n % 30}S{n % 3}"
                    for n in range(6000)]
        formulas[4321] = "C6Xx"
        charges = numpy.arange(6000) % 4 + 1
        serial = corvan.many(formulas, "formula", charge=charges, threads=1)
        parallel = corvan.many(formulas, "formula", charge=charges, threads=3)
        numpy.testing.assert_array_equal(serial.heights, parallel.heights)
        numpy.testing.assert_array_equal(serial.mz, parallel.mz)
        numpy.testing.assert_array_equal(serial.monoisotopic_mz, parallel.monoisotopic_mz)
        self.assertEqual(parallel.status[4321], 3)
        self.assertEqual(serial.errors, parallel.errors)

    def test_refusals(self):
        cases = [
            ((["H2O"],), {"kind": "formula", "engine": "nn"}, ValueError, "not offered"),
            ((["H2O"],), {"kind": "protein"}, ValueError, "kind"),
            (([1000.0],), {"kind": "formula"}, ValueError, "masses need"),
            ((["H2O", 18.0],), {"kind": "formula"}, TypeError, "all texts"),
            (("H2O",), {"kind": "formula"}, TypeError, "not one text"),
            ((["H2O", "CO2"],), {"kind": "formula", "charge": [1]}, ValueError, "one int per row"),
            ((["H2O"],), {"kind": "formula", "charge": [1.5]}, TypeError, "ints"),
            ((["H2O"],), {"kind": "formula", "points": 0}, ValueError, "points"),
            ((["H2O"],), {"kind": "formula", "threads": 0}, ValueError, "threads"),
            ((["H2O"],), {"kind": "formula", "charge": 1, "adduct": "Na"}, corvan.EnvelopeError,
             "no charge"),
        ]
        for args, kwargs, error, message in cases:
            with self.subTest(kwargs=kwargs):
                with self.assertRaises(error) as caught:
                    corvan.many(*args, **kwargs)
                self.assertIn(message, str(caught.exception))
        empty = corvan.many([], "formula", points=3)
        self.assertEqual(empty.heights.shape, (0, 3))


if __name__ == "__main__":
    unittest.main()
