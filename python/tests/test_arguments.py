"""One behaviour for every argument: numpy scalars are numbers, other types
are TypeErrors that name the argument, texts never hold a NUL, labels read
as the command line writes them, and the envelope's fields are arrays."""

import array
import unittest

import corvan

from .support import CorvanTestCase

try:
    import numpy
except ImportError:  # pragma: no cover - depends on the machine
    numpy = None


class ArgumentTest(CorvanTestCase):
    @unittest.skipIf(numpy is None, "needs numpy")
    def test_numpy_scalars_are_numbers(self):
        plain = corvan.envelope("C6H12O6", charge=2, points=3, min_intensity=0.01)
        same = corvan.envelope("C6H12O6", charge=numpy.int64(2), points=numpy.int32(3),
                               min_intensity=numpy.float32(0.01))
        self.assertEqual(list(same.mz), list(plain.mz))
        self.assertEqual(list(corvan.envelope(kind="rna", mass=numpy.float64(5000)).shares),
                         list(corvan.envelope(kind="rna", mass=5000.0).shares))

    def test_other_types_name_the_argument(self):
        for arguments, name in (({"charge": 1.5}, "charge"), ({"charge": "2"}, "charge"),
                                ({"points": 2.0}, "points"), ({"min_intensity": "0"}, "min_intensity"),
                                ({"adduct": b"Na+", "charge": 1}, "adduct"), ({"labels": 5}, "labels")):
            with self.subTest(arguments=arguments):
                with self.assertRaisesRegex(TypeError, f"^{name}"):
                    corvan.envelope("H2O", **arguments)
        with self.assertRaisesRegex(TypeError, "^mass"):
            corvan.envelope(kind="peptide", mass="800")

    def test_texts_with_a_nul_are_refused(self):
        for arguments in ({"adduct": "Na+\0junk", "charge": 1}, {"labels": "15N=0.98\0x"},
                          {"labels": {"15N\0": 0.5}}):
            with self.subTest(arguments=arguments):
                with self.assertRaisesRegex(ValueError, "NUL"):
                    corvan.envelope("C2H5NO2", **arguments)

    def test_labels_as_the_command_line_writes_them(self):
        mapping = corvan.envelope("C10H20N4O4", labels={"15N": 0.98, "13C": 0.5})
        for text in ("15N=0.98, 13C=0.5", ["15N=0.98", "13C=0.5"]):
            with self.subTest(labels=text):
                self.assertEqual(list(corvan.envelope("C10H20N4O4", labels=text).shares),
                                 list(mapping.shares))
        with self.assertRaisesRegex(ValueError, "ISOTOPE=FRACTION"):
            corvan.envelope("H2O", labels="15N")

    def test_every_envelope_field_is_an_array(self):
        ion = corvan.envelope("C6H12O6", charge=1)
        kind = numpy.ndarray if numpy is not None else array.array
        for field in (ion.neutrons, ion.shares, ion.intensities, ion.masses, ion.mz):
            self.assertIsInstance(field, kind)

    def test_peptide_and_rna_take_the_real_chemistry(self):
        # ProForma names and an ion, as corvan.envelope reads them; the fixed
        # engines refuse what they cannot compute.
        out = corvan.peptide("EM[Oxidation]EVEESPEK", charge=2, labels="15N=0.5", points=4)
        ion = corvan.envelope("EM[Oxidation]EVEESPEK", "peptide", charge=2, labels="15N=0.5")
        expected = [0.0] * 4
        for k, height in zip(ion.neutrons, ion.intensities):
            if k < 4:
                expected[int(k)] = height
        self.assertAllClose(out, expected, tol=1e-7)
        chain = corvan.rna("p-ACGU", points=2)
        self.assertAllClose(chain, list(corvan.envelope("p-ACGU", "rna").intensities)[:2], 1e-7)
        with self.assertRaisesRegex(ValueError, "exact engine"):
            corvan.peptide("PEPTIDE", engine="fft", charge=2)


if __name__ == "__main__":
    unittest.main()
