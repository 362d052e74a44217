"""Small building blocks of the engines, for inspection and experiments."""

from __future__ import annotations

import ctypes
from typing import Dict, Iterable, List, Optional, Sequence, Tuple

from . import _args
from ._calls import invoke_checked
from ._library import function
from .tables import NUMBER_OF_ELEMENTS, settings

__all__ = [
    "normalize",
    "element_transform",
    "isotope_pattern",
    "first_isotope_abundance",
    "parametric_parameters",
]


def normalize(values: Iterable[float]) -> Tuple[List[float], float]:
    """Clips negatives to 0 and divides by the sum; returns (values, largest).

    When the sum is 0 the clipped values come back undivided with 0.0.
    """
    items = [float(v) for v in values]
    buffer = (ctypes.c_double * len(items))(*items)
    peak = function("normalize_isodist")(buffer, len(items))
    return list(buffer), peak


def element_transform(atomic_number: int, points: int = 64) -> List[complex]:
    """Forward DFT (bins 0..points/2) of an element's isotope pattern on `points` points."""
    z = _args.check_int(atomic_number, "atomic_number", 1, NUMBER_OF_ELEMENTS)
    n = _args.check_int(points, "points", 1)
    half = n // 2 + 1
    transform = (ctypes.c_double * 2 * half)()
    invoke_checked(
        "setup_ft", (z, transform, n, half), lambda r: r != 0, "the transform could not be made"
    )
    return [complex(re, im) for re, im in transform]


def isotope_pattern(atomic_number: int, points: int) -> List[float]:
    """An element's isotope abundances on a one-dalton grid of `points` (folded modulo points)."""
    z = _args.check_int(atomic_number, "atomic_number", 1, NUMBER_OF_ELEMENTS)
    n = _args.check_int(points, "points", 1)
    grid = (ctypes.c_double * n)()
    function("construct_isotope_array")(z, grid, n)
    return list(grid)


def first_isotope_abundance(atomic_number: int) -> float:
    """Abundance of an element's lightest isotope (0.0 for an unknown number)."""
    return function("get_first_isotope_abundance")(_args.check_int(atomic_number, "atomic_number"))


def parametric_parameters(
    mass: float, params: Optional[Sequence[float]] = None
) -> Dict[str, float]:
    """alpha, beta, mid and sigma of the parametric peptide model at `mass`.

    `params` defaults to the library's current ``isoparams``.
    """
    values = list(settings.isoparams if params is None else params)
    if len(values) != 10:
        raise ValueError(f"params must have 10 values, got {len(values)}")
    table = (ctypes.c_float * 10)(*(float(v) for v in values))
    m = _args.check_mass(mass)
    return {
        "alpha": function("isotopealpha")(table, m),
        "beta": function("isotopebeta")(table, m),
        "mid": function("isotopemid")(table, m),
        "sigma": function("isotopesig")(table, m),
    }
