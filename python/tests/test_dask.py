"""corvan.dask on a local cluster of two worker processes, against the
serial corvan.many."""

import math
import unittest
import warnings

try:
    import dask.dataframe
    import distributed
    import numpy
    import pandas

    import corvan.dask

    MISSING = None
except ImportError as error:  # pragma: no cover - depends on the machine
    MISSING = f"corvan.dask needs python3-dask, python3-distributed and python3-pandas ({error})"

import corvan


@unittest.skipIf(MISSING is not None, MISSING or "")
class DaskDistributions(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # Worker processes inherit CORVAN_LIBRARY and PYTHONPATH. Debian's
        # tornado warns about its own event loop calls; that is not ours.
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", DeprecationWarning)
            cls.cluster = distributed.LocalCluster(n_workers=2, threads_per_worker=1,
                                                   processes=True, dashboard_address=None,
                                                   silence_logs=40)
            cls.client = distributed.Client(cls.cluster)

    @classmethod
    def tearDownClass(cls):
        cls.client.close()
        cls.cluster.close()

    def test_partitions_on_two_workers_equal_the_serial_result(self):
        formulas = [f"C{10 + n % 60}H{20 + n % 90}N{1 + n % 12}O{2 + n % 20}S{n % 2}" for n in range(3000)]
        formulas[17] = "C6H12Q6"
        charges = numpy.arange(3000, dtype=numpy.int64) % 3 + 1
        frame = pandas.DataFrame({"formula": formulas, "z": charges},
                                 index=pandas.RangeIndex(100, 3100))
        table = corvan.dask.distributions(dask.dataframe.from_pandas(frame, npartitions=6),
                                          "formula", kind="formula", charge="z", points=6)
        self.assertEqual(list(table.columns), ["formula", "z", "monoisotopic_mz", "first_k", "error"]
                         + [f"p{j}" for j in range(6)])
        result = table.compute()
        self.assertEqual(len(self.client.scheduler_info()["workers"]), 2)
        serial = corvan.many(formulas, "formula", charge=charges, points=6)
        pandas.testing.assert_index_equal(result.index, frame.index)
        self.assertEqual(result["formula"].tolist(), formulas)
        numpy.testing.assert_array_equal(result[[f"p{j}" for j in range(6)]].to_numpy(), serial.heights)
        numpy.testing.assert_array_equal(result["monoisotopic_mz"].to_numpy(), serial.monoisotopic_mz)
        self.assertEqual(result["error"].tolist(), serial.errors)
        numpy.testing.assert_array_equal(result["first_k"].to_numpy(), serial.first_k)
        self.assertIn("unknown element 'Q'", result["error"].iloc[17])

    def test_a_missing_charge_fails_its_row_only(self):
        frame = pandas.DataFrame({"seq": ["PEPTIDE", "ACDK", "GGK", "PEK"],
                                  "z": pandas.array([2, None, 1, 3], dtype="Int64")})
        table = corvan.dask.distributions(dask.dataframe.from_pandas(frame, npartitions=2),
                                          "seq", charge="z", points=2).compute()
        self.assertEqual([error is None for error in table["error"]], [True, False, True, True])
        self.assertTrue(math.isnan(table["p0"][1]))
        self.assertEqual(table["p0"][3], 1.0)

    def test_masses_with_one_charge(self):
        frame = pandas.DataFrame({"mass": [1000.0, 2000.0, -1.0, 3000.0]})
        table = corvan.dask.distributions(dask.dataframe.from_pandas(frame, npartitions=2),
                                          "mass", kind="peptide", charge=2, points=4).compute()
        serial = corvan.many(frame["mass"].to_numpy(), "peptide", charge=2, points=4)
        numpy.testing.assert_array_equal(table[["p0", "p1", "p2", "p3"]].to_numpy(), serial.heights)
        self.assertEqual(table["error"].isna().tolist(), [True, True, False, True])
        with self.assertRaises(KeyError):
            corvan.dask.distributions(dask.dataframe.from_pandas(frame, npartitions=1), "formula")


if __name__ == "__main__":
    unittest.main()
