"""Helpers shared by the tests."""

from __future__ import annotations

import contextlib
import os
import shutil
import tempfile
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
