"""Argument checks shared by the wrappers (run before any C call)."""

from __future__ import annotations

import numbers
import os
from typing import Dict, Iterable, Mapping, Optional, Tuple, Union

INT32_MIN = -(2**31)
INT32_MAX = 2**31 - 1

Text = Union[str, bytes]
PathLike = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]


def check_int(value: object, name: str, minimum: int = INT32_MIN, maximum: int = INT32_MAX) -> int:
    """An int in [minimum, maximum]; TypeError/ValueError otherwise."""
    if isinstance(value, bool) or not isinstance(value, numbers.Integral):
        raise TypeError(f"{name} must be an int, got {type(value).__name__}")
    number = int(value)
    if not minimum <= number <= maximum:
        raise ValueError(f"{name} must be between {minimum} and {maximum}, got {number}")
    return number


# The command line's bound on --points: far beyond any isotope envelope, and
# a grid of INT32_MAX points would take tens of gigabytes.
MOST_POINTS = 1 << 20


def check_frame(points: object, offset: object) -> Tuple[int, int]:
    """Validates the output length (1 to MOST_POINTS) and offset of a distribution call."""
    n = check_int(points, "points", 1, MOST_POINTS)
    if isinstance(offset, bool) or not isinstance(offset, numbers.Integral):
        raise TypeError(f"offset must be an int, got {type(offset).__name__}")
    k = int(offset)
    if not 0 <= k < n:
        raise ValueError(f"offset must satisfy 0 <= offset < points ({n}), got {k}")
    return n, k


def check_real(value: object, name: str) -> float:
    """A real number (numpy scalars too); TypeError naming `name` otherwise."""
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise TypeError(f"{name} must be a number, got {type(value).__name__}")
    return float(value)


def check_mass(mass: object) -> float:
    """A real number (NaN and infinities are left to the library)."""
    return check_real(mass, "mass")


def check_str(text: object, name: str) -> str:
    """A str (numpy str_ too) without NUL; TypeError/ValueError naming `name`."""
    if not isinstance(text, str):
        raise TypeError(f"{name} must be a str, got {type(text).__name__}")
    if "\0" in text:
        raise ValueError(f"{name} must not contain NUL characters")
    return str(text)


def check_labels(labels: object) -> Dict[str, float]:
    """Labels as a mapping {"15N": 0.98}, a text "15N=0.98, 13C=0.5" (as the
    command line and the API write them) or an iterable of such texts."""
    if labels is None:
        return {}
    if isinstance(labels, Mapping):
        return {check_str(isotope, "labels isotope"): check_real(fraction, "labels fraction")
                for isotope, fraction in labels.items()}
    if isinstance(labels, str):
        labels = [labels]
    if not isinstance(labels, Iterable):
        raise TypeError(f"labels must be a mapping or a text, got {type(labels).__name__}")
    parsed: Dict[str, float] = {}
    for text in labels:
        for item in check_str(text, "labels").split(","):
            if not item.strip():
                continue
            isotope, equals, fraction = item.partition("=")
            try:
                if not equals:
                    raise ValueError
                parsed[isotope.strip()] = float(fraction)
            except ValueError:
                raise ValueError(f"labels: {item.strip()!r} is no ISOTOPE=FRACTION") from None
    return parsed


def encode_text(text: object, name: str) -> bytes:
    """A str (UTF-8) or bytes argument as NUL-free bytes for a char pointer."""
    if isinstance(text, str):
        data = text.encode("utf-8", errors="surrogateescape")
    elif isinstance(text, (bytes, bytearray)):
        data = bytes(text)
    else:
        raise TypeError(f"{name} must be str or bytes, got {type(text).__name__}")
    if b"\0" in data:
        raise ValueError(f"{name} must not contain NUL characters")
    return data


def encode_path(path: object, name: str = "path") -> bytes:
    """A non-empty file system path as bytes."""
    try:
        data = os.fsencode(path)  # type: ignore[arg-type]
    except TypeError as error:
        raise TypeError(f"{name} must be a path, got {type(path).__name__}") from error
    if not data:
        raise ValueError(f"{name} must not be empty")
    if b"\0" in data:
        raise ValueError(f"{name} must not contain NUL characters")
    return data


def one_of(sequence: object, mass: object) -> str:
    """'sequence' or 'mass': exactly one of the two must be given."""
    if (sequence is None) == (mass is None):
        raise ValueError("give exactly one of a sequence or mass=")
    return "sequence" if sequence is not None else "mass"


def check_engine(
    engine: Optional[str], weights: object, allowed: Iterable[str], default: str = "fft"
) -> str:
    """Resolves the engine name; weights= implies (and requires) 'nn'."""
    allowed = tuple(allowed)
    if engine is None:
        engine = "nn" if weights is not None else default
    if not isinstance(engine, str) or engine.lower() not in allowed:
        raise ValueError(f"engine must be one of {', '.join(allowed)}; got {engine!r}")
    engine = engine.lower()
    if weights is not None and engine != "nn":
        raise ValueError(f"weights= selects a network; it cannot be used with engine={engine!r}")
    return engine
