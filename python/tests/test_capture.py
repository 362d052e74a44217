"""Capture of library messages: restored descriptors, nothing leaked."""

import os
import subprocess
import sys
import textwrap
import unittest

import corvan
from tests.support import run_on_threads, values

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def run_python(code):
    """Runs `code` in a fresh interpreter with this package; returns (stdout, stderr)."""
    env = dict(os.environ)
    env["PYTHONPATH"] = HERE + os.pathsep + env.get("PYTHONPATH", "")
    env["PYTHONDONTWRITEBYTECODE"] = "1"
    done = subprocess.run(
        [sys.executable, "-c", textwrap.dedent(code)],
        env=env,
        capture_output=True,
        timeout=120,
        check=False,
    )
    return done.returncode, done.stdout.decode(), done.stderr.decode()


class CaptureTest(unittest.TestCase):
    def test_descriptor_restored(self):
        before = os.fstat(1)
        with self.assertRaises(corvan.CorvanError):
            corvan.peptide("A" * 1001, engine="fft")
        after = os.fstat(1)
        self.assertEqual((before.st_dev, before.st_ino), (after.st_dev, after.st_ino))

    def test_nothing_leaks_to_stdout(self):
        code, out, err = run_python(
            """
            import warnings, corvan
            print("start", flush=True)
            try:
                corvan.peptide("A" * 1001, engine="fft")
            except corvan.CorvanError as error:
                print("caught:", error)
            with warnings.catch_warnings(record=True) as caught:
                warnings.simplefilter("always")
                corvan.rna_composition("ACGT")
            print("warned:", len(caught))
            try:
                corvan.read_list("/nonexistent/corvan/list.txt")
            except corvan.CorvanError as error:
                print("caught:", error)
            print("end")
            """
        )
        self.assertEqual(code, 0, err)
        lines = out.splitlines()
        self.assertEqual(lines[0], "start")
        self.assertTrue(lines[1].startswith("caught: Sequence contains too many amino acids"))
        self.assertEqual(lines[2], "warned: 1")
        self.assertTrue(lines[3].startswith("caught: Error opening file!"))
        self.assertEqual(lines[4], "end")
        self.assertEqual(len(lines), 5)
        self.assertNotIn("Error opening file!", err)

    def test_closed_stdout_still_works(self):
        code, out, err = run_python(
            """
            import os, sys, corvan
            sys.stdout.flush()
            os.close(1)
            try:
                corvan.peptide("A" * 1001, engine="fft")
            except corvan.CorvanError as error:
                sys.stderr.write("caught: %s\\n" % error)
            sys.stderr.write("peak %.5f\\n" % corvan.formula("H2O", return_peak=True)[1])
            """
        )
        self.assertIn("caught:", err)
        self.assertIn("peak 0.99734", err)

    def test_other_threads_output_arrives(self):
        # Messages are collected per thread: nothing another thread writes
        # to the process's standard output may be swallowed meanwhile.
        code, out, err = run_python(
            """
            import os, threading, corvan
            stop = threading.Event()
            def calls():
                while not stop.is_set():
                    corvan.peptide("ACDEFGHIKLMNPQRSTVWY" * 200, engine="brain")
            worker = threading.Thread(target=calls)
            worker.start()
            for i in range(5000):
                os.write(1, b"line %d\\n" % i)
            stop.set()
            worker.join()
            """
        )
        self.assertEqual(code, 0, err)
        self.assertEqual(out.splitlines(), ["line %d" % i for i in range(5000)])

    def test_a_host_handler_is_restored(self):
        import ctypes

        from corvan import _capture

        received = []
        handler = _capture._HANDLER(lambda text, stream, context: received.append(text))
        _capture._set(handler, None)
        try:
            with self.assertRaises(corvan.CorvanError):
                corvan.peptide("A" * 1001, engine="fft")
            out = (ctypes.c_float * 8)()
            corvan._library.function("nn_pep_mass_to_dist")(out, 8, 0, 150000.0)
        finally:
            _capture._set(_capture._HANDLER(), None)
        self.assertEqual(
            received, [b"Error: Mass outside of allowed NN mass range: 150000.000000\n"]
        )

    def test_threads(self):
        expected = values(corvan.peptide("PEPTIDEKR", engine="brain"))
        results = []
        errors = []

        def work():
            try:
                for _ in range(20):
                    results.append(values(corvan.peptide("PEPTIDEKR", engine="brain")))
                    try:
                        corvan.peptide("A" * 1001, engine="fft")
                    except corvan.CorvanError as error:
                        if "too many amino acids" not in str(error):
                            errors.append(str(error))
            except Exception as error:  # pragma: no cover - reported below
                errors.append(repr(error))

        run_on_threads(work)
        self.assertEqual(errors, [])
        self.assertEqual(len(results), 80)
        for result in results:
            self.assertEqual(result, expected)


class LoaderTest(unittest.TestCase):
    def test_library_path(self):
        self.assertTrue(corvan.library_path)
        if os.environ.get("CORVAN_LIBRARY"):
            self.assertEqual(corvan.library_path, os.environ["CORVAN_LIBRARY"])

    def test_bad_environment_variable(self):
        env_code = """
            import os
            os.environ["CORVAN_LIBRARY"] = "/nonexistent/libcorvan.so"
            try:
                import corvan
            except ImportError as error:
                print("ImportError:", error)
            """
        code, out, err = run_python(env_code)
        self.assertEqual(code, 0, err)
        self.assertIn("ImportError: corvan: cannot load the library named by CORVAN_LIBRARY", out)


if __name__ == "__main__":
    unittest.main()
