"""Helpers shared by the tests."""

from __future__ import annotations

import contextlib
import os
import shutil
import tempfile
import threading
import unittest
import warnings
from typing import Iterator, Sequence

import corvan
from corvan import _arrays


def values(result: Sequence[float]) -> list:
    """Plain Python floats of a result array (numpy or array.array)."""
    return [float(v) for v in result]


@contextlib.contextmanager
def temporary_directory() -> Iterator[str]:
    path = tempfile.mkdtemp(prefix="corvan-test-")
    try:
        yield path
    finally:
        shutil.rmtree(path, ignore_errors=True)


@contextlib.contextmanager
def without_numpy() -> Iterator[None]:
    """Forces array.array results for the duration of the block."""
    previous = _arrays._set_numpy_enabled(False)
    try:
        yield
    finally:
        _arrays._set_numpy_enabled(previous)


@contextlib.contextmanager
def no_warnings() -> Iterator[None]:
    """Fails the test when a CorvanWarning is raised inside the block."""
    with warnings.catch_warnings():
        warnings.simplefilter("error", corvan.CorvanWarning)
        yield


def run_on_threads(work, count: int = 4) -> None:
    """Runs `work` on `count` threads at once and waits for all of them."""
    threads = [threading.Thread(target=work) for _ in range(count)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()


def write_file(directory: str, name: str, data: bytes) -> str:
    path = os.path.join(directory, name)
    with open(path, "wb") as stream:
        stream.write(data)
    return path


class CorvanTestCase(unittest.TestCase):
    """Adds list comparisons with a tolerance."""

    def assertAllClose(self, actual, expected, tol: float = 1e-6, msg: str = "") -> None:
        actual = values(actual)
        expected = values(expected)
        self.assertEqual(len(actual), len(expected), msg)
        for i, (a, e) in enumerate(zip(actual, expected)):
            if abs(a - e) > tol:
                self.fail(f"{msg} index {i}: {a} != {e} (tol {tol})")


class FamilyTestCase(CorvanTestCase):
    """Checks that the peptide and RNA families share, run on either one's call."""

    def assertEnginesAgree(self, call, tol: float, **arguments) -> None:
        fft = call(engine="fft", **arguments)
        brain = call(engine="brain", **arguments)
        self.assertAllClose(fft, brain, tol=tol)

    def assertMatchesComposition(self, call, composition_of, text: str, **arguments) -> None:
        direct, peak = corvan.composition_distribution(composition_of(text), 64, return_peak=True)
        out, out_peak = call(text, return_peak=True, **arguments)
        self.assertAlmostEqual(out_peak, peak, places=6)
        self.assertAllClose(out, [v / peak for v in values(direct)], tol=1e-6)

    def assertNetworkMassRange(self, call, mass: float) -> None:
        with self.assertRaises(corvan.CorvanError) as context:
            call(mass=mass, engine="nn")
        message = f"Error: Mass outside of allowed NN mass range: {mass:f}"
        self.assertIn(message, str(context.exception))
