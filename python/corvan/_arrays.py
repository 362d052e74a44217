"""Result arrays: numpy.ndarray (float32) when numpy is importable,
otherwise array.array('f').

The C calls always write into a ctypes float buffer; :func:`to_result`
turns that buffer into the array type handed to the caller.
"""

from __future__ import annotations

import array
import ctypes
from typing import Any, Iterable, Optional, Sequence

try:  # numpy is optional
    import numpy as _numpy
except ImportError:  # pragma: no cover - depends on the machine
    _numpy = None

__all__ = ["HAVE_NUMPY", "float_buffer", "to_result", "float_input", "numpy_enabled"]

HAVE_NUMPY: bool = _numpy is not None

# Internal switch: when False, results are array.array('f') even if numpy is
# installed (lets the tests exercise the fallback path).
_use_numpy: bool = HAVE_NUMPY


def _set_numpy_enabled(enabled: bool) -> bool:
    """Internal: turns numpy results on or off; returns the previous setting."""
    global _use_numpy
    previous = _use_numpy
    _use_numpy = bool(enabled) and HAVE_NUMPY
    return previous


def numpy_enabled() -> bool:
    """True when results are returned as numpy arrays."""
    return _use_numpy


def float_buffer(count: int) -> Any:
    """A zero-filled ctypes array of `count` C floats."""
    return (ctypes.c_float * count)()


def to_result(buffer: Any) -> Any:
    """Copies a ctypes float buffer into the result array type."""
    if _use_numpy:
        return _numpy.frombuffer(buffer, dtype=_numpy.float32).copy()
    result = array.array("f")
    result.frombytes(bytes(buffer))
    return result


def float_input(values: Iterable[float], expected: Optional[int] = None, name: str = "values"):
    """Converts a sequence of numbers (list, tuple, array, ndarray) to a C float array."""
    items: Sequence[float] = list(values)
    if expected is not None and len(items) != expected:
        raise ValueError(f"{name} must have {expected} elements, got {len(items)}")
    try:
        return (ctypes.c_float * len(items))(*(float(v) for v in items))
    except (TypeError, ValueError) as error:
        raise TypeError(f"{name} must hold numbers: {error}") from error
