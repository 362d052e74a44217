"""Peptide distributions through every engine."""

import unittest

import corvan
from tests.support import FamilyTestCase, no_warnings, temporary_directory, values, write_file

PEPTIDE = "PEPTIDEKR"
LONG = "ACDEFGHIKLMNPQRSTVWY" * 3  # 60 residues


def argmax(result):
    data = values(result)
    return data.index(max(data))


class PeptideSequenceTest(FamilyTestCase):
    def test_brain_overflow_names_its_cause(self):
        with self.assertRaises(corvan.CorvanError) as caught:
            corvan.peptide("A" * 20000, engine="brain")
        self.assertIn("recursion overflows", str(caught.exception))
        self.assertNotIn("no residue", str(caught.exception))

    def test_fft_and_brain_agree(self):
        fft, fft_peak = corvan.peptide(PEPTIDE, engine="fft", return_peak=True)
        brain, brain_peak = corvan.peptide(PEPTIDE, engine="brain", return_peak=True)
        self.assertEqual(len(fft), 64)
        self.assertEqual(float(fft[0]), 1.0)
        self.assertAlmostEqual(fft_peak, brain_peak, places=3)
        self.assertAllClose(fft[:16], brain[:16], tol=1e-3)

    def test_default_engine_is_exact_and_reads_proforma(self):
        # The molecule layer's envelope on the fixed calls' grid (a second
        # route: corvan.envelope), so ProForma names work as they do there.
        for text in (PEPTIDE, "EM[Oxidation]EVEESPEK"):
            ion = corvan.envelope(text, "peptide")
            expected = [0.0] * 8
            for k, height in zip(ion.neutrons, ion.intensities):
                if 2 + k < 8:
                    expected[2 + k] = height
            out, peak = corvan.peptide(text, points=8, offset=2, return_peak=True)
            self.assertAllClose(out, expected, tol=1e-7)
            self.assertEqual(peak, ion.shares[ion.most_abundant])
        self.assertAllClose(corvan.peptide(PEPTIDE), corvan.peptide(PEPTIDE, engine="fft"), 1e-6)

    def test_network_agrees_roughly(self):
        fft = corvan.peptide(PEPTIDE, engine="fft", points=16)
        nn, peak = corvan.peptide(PEPTIDE, engine="nn", points=16, return_peak=True)
        self.assertEqual(argmax(nn), argmax(fft))
        self.assertEqual(max(values(nn)), 1.0)
        self.assertGreater(peak, 0.0)
        self.assertAllClose(nn[:6], fft[:6], tol=0.1)

    def test_matches_composition(self):
        self.assertMatchesComposition(corvan.peptide, corvan.peptide_composition, PEPTIDE)

    def test_window_offset(self):
        base, peak = corvan.peptide(PEPTIDE, points=64, return_peak=True)
        moved, moved_peak = corvan.peptide(PEPTIDE, points=64, offset=10, return_peak=True)
        self.assertEqual(peak, moved_peak)
        self.assertEqual(values(moved[:10]), [0.0] * 10)
        self.assertAllClose(moved[10:], base[:54], tol=1e-7)

    def test_short_network_output(self):
        out = corvan.peptide("GAG", engine="nn", points=64)
        self.assertEqual(values(out[16:]), [0.0] * 48)

    def test_too_many_residues(self):
        for engine in ("fft", "nn"):
            with self.subTest(engine=engine):
                with self.assertRaises(corvan.CorvanError) as context:
                    corvan.peptide("A" * 1001, engine=engine)
                self.assertIn(
                    "Sequence contains too many amino acids (>1000).", str(context.exception)
                )
        # BRAIN has no upper limit
        self.assertEqual(len(corvan.peptide("A" * 1001, engine="brain")), 64)

    def test_empty_and_partly_read_sequences_are_refused(self):
        # As the command line refuses them: no engine computes a sequence
        # the fixed calls would only partly apply.
        for text, message in [
            ("", "no residues"),
            ("peptide", "'p' at position 1"),
            ("PEPTIDEX", "'X' at position 8"),
            ("PEP TIDE", "' ' at position 4"),
            ("PEPTIDE[C2H2O", "is not closed"),
            ("PEPTIDE[Br]", "cannot read the modification [Br]"),
        ]:
            for engine in ("fft", "brain"):
                with self.subTest(text=text, engine=engine):
                    with self.assertRaises(corvan.CorvanError) as context:
                        corvan.peptide(text, engine=engine)
                    self.assertIn(message, str(context.exception))

    def test_modification_that_would_be_dropped_is_refused(self):
        with self.assertRaises(corvan.EnvelopeError) as context:
            corvan.peptide("GAG[H2 O]", engine="fft")
        self.assertIn("cannot read the modification [H2 O]", str(context.exception))
        self.assertEqual(context.exception.position, 3)
        with no_warnings():
            corvan.peptide("GAG[H2O]", engine="fft")


class PeptideMassTest(FamilyTestCase):
    def test_fft_and_brain_agree(self):
        self.assertEnginesAgree(corvan.peptide, 1e-3, mass=1500.0, points=16)

    def test_network_agrees_roughly(self):
        fft = corvan.peptide(mass=1000.0, engine="fft", points=8)
        nn = corvan.peptide(mass=1000.0, engine="nn", points=8)
        self.assertEqual(argmax(nn), argmax(fft))
        self.assertAllClose(nn, fft, tol=0.1)

    def test_small_mass(self):
        out, peak = corvan.peptide(mass=50.0, engine="fft", return_peak=True)
        self.assertAlmostEqual(peak, 1.0, places=6)
        self.assertEqual(float(out[0]), 1.0)

    def test_masses_the_command_line_refuses(self):
        for mass, engine in [(0.0, "brain"), (-5.0, "nn"), (float("nan"), "fft"), (float("inf"), "fit")]:
            with self.subTest(mass=mass, engine=engine):
                with self.assertRaises(corvan.CorvanError) as context:
                    corvan.peptide(mass=mass, engine=engine)
                self.assertIn("positive number of daltons", str(context.exception))

    def test_network_mass_range(self):
        self.assertNetworkMassRange(corvan.peptide, 120000.0)

    def test_parametric_model(self):
        out, peak = corvan.peptide(mass=1000.0, engine="fit", points=8, return_peak=True)
        self.assertAlmostEqual(peak, 0.5605, places=3)
        self.assertAlmostEqual(float(out[0]), 0.5605, places=3)  # not scaled
        self.assertAlmostEqual(float(out[1]), 0.306, places=3)
        out = corvan.peptide(mass=1000.0, engine="fit", points=8, offset=2)
        self.assertEqual(values(out[:2]), [0.0, 0.0])
        self.assertAlmostEqual(float(out[2]), 0.5605, places=3)

    def test_parametric_parameters(self):
        params = corvan.parametric_parameters(1000.0)
        self.assertAlmostEqual(params["alpha"], 0.2880, places=3)
        self.assertAlmostEqual(params["beta"], 1.046, places=3)
        self.assertAlmostEqual(params["mid"], 0.2013, places=3)
        self.assertAlmostEqual(params["sigma"], 1.022, places=3)

    def test_parametric_sigma_message(self):
        params = list(corvan.settings.isoparams)
        params[7] = -10.0
        with corvan.settings.temporarily(isoparams=params):
            with self.assertRaises(corvan.CorvanError) as context:
                corvan.peptide(mass=1000.0, engine="fit")
        self.assertIn("Sigma isotope parameter must be positive", str(context.exception))
        self.assertNotEqual(corvan.settings.isoparams[7], -10.0)


class PeptideArgumentTest(unittest.TestCase):
    def test_sequence_or_mass(self):
        with self.assertRaises(ValueError):
            corvan.peptide()
        with self.assertRaises(ValueError):
            corvan.peptide("PEPTIDE", mass=800.0)

    def test_engines(self):
        with self.assertRaises(ValueError):
            corvan.peptide("PEPTIDE", engine="magic")
        with self.assertRaises(ValueError):
            corvan.peptide("PEPTIDE", engine="fit")
        with self.assertRaises(ValueError):
            corvan.peptide("PEPTIDE", engine="fft", weights="model.bin")
        with self.assertRaises(ValueError):
            corvan.peptide("PEPTIDE", weights="")
        with self.assertRaises(TypeError):
            corvan.peptide(mass="800")
        with self.assertRaises(ValueError):
            corvan.peptide("PEPTIDE", points=4, offset=4)


class PeptideCustomNetworkTest(FamilyTestCase):
    def test_embedded_blob_as_weight_file(self):
        blob = corvan.embedded_network("corvanpep_model_64")
        self.assertEqual(len(blob), corvan.custom_network_file_size(20, 64))
        with temporary_directory() as directory:
            path = write_file(directory, "pep64.bin", blob)
            custom, peak = corvan.peptide(LONG, weights=path, return_peak=True)
            embedded, embedded_peak = corvan.peptide(LONG, engine="nn", return_peak=True)
        self.assertEqual(peak, embedded_peak)
        self.assertAllClose(custom, embedded, tol=0)

    def test_missing_weight_file(self):
        with temporary_directory() as directory:
            with self.assertRaises(corvan.CorvanError) as context:
                corvan.peptide(LONG, weights=f"{directory}/none.bin")
        self.assertIn("none.bin", str(context.exception))
        self.assertIn(str(corvan.custom_network_file_size(20, 64)), str(context.exception))

    def test_mass_with_wrong_file(self):
        with temporary_directory() as directory:
            path = write_file(directory, "small.bin", b"\0" * 100)
            with self.assertRaises(corvan.CorvanError):
                corvan.peptide(mass=1500.0, weights=path, points=8)


if __name__ == "__main__":
    unittest.main()
