"""The wheel that `pip install ./python` builds: contents, and a fresh venv."""

from __future__ import annotations

import base64
import hashlib
import os
import subprocess
import sys
import unittest
import zipfile
from pathlib import Path

import corvan

from .support import temporary_directory

BACKEND_DIR = Path(__file__).resolve().parent.parent / "backend"
sys.path.insert(0, str(BACKEND_DIR))
import corvan_wheel  # noqa: E402  (the backend lives outside the package)


def _hash(data: bytes) -> str:
    return base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()


class WheelTest(unittest.TestCase):
    def test_bundled_wheel_carries_the_library_and_a_valid_record(self):
        library = Path(corvan.library_path).resolve()
        with temporary_directory() as folder:
            name = corvan_wheel.build_wheel(folder, {"library": str(library)})
            self.assertTrue(name.startswith(f"corvan-{corvan.__version__}-py3-none-linux"))
            with zipfile.ZipFile(os.path.join(folder, name)) as wheel:
                files = {info.filename: wheel.read(info) for info in wheel.infolist()}
        self.assertEqual(files["corvan/libcorvan.so"], library.read_bytes())
        self.assertIn("corvan/envelopes.py", files)
        record = files[f"corvan-{corvan.__version__}.dist-info/RECORD"].decode().splitlines()
        for line in record:
            path, digest, size = line.split(",")
            if digest:
                self.assertEqual(digest, "sha256=" + _hash(files[path]), path)
                self.assertEqual(int(size), len(files[path]))
        self.assertEqual(len(record), len(files))

    def test_system_wheel_is_pure_python(self):
        with temporary_directory() as folder:
            name = corvan_wheel.build_wheel(folder, {"library": "system"})
            with zipfile.ZipFile(os.path.join(folder, name)) as wheel:
                names = wheel.namelist()
        self.assertTrue(name.endswith("-py3-none-any.whl"))
        self.assertNotIn("corvan/libcorvan.so", names)

    def test_installed_wheel_loads_its_own_library_in_a_fresh_venv(self):
        library = Path(corvan.library_path).resolve()
        with temporary_directory() as folder:
            venv = Path(folder) / "venv"
            made = subprocess.run([sys.executable, "-m", "venv", str(venv)], capture_output=True)
            if made.returncode != 0:
                self.skipTest("python3 -m venv is not available (Debian: python3-venv)")
            wheel = corvan_wheel.build_wheel(folder, {"library": str(library)})
            python = str(venv / "bin" / "python")
            subprocess.run([python, "-m", "pip", "install", "-q", "--no-index",
                            os.path.join(folder, wheel)], check=True, capture_output=True)
            environment = {k: v for k, v in os.environ.items()
                           if k not in ("CORVAN_LIBRARY", "PYTHONPATH")}
            shown = subprocess.run(
                [python, "-c", "import corvan; print(corvan.library_path); "
                 "print(corvan.envelope('H2O').monoisotopic_mass)"],
                check=True, capture_output=True, text=True, cwd=folder, env=environment)
        where, mass = shown.stdout.split()
        self.assertTrue(where.startswith(str(venv)), where)
        self.assertAlmostEqual(float(mass), 18.0105646863, places=6)


if __name__ == "__main__":
    unittest.main()
