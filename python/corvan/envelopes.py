"""Isotope envelopes of molecules and ions, with the mass of every point.

These calls go through the library's molecule layer (the ``corvan_*``
functions): they print nothing, keep no state between calls and may run on
any number of threads. Bad input raises :class:`EnvelopeError` with the
library's status, the position of the fault in the text and its message,
exactly as the command line reports it.

Example::

    import corvan
    ion = corvan.envelope("[13C6]H12O6", charge=1)
    ion.mz[0], ion.intensities[:3]
    heavy = corvan.envelope("C50H71N13O12", charge=2, labels={"15N": 0.98})
"""

from __future__ import annotations

import array
import ctypes
import math
from typing import Any, Dict, Mapping, Optional

from . import _args
from . import _constants as c
from ._arrays import numpy_enabled
from ._cdecl import fields
from ._errors import CorvanError
from ._declare import Error as _Error, declare as _declare

try:  # numpy is optional
    import numpy as _numpy
except ImportError:  # pragma: no cover - depends on the machine
    _numpy = None

__all__ = ["Envelope", "EnvelopeError", "envelope", "KINDS"]

KINDS = {"formula": c.CORVAN_KIND_FORMULA, "peptide": c.CORVAN_KIND_PEPTIDE,
         "rna": c.CORVAN_KIND_RNA, "dna": c.CORVAN_KIND_DNA}


class _AtomCount(ctypes.Structure):
    _fields_ = fields("char symbol[8]; double count")


class _Points(ctypes.Structure):
    _fields_ = fields("""size_t count; int *neutrons;
        double *shares; double *intensities; double *masses; double *mz""")


class _Summary(ctypes.Structure):
    _fields_ = fields("""int charge; double monoisotopic_mass; double average_mass;
        double monoisotopic_mz; size_t most_abundant""")


class _MostAbundant(ctypes.Structure):
    _fields_ = fields("size_t index; int neutrons; double share; double mass; double mz")


_P = ctypes.c_void_p
_ERR = ctypes.POINTER(_Error)


_options_create = _declare("corvan_options_create", _P)
_options_free = _declare("corvan_options_free", None, _P)
_set_charge = _declare("corvan_options_set_charge", ctypes.c_int, _P, ctypes.c_int, ctypes.c_char_p, _ERR)
_set_label = _declare("corvan_options_set_label", ctypes.c_int, _P, ctypes.c_char_p, ctypes.c_double, _ERR)
_set_limits = _declare("corvan_options_set_limits", ctypes.c_int, _P, ctypes.c_int, ctypes.c_double, _ERR)
_parse = _declare("corvan_molecule_parse", ctypes.c_int, ctypes.c_int, ctypes.c_char_p, ctypes.POINTER(_P), _ERR)
_from_mass = _declare("corvan_molecule_from_mass", ctypes.c_int, ctypes.c_int, ctypes.c_double, ctypes.POINTER(_P), _ERR)
_molecule_free = _declare("corvan_molecule_free", None, _P)
_atoms = _declare("corvan_molecule_atoms", ctypes.c_int, _P, ctypes.POINTER(_AtomCount), ctypes.c_size_t, ctypes.POINTER(ctypes.c_size_t))
_formula = _declare("corvan_molecule_formula", ctypes.c_int, _P, ctypes.c_char_p, ctypes.c_size_t, ctypes.POINTER(ctypes.c_size_t))
_compute = _declare("corvan_distribution_compute", ctypes.c_int, _P, _P, ctypes.POINTER(_P), _ERR)
_distribution_free = _declare("corvan_distribution_free", None, _P)
_points = _declare("corvan_distribution_points", ctypes.c_int, _P, ctypes.POINTER(_Points))
_summary = _declare("corvan_distribution_summary", ctypes.c_int, _P, ctypes.POINTER(_Summary))
_most_abundant = _declare("corvan_distribution_most_abundant", ctypes.c_int, _P, ctypes.POINTER(_MostAbundant))
_status_name = _declare("corvan_status_name", ctypes.c_char_p, ctypes.c_int)
_check_fixed = _declare("corvan_check_fixed_sequence", ctypes.c_int, ctypes.c_int, ctypes.c_char_p, _ERR)

# The longest input the library reads; checked here too so that a huge
# Python string is refused before it is encoded and copied.
MAX_TEXT = c.CORVAN_MAX_TEXT


class EnvelopeError(CorvanError, ValueError):
    """Input the library refused: ``status`` (a name such as "syntax error"),
    ``position`` (byte offset of the fault in the text, or None) and the
    library's message as the exception text."""

    def __init__(self, status: int, position: Optional[int], message: str) -> None:
        super().__init__(message)
        self.status = _status_name(status).decode()
        self.code = status
        self.position = position


_MEMORY, _INTERNAL = c.CORVAN_E_MEMORY, c.CORVAN_E_INTERNAL


def _check(status: int, error: _Error) -> None:
    if status == 0:
        return
    message = error.message.decode("utf-8", "replace")
    if status == _MEMORY:
        raise MemoryError("corvan: " + message)
    if status == _INTERNAL:  # a fault of the library, not of the input
        raise RuntimeError("corvan: " + message)
    position = error.position if error.position >= 0 else None
    raise EnvelopeError(status, position, message)


def _doubles(pointer: Any, count: int) -> Any:
    values = pointer[:count] if count else []
    if numpy_enabled():
        return _numpy.array(values, dtype=_numpy.float64)
    return array.array("d", values)


def _ints(pointer: Any, count: int) -> Any:
    values = pointer[:count] if count else []
    if numpy_enabled():
        return _numpy.array(values, dtype=_numpy.int64)
    return array.array("q", values)


def check_fixed_sequence(kind: str, text: bytes) -> None:
    """Refuses, as the command line does, a sequence that the fixed peptide or
    RNA calls would only partly apply (an unknown letter, an unclosed or
    unreadable modification): raises :class:`EnvelopeError`."""
    error = _Error()
    _check(_check_fixed(KINDS[kind], text, ctypes.byref(error)), error)


def check_positive_mass(value: float) -> float:
    """A mass as the command line takes it: finite and above 0 Da."""
    if not (math.isfinite(value) and value > 0):
        raise EnvelopeError(c.CORVAN_E_RANGE, None,
                            f"the mass must be a positive number of daltons, got {value!r}")
    return value


class Envelope:
    """One computed envelope. Arrays (numpy float64, or ``array.array('d')``
    without numpy) run over the points in order of ``neutrons`` (k of M+k;
    M is the monoisotopic composition, every atom its element's most
    abundant isotope, so k is negative for points lighter than M):
    ``shares`` (fraction of the whole), ``intensities`` (highest = 1),
    ``masses`` (mean mass of the point's atoms, Da; NaN where the share is 0)
    and ``mz`` (None for a neutral molecule). ``most_abundant`` indexes the
    highest point; ``most_abundant_mass`` and ``most_abundant_mz`` (None when
    neutral) are its mean mass and m/z."""

    def __init__(self, handle: Any, molecule: Any) -> None:
        points, summary, top = _Points(), _Summary(), _MostAbundant()
        _points(handle, ctypes.byref(points))
        _summary(handle, ctypes.byref(summary))
        _most_abundant(handle, ctypes.byref(top))
        n = points.count
        self.neutrons = _ints(points.neutrons, n)
        self.shares = _doubles(points.shares, n)
        self.intensities = _doubles(points.intensities, n)
        self.masses = _doubles(points.masses, n)
        self.mz = _doubles(points.mz, n) if points.mz else None
        self.charge = summary.charge
        self.monoisotopic_mass = summary.monoisotopic_mass
        self.average_mass = summary.average_mass
        self.monoisotopic_mz = None if math.isnan(summary.monoisotopic_mz) else summary.monoisotopic_mz
        self.most_abundant = summary.most_abundant
        self.most_abundant_mass = top.mass
        self.most_abundant_mz = None if math.isnan(top.mz) else top.mz
        self.atoms = _atoms_of(molecule)
        self.formula = _formula_of(molecule)

    def __len__(self) -> int:
        return len(self.neutrons)

    def __repr__(self) -> str:
        return (
            f"Envelope({self.formula!r}, charge={self.charge}, points={len(self)}, "
            f"monoisotopic_mass={self.monoisotopic_mass:.6f})"
        )


def _atoms_of(molecule: Any) -> Dict[str, float]:
    count = ctypes.c_size_t(0)
    _atoms(molecule, None, 0, ctypes.byref(count))
    entries = (_AtomCount * count.value)()
    _atoms(molecule, entries, count.value, ctypes.byref(count))
    return {
        entry.symbol.decode(): (int(entry.count) if entry.count == int(entry.count) else entry.count)
        for entry in entries
    }


def _formula_of(molecule: Any) -> str:
    length = ctypes.c_size_t(0)
    _formula(molecule, None, 0, ctypes.byref(length))
    buffer = ctypes.create_string_buffer(length.value + 1)
    _formula(molecule, buffer, length.value + 1, ctypes.byref(length))
    return buffer.value.decode()


def _options(charge: int, adduct: Optional[str], labels: Optional[Mapping[str, float]],
             points: int, min_intensity: float) -> Any:
    handle = _options_create()
    if not handle:
        raise MemoryError("corvan: out of memory")
    error = _Error()
    try:
        charge = _args.check_int(charge, "charge")
        if not -1000 <= charge <= 1000:
            raise EnvelopeError(c.CORVAN_E_RANGE, None, "the charge must lie within +-1000")
        carrier = None if adduct is None else _args.check_str(adduct, "adduct").encode()
        _check(_set_charge(handle, charge, carrier, ctypes.byref(error)), error)
        for isotope, fraction in _args.check_labels(labels).items():
            _check(_set_label(handle, isotope.encode(), fraction, ctypes.byref(error)), error)
        points = _args.check_int(points, "points", 0)
        minimum = _args.check_real(min_intensity, "min_intensity")
        _check(_set_limits(handle, points, minimum, ctypes.byref(error)), error)
    except BaseException:
        _options_free(handle)
        raise
    return handle


def envelope(text: Optional[str] = None, kind: str = "formula", *, mass: Optional[float] = None,
             charge: int = 0, adduct: Optional[str] = None,
             labels: Optional[Mapping[str, float]] = None, points: int = 0,
             min_intensity: float = 0.0) -> Envelope:
    """The isotope envelope of a molecule (``text`` of the given ``kind``, or
    ``mass`` in Da for kinds peptide, rna and dna) or of its ion.

    ``charge`` with ``adduct`` ("H+" by default, "Na+", "NH4+", "Cl-",
    "Fe:z+2"; an adduct needs a charge); ``labels`` maps isotopes to their
    fraction of the molecule's atoms of the element ({"15N": 0.98}; the
    adduct's atoms keep natural abundance); ``points`` keeps the most abundant points (0: all),
    ``min_intensity`` drops points below that fraction of the highest.
    """
    if kind not in KINDS:
        raise ValueError(f"kind must be one of {', '.join(KINDS)}")
    if (text is None) == (mass is None):
        raise ValueError("give either a text or mass=")
    options = _options(charge, adduct, labels, points, min_intensity)
    molecule, result = _P(), _P()
    error = _Error()
    try:
        if text is not None:
            if not isinstance(text, str):
                raise TypeError(f"text must be a str, got {type(text).__name__}")
            encoded = text.encode("utf-8")
            if len(encoded) > MAX_TEXT or "\0" in text:
                raise EnvelopeError(c.CORVAN_E_RANGE if len(encoded) > MAX_TEXT else c.CORVAN_E_SYNTAX, None,
                                    "the text is longer than 1000000 bytes" if len(encoded) > MAX_TEXT
                                    else "the text holds a NUL character")
            _check(_parse(KINDS[kind], encoded, ctypes.byref(molecule), ctypes.byref(error)), error)
        else:
            _check(_from_mass(KINDS[kind], _args.check_mass(mass), ctypes.byref(molecule), ctypes.byref(error)), error)
        _check(_compute(molecule, options, ctypes.byref(result), ctypes.byref(error)), error)
        return Envelope(result, molecule)
    finally:
        _distribution_free(result)
        _molecule_free(molecule)
        _options_free(options)
