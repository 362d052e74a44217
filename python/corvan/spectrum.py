"""The spectrum an instrument records: fine structure, profile, centroids.

Each isotopic composition of a molecule or ion with its exact m/z and
probability (:func:`fine_structure`); the signal an instrument of a given
resolving power records, a sum of peak shapes (:func:`profile`); the peaks
its software reports from that signal, each with the fine peaks it merges
(:func:`centroids`). Input is read and refused by the library exactly as
the command line reads it (``corvan formula ... --fine``).

Example::

    import corvan
    fine = corvan.fine_structure("C6H12O6", charge=1, threshold=1e-4)
    fine.mz, fine.probability
    peaks = corvan.centroids("SAMPLER", kind="peptide", charge=2,
                             resolution="360000@200")
    peaks.mz, peaks.height, peaks.fine_mz_of(1)

Give a list of texts to compute each of them (a list of results back).
"""

from __future__ import annotations

import array
import ctypes
from typing import Any, List, Mapping, Optional, Sequence, Tuple, Union

from ._arrays import numpy_enabled
from ._cdecl import fields
from ._declare import Error as _Error, declare as _declare
from .envelopes import KINDS, EnvelopeError
from . import _constants

try:  # numpy is optional
    import numpy as _numpy
except ImportError:  # pragma: no cover - depends on the machine
    _numpy = None

__all__ = ["Spectrum", "SpectrumError", "fine_structure", "profile", "centroids"]

ANALYZERS = {"orbitrap": 1, "fticr": 2, "tof": 3, "quadrupole": 4}
_TABLE = 5
SHAPES = {"gaussian": 1, "lorentzian": 2, "mixed": 3}


class _Resolution(ctypes.Structure):
    _fields_ = fields("""int analyzer; double resolving_power; double reference_mz;
        size_t table_count; double *table_mz; double *table_power""")


class _Settings(ctypes.Structure):
    _fields_ = fields("""int fine_mode; double fine_value; size_t max_peaks;
        Resolution resolution; int shape; double lorentzian_fraction;
        double mz_low; double mz_high; double mz_step; double points_per_fwhm;
        double centroid_min_height""", Resolution=_Resolution)


class _View(ctypes.Structure):
    _fields_ = fields("""int charge;
        size_t fine_count; double *fine_mz; double *fine_probability;
        size_t profile_count; double *profile_mz; double *profile_intensity;
        size_t centroid_count; double *centroid_mz; double *centroid_height;
        double *centroid_area; size_t *centroid_first_fine; size_t *centroid_fine_count""")


_P = ctypes.c_void_p
_ERR = ctypes.POINTER(_Error)


_defaults = _declare("corvan_spectrum_defaults", ctypes.c_int, ctypes.POINTER(_Settings))
_parse_resolution = _declare("corvan_resolution_parse", ctypes.c_int, ctypes.c_char_p, ctypes.c_char_p,
                             ctypes.POINTER(_Resolution), _ERR)
_CALLS = {
    name: _declare(f"corvan_{name}", ctypes.c_int, _P, _P, ctypes.POINTER(_Settings), ctypes.POINTER(_P),
                   ctypes.POINTER(ctypes.c_size_t), _ERR)
    for name in ("fine_structure", "profile", "centroids")
}
_spectrum_free = _declare("corvan_spectrum_free", None, _P)
_spectrum_get = _declare("corvan_spectrum_get", ctypes.c_int, _P, ctypes.POINTER(_View))
_parse = _declare("corvan_molecule_parse", ctypes.c_int, ctypes.c_int, ctypes.c_char_p, ctypes.POINTER(_P), _ERR)
_molecule_free = _declare("corvan_molecule_free", None, _P)
_options_create = _declare("corvan_options_create", _P)
_options_free = _declare("corvan_options_free", None, _P)
_set_charge = _declare("corvan_options_set_charge", ctypes.c_int, _P, ctypes.c_int, ctypes.c_char_p, _ERR)
_set_label = _declare("corvan_options_set_label", ctypes.c_int, _P, ctypes.c_char_p, ctypes.c_double, _ERR)


class SpectrumError(EnvelopeError):
    """Input or settings the library refused. ``needed`` is the number of
    fine peaks a call that exceeded ``max_peaks`` would need (or a lower
    bound, as the message says), else 0."""

    def __init__(self, status: int, position: Optional[int], message: str, needed: int = 0) -> None:
        super().__init__(status, position, message)
        self.needed = needed


def _check(status: int, error: _Error, needed: int = 0) -> None:
    if status != 0:
        position = error.position if error.position >= 0 else None
        raise SpectrumError(status, position, error.message.decode("utf-8", "replace"), needed)


def _doubles(pointer: Any, count: int) -> Any:
    values = pointer[:count] if count else []
    if numpy_enabled():
        return _numpy.array(values, dtype=_numpy.float64)
    return array.array("d", values)


class Spectrum:
    """One computed spectrum; arrays are numpy float64 (``array('d')``
    without numpy), empty for the parts the call did not compute.

    ``mz`` and ``probability``: the fine peaks by increasing m/z (the mass in
    Da for a neutral molecule); ``profile_mz`` and ``profile_intensity``: the
    profile (a lone peak's height is its probability); ``centroid_mz``,
    ``height``, ``area``: the centroids; ``fine_mz_of(c)`` the fine peaks
    centroid ``c`` merges. :func:`profile` and :func:`centroids` also give
    their main arrays as ``.mz`` and ``.intensity`` / ``.height``."""

    def __init__(self, handle: Any, part: str) -> None:
        view = _View()
        _spectrum_get(handle, ctypes.byref(view))
        self.part = part
        self.charge = view.charge
        self.fine_mz = _doubles(view.fine_mz, view.fine_count)
        self.probability = _doubles(view.fine_probability, view.fine_count)
        self.profile_mz = _doubles(view.profile_mz, view.profile_count)
        self.profile_intensity = _doubles(view.profile_intensity, view.profile_count)
        self.centroid_mz = _doubles(view.centroid_mz, view.centroid_count)
        self.height = _doubles(view.centroid_height, view.centroid_count)
        self.area = _doubles(view.centroid_area, view.centroid_count)
        count = view.centroid_count
        self.first_fine = list(view.centroid_first_fine[:count]) if count else []
        self.fine_count = list(view.centroid_fine_count[:count]) if count else []
        main = {"fine_structure": self.fine_mz, "profile": self.profile_mz, "centroids": self.centroid_mz}
        self.mz = main[part]
        self.intensity = self.profile_intensity

    def fine_mz_of(self, centroid: int) -> Any:
        """The m/z of the fine peaks that centroid ``centroid`` merges."""
        first = self.first_fine[centroid]
        return self.fine_mz[first:first + self.fine_count[centroid]]

    def __len__(self) -> int:
        return len(self.mz)

    def __repr__(self) -> str:
        return f"Spectrum({self.part}, charge={self.charge}, {len(self)} points)"


Resolution = Union[str, float, int, Sequence[Tuple[float, float]]]


def _resolution(value: Resolution, analyzer: Optional[str], settings: _Settings, keep: list) -> None:
    error = _Error()
    if isinstance(value, (list, tuple)):
        if analyzer not in (None, "table"):
            raise ValueError("a table of (m/z, R) pairs is its own analyzer")
        pairs = [(float(mz), float(r)) for mz, r in value]
        mz = (ctypes.c_double * len(pairs))(*[p[0] for p in pairs])
        power = (ctypes.c_double * len(pairs))(*[p[1] for p in pairs])
        keep += [mz, power]
        settings.resolution = _Resolution(_TABLE, 0.0, 0.0, len(pairs), mz, power)
        return
    text = value if isinstance(value, str) else repr(float(value))
    _check(_parse_resolution(text.encode(), None if analyzer is None else analyzer.encode(), ctypes.byref(settings.resolution),
                             ctypes.byref(error)), error)


def _options(charge: int, adduct: Optional[str], labels: Optional[Mapping[str, float]]) -> Any:
    handle = _options_create()
    if not handle:
        raise MemoryError("corvan: out of memory")
    error = _Error()
    try:
        if isinstance(charge, bool) or not isinstance(charge, int):
            raise TypeError("charge must be an int")
        _check(_set_charge(handle, charge, None if adduct is None else adduct.encode(), ctypes.byref(error)), error)
        for isotope, fraction in (labels or {}).items():
            _check(_set_label(handle, str(isotope).encode(), float(fraction), ctypes.byref(error)), error)
    except BaseException:
        _options_free(handle)
        raise
    return handle


def _run(part: str, text: Any, kind: str, charge: int, adduct: Optional[str],
         labels: Optional[Mapping[str, float]], settings: _Settings) -> Any:
    if isinstance(text, (list, tuple)):
        return [_run(part, one, kind, charge, adduct, labels, settings) for one in text]
    if kind not in KINDS:
        raise ValueError(f"kind must be one of {', '.join(KINDS)}")
    if not isinstance(text, str) or "\0" in text:
        raise TypeError("text must be a str without NUL characters")
    options = _options(charge, adduct, labels)
    molecule, result = _P(), _P()
    error, needed = _Error(), ctypes.c_size_t(0)
    try:
        _check(_parse(KINDS[kind], text.encode("utf-8"), ctypes.byref(molecule), ctypes.byref(error)), error)
        status = _CALLS[part](molecule, options, ctypes.byref(settings), ctypes.byref(result),
                              ctypes.byref(needed), ctypes.byref(error))
        _check(status, error, needed.value)
        return Spectrum(result, part)
    finally:
        _spectrum_free(result)
        _molecule_free(molecule)
        _options_free(options)


def _settings(threshold: Optional[float], coverage: Optional[float], max_peaks: int) -> _Settings:
    settings = _Settings()
    _defaults(ctypes.byref(settings))
    if threshold is not None and coverage is not None:
        raise ValueError("give either threshold= or coverage=, not both")
    if coverage is not None:
        settings.fine_mode, settings.fine_value = 2, float(coverage)
    elif threshold is not None:
        settings.fine_value = float(threshold)
    if isinstance(max_peaks, bool) or not isinstance(max_peaks, int) or max_peaks < 1:
        raise ValueError("max_peaks must be an int of at least 1")
    settings.max_peaks = max_peaks
    return settings


def fine_structure(text: Union[str, Sequence[str]], kind: str = "formula", *, charge: int = 0,
                   adduct: Optional[str] = None, labels: Optional[Mapping[str, float]] = None,
                   threshold: Optional[float] = None, coverage: Optional[float] = None,
                   max_peaks: int = 100000) -> Any:
    """Every isotopic composition with probability at least ``threshold``
    (default 1e-3) times the highest's, or the most probable ones until they
    sum to ``coverage``; ``.mz`` and ``.probability``. More than
    ``max_peaks`` raises :class:`SpectrumError` with ``needed``."""
    settings = _settings(threshold, coverage, max_peaks)
    return _run("fine_structure", text, kind, charge, adduct, labels, settings)


def _profile_settings(resolution: Resolution, analyzer: Optional[str], shape: str, lorentzian_fraction: float,
                      mz_range: Optional[Tuple[float, float]], step: float, points_per_fwhm: float,
                      min_height: float, threshold: Optional[float], coverage: Optional[float],
                      max_peaks: int, keep: list) -> _Settings:
    settings = _settings(threshold, coverage, max_peaks)
    _resolution(resolution, analyzer, settings, keep)
    if shape not in SHAPES:
        raise ValueError(f"shape must be one of {', '.join(SHAPES)}")
    settings.shape = SHAPES[shape]
    settings.lorentzian_fraction = float(lorentzian_fraction)
    if mz_range is not None:
        settings.mz_low, settings.mz_high = (float(v) for v in mz_range)
    settings.mz_step = float(step)
    settings.points_per_fwhm = float(points_per_fwhm)
    settings.centroid_min_height = float(min_height)
    return settings


def profile(text: Union[str, Sequence[str]], kind: str = "formula", *, charge: int = 0,
            adduct: Optional[str] = None, labels: Optional[Mapping[str, float]] = None,
            resolution: Resolution = "120000@200", analyzer: Optional[str] = None,
            shape: str = "gaussian", lorentzian_fraction: float = 0.0,
            mz_range: Optional[Tuple[float, float]] = None, step: float = 0.0,
            points_per_fwhm: float = 10.0) -> Any:
    """The profile at ``resolution`` ("R@MZ", R at m/z 200, or a list of
    (m/z, R) pairs) under the ``analyzer``'s law ("orbitrap" by default,
    "fticr", "tof", "quadrupole"); ``.mz`` and ``.intensity``."""
    keep: List[Any] = []
    settings = _profile_settings(resolution, analyzer, shape, lorentzian_fraction, mz_range, step,
                                 points_per_fwhm, 1e-3, None, None, 100000, keep)
    return _run("profile", text, kind, charge, adduct, labels, settings)


def centroids(text: Union[str, Sequence[str]], kind: str = "formula", *, charge: int = 0,
              adduct: Optional[str] = None, labels: Optional[Mapping[str, float]] = None,
              resolution: Resolution = "120000@200", analyzer: Optional[str] = None,
              shape: str = "gaussian", lorentzian_fraction: float = 0.0,
              mz_range: Optional[Tuple[float, float]] = None, step: float = 0.0,
              points_per_fwhm: float = 10.0, min_height: float = 1e-3,
              threshold: Optional[float] = None, coverage: Optional[float] = None,
              max_peaks: int = 100000) -> Any:
    """The profile's centroids (``.mz``, ``.height``, ``.area``), each with
    the fine peaks it merges (``fine_mz_of(c)``; the fine structure by
    ``threshold``/``coverage``), and the profile itself."""
    keep: List[Any] = []
    settings = _profile_settings(resolution, analyzer, shape, lorentzian_fraction, mz_range, step,
                                 points_per_fwhm, min_height, threshold, coverage, max_peaks, keep)
    return _run("centroids", text, kind, charge, adduct, labels, settings)
