"""Mass/sequence list files."""

import os
import unittest

import corvan
from tests.support import temporary_directory, write_file


class ReadListTest(unittest.TestCase):
    def test_entries(self):
        text = (
            b"# masses and sequences\n"
            b"\n"
            b"   \t\n"
            b"1500.5 PEPTIDE further words\n"
            b"# 1000 COMMENTED\n"
            b"800.25\tGA[C2H2O]G\r\n"
            b"PEPTIDE 1200\n"
            b"1234\n"
            b"900.5KR\n"
        )
        with temporary_directory() as directory:
            path = write_file(directory, "list.txt", text)
            entries = corvan.read_list(path)
        self.assertEqual(
            entries, [(1500.5, "PEPTIDE"), (800.25, "GA[C2H2O]G"), (900.5, "KR")]
        )

    def test_many_entries(self):
        lines = "".join(f"{1000 + i} A{'G' * i}\n" for i in range(25)).encode()
        with temporary_directory() as directory:
            entries = corvan.read_list(write_file(directory, "many.txt", lines))
        self.assertEqual(len(entries), 25)
        self.assertEqual(entries[24], (1024.0, "A" + "G" * 24))

    def test_empty_file(self):
        with temporary_directory() as directory:
            self.assertEqual(corvan.read_list(write_file(directory, "empty.txt", b"")), [])

    def test_missing_file(self):
        with temporary_directory() as directory:
            with self.assertRaises(corvan.CorvanError) as context:
                corvan.read_list(os.path.join(directory, "missing.txt"))
        self.assertIn("Error opening file!", str(context.exception))
        self.assertIn("missing.txt", str(context.exception))

    def test_run_file(self):
        with temporary_directory() as directory:
            path = write_file(directory, "run.txt", b"1500.5 PEPTIDE\n800.0 GAGK\n")
            self.assertIsNone(corvan.run_file(path))

    def test_arguments(self):
        with self.assertRaises(ValueError):
            corvan.read_list("")
        with self.assertRaises(TypeError):
            corvan.read_list(12.5)


if __name__ == "__main__":
    unittest.main()
