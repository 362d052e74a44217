"""Observed spectra: find and score a molecule's envelope, fit labels,
deisotope a centroided scan.

The spectrum is two sequences (numpy arrays or lists) of m/z, ascending,
and intensity (>= 0); the library refuses any other with the same message
as the command line. Example::

    import corvan
    hit = corvan.match(mz, intensity, "EMEVEESPEK", charges=(1, 4))
    hit.charge, hit.cosine, hit.peaks.ppm_error
    corvan.fit_label(mz, intensity, "PEPTIDEK/2", "15N").fraction
    found = corvan.deisotope(mz, intensity)
    found.monoisotopic_mass, found.charge
    for scan in corvan.read_mzml("run.mzML"):   # needs pymzml
        corvan.deisotope(scan.mz, scan.intensity)
"""

from __future__ import annotations

import array
import ctypes
from dataclasses import dataclass
from typing import Any, Iterator, Mapping, Optional, Sequence, Tuple, Union

from ._arrays import numpy_enabled
from ._declare import declare as _declare
from . import _constants as c
from .envelopes import KINDS, EnvelopeError, _Error, _check, _options, _parse, _molecule_free, _options_free

try:  # numpy is optional
    import numpy as _numpy
except ImportError:  # pragma: no cover - depends on the machine
    _numpy = None

__all__ = ["Match", "MatchedPeaks", "LabelFit", "MixFit", "Envelopes", "Monoisotopic", "Scan",
           "match", "fit_label", "fit_mix", "deuterium_uptake", "deisotope",
           "check_monoisotopic", "read_mzml"]

_D = ctypes.POINTER(ctypes.c_double)
_P = ctypes.c_void_p
_ERR = ctypes.POINTER(_Error)


class _MatchSettings(ctypes.Structure):
    _fields_ = [("ppm", ctypes.c_double), ("min_charge", ctypes.c_int), ("max_charge", ctypes.c_int),
                ("min_height", ctypes.c_double), ("named_mz", ctypes.c_double)]


class _Peak(ctypes.Structure):
    _fields_ = [("neutrons", ctypes.c_int), ("expected_mz", ctypes.c_double),
                ("expected_height", ctypes.c_double), ("observed_mz", ctypes.c_double),
                ("observed_intensity", ctypes.c_double), ("ppm_error", ctypes.c_double)]


class _Summary(ctypes.Structure):
    _fields_ = [("charge", ctypes.c_int), ("compared", ctypes.c_size_t), ("matched", ctypes.c_size_t),
                ("monoisotopic_mz", ctypes.c_double), ("cosine", ctypes.c_double),
                ("contrast_angle", ctypes.c_double), ("chi_square", ctypes.c_double),
                ("scale", ctypes.c_double), ("mean_ppm", ctypes.c_double),
                ("named_offset", ctypes.c_int), ("corrected_mz", ctypes.c_double)]


class _LabelFit(ctypes.Structure):
    _fields_ = [("fraction", ctypes.c_double), ("uncertainty", ctypes.c_double), ("cosine", ctypes.c_double)]


class _MixFit(ctypes.Structure):
    _fields_ = [("light_fraction", ctypes.c_double), ("heavy_fraction", ctypes.c_double),
                ("cosine", ctypes.c_double)]


class _DeisotopeSettings(ctypes.Structure):
    _fields_ = [("ppm", ctypes.c_double), ("min_charge", ctypes.c_int), ("max_charge", ctypes.c_int),
                ("min_score", ctypes.c_double), ("min_peaks", ctypes.c_int),
                ("min_intensity", ctypes.c_double), ("min_signal_to_noise", ctypes.c_double)]


class _Found(ctypes.Structure):
    _fields_ = [("monoisotopic_mz", ctypes.c_double), ("monoisotopic_mass", ctypes.c_double),
                ("charge", ctypes.c_int), ("intensity", ctypes.c_double), ("score", ctypes.c_double),
                ("peaks", ctypes.c_size_t)]


class _Mono(ctypes.Structure):
    _fields_ = [("offset", ctypes.c_int), ("corrected_mz", ctypes.c_double), ("score", ctypes.c_double),
                ("named_score", ctypes.c_double)]


_SPECTRUM = (_D, _D, ctypes.c_size_t)
_match_defaults = _declare("corvan_match_defaults", ctypes.c_int, ctypes.POINTER(_MatchSettings))
_match = _declare("corvan_match_spectrum", ctypes.c_int, _P, _P, ctypes.POINTER(_MatchSettings), *_SPECTRUM,
                  ctypes.POINTER(_P), _ERR)
_match_summary = _declare("corvan_match_get_summary", ctypes.c_int, _P, ctypes.POINTER(_Summary))
_match_count = _declare("corvan_match_peak_count", ctypes.c_size_t, _P)
_match_peak = _declare("corvan_match_peak", ctypes.c_int, _P, ctypes.c_size_t, ctypes.POINTER(_Peak))
_match_free = _declare("corvan_match_free", None, _P)
_fit_label = _declare("corvan_fit_label", ctypes.c_int, _P, _P, ctypes.c_char_p, ctypes.c_double, *_SPECTRUM,
                      ctypes.POINTER(_LabelFit), _ERR)
_fit_mix = _declare("corvan_fit_mix", ctypes.c_int, _P, _P, _P, _P, ctypes.c_double, *_SPECTRUM,
                    ctypes.POINTER(_MixFit), _ERR)
_uptake = _declare("corvan_deuterium_uptake", ctypes.c_int, _P, _P, ctypes.c_double, *_SPECTRUM,
                   _D, _ERR)
_deisotope_defaults = _declare("corvan_deisotope_defaults", ctypes.c_int, ctypes.POINTER(_DeisotopeSettings))
_deisotope = _declare("corvan_deisotope", ctypes.c_int, *_SPECTRUM, ctypes.POINTER(_DeisotopeSettings),
                      ctypes.POINTER(_P), _ERR)
_envelopes_count = _declare("corvan_envelopes_count", ctypes.c_size_t, _P)
_envelopes_get = _declare("corvan_envelopes_get", ctypes.c_int, _P, ctypes.c_size_t, ctypes.POINTER(_Found))
_envelopes_free = _declare("corvan_envelopes_free", None, _P)
_mono_check = _declare("corvan_monoisotopic_check", ctypes.c_int, *_SPECTRUM, ctypes.c_double, ctypes.c_int,
                       ctypes.POINTER(_DeisotopeSettings), ctypes.POINTER(_Mono), _ERR)


def _column(values: Sequence[float]) -> Any:
    if numpy_enabled():
        return _numpy.array(values, dtype=_numpy.float64)
    return array.array("d", values)


class _Spectrum:
    """The caller's arrays as contiguous doubles the call can read."""

    def __init__(self, mz: Any, intensity: Any) -> None:
        if numpy_enabled():
            self._mz = _numpy.ascontiguousarray(mz, dtype=_numpy.float64)
            self._intensity = _numpy.ascontiguousarray(intensity, dtype=_numpy.float64)
            count = self._mz.size
            pointers = [a.ctypes.data_as(_D) for a in (self._mz, self._intensity)]
        else:
            self._mz = (ctypes.c_double * len(mz))(*mz)
            self._intensity = (ctypes.c_double * len(intensity))(*intensity)
            count = len(self._mz)
            pointers = [ctypes.cast(a, _D) for a in (self._mz, self._intensity)]
        if len(self._intensity) != count:
            raise ValueError("mz and intensity must have the same length")
        self.args = (pointers[0], pointers[1], count)


class _Molecule:
    """A parsed molecule and its options, freed on exit."""

    def __init__(self, text: str, kind: str, charge: int, adduct: Optional[str],
                 labels: Optional[Mapping[str, float]]) -> None:
        if kind not in KINDS:
            raise ValueError(f"kind must be one of {', '.join(KINDS)}")
        self.options = _options(charge, adduct, labels, 0, 0.0)
        self.molecule = _P()
        error = _Error()
        try:
            _check(_parse(KINDS[kind], text.encode("utf-8"), ctypes.byref(self.molecule), ctypes.byref(error)), error)
        except BaseException:
            self.__exit__()
            raise

    def __enter__(self) -> "_Molecule":
        return self

    def __exit__(self, *_: Any) -> None:
        _molecule_free(self.molecule)
        _options_free(self.options)


@dataclass
class MatchedPeaks:
    """The compared expected points (order of k) and the peaks matched to
    them; observed_mz and ppm_error NaN, observed_intensity 0 where none."""
    neutrons: Any
    expected_mz: Any
    expected_height: Any
    observed_mz: Any
    observed_intensity: Any
    ppm_error: Any


@dataclass
class Match:
    """The best charge and its scores: cosine of expected heights and
    observed intensities (missing peaks as 0), its contrast angle in degrees,
    chi-square per degree of freedom, the least-squares scale, the
    intensity-weighted mean ppm error; named_offset/corrected_mz place a
    named m/z (None when none was given or it matches no point)."""
    charge: int
    compared: int
    matched: int
    monoisotopic_mz: float
    cosine: float
    contrast_angle: float
    chi_square: float
    scale: float
    mean_ppm: float
    named_offset: Optional[int]
    corrected_mz: Optional[float]
    peaks: MatchedPeaks


@dataclass
class LabelFit:
    fraction: float
    uncertainty: float
    cosine: float


@dataclass
class MixFit:
    light_fraction: float
    heavy_fraction: float
    cosine: float


@dataclass
class Envelopes:
    """Envelopes of a scan, by monoisotopic m/z; one array per field."""
    monoisotopic_mz: Any
    monoisotopic_mass: Any
    charge: Any
    intensity: Any
    score: Any
    peaks: Any

    def __len__(self) -> int:
        return len(self.charge)


@dataclass
class Monoisotopic:
    offset: int
    corrected_mz: float
    score: float
    named_score: float


def _charge_range(charges: Union[None, int, Tuple[int, int]]) -> Tuple[int, int]:
    if charges is None:
        return 0, 0
    if isinstance(charges, int):
        return charges, charges
    low, high = charges
    return int(low), int(high)


def match(mz: Any, intensity: Any, molecule: str, kind: str = "peptide", *,
          charges: Union[None, int, Tuple[int, int]] = None, adduct: Optional[str] = None,
          labels: Optional[Mapping[str, float]] = None, ppm: float = 10.0,
          named_mz: Optional[float] = None, min_height: float = 0.01) -> Match:
    """Matches the envelope of ``molecule`` (a text of ``kind``) at each of
    ``charges`` (an int or (low, high); None: the text's "/z") and keeps the
    charge of the highest cosine."""
    settings = _MatchSettings()
    _match_defaults(ctypes.byref(settings))
    settings.min_charge, settings.max_charge = _charge_range(charges)
    settings.ppm, settings.min_height = ppm, min_height
    settings.named_mz = named_mz or 0.0
    spectrum = _Spectrum(mz, intensity)
    handle, error = _P(), _Error()
    carrier_charge = settings.min_charge if adduct else 0
    with _Molecule(molecule, kind, carrier_charge, adduct, labels) as m:
        _check(_match(m.molecule, m.options, ctypes.byref(settings), *spectrum.args,
                      ctypes.byref(handle), ctypes.byref(error)), error)
    try:
        summary = _Summary()
        _match_summary(handle, ctypes.byref(summary))
        rows = []
        for index in range(_match_count(handle)):
            peak = _Peak()
            _match_peak(handle, index, ctypes.byref(peak))
            rows.append(peak)
        peaks = MatchedPeaks(*[_column([getattr(p, name) for p in rows])
                               for name, _ in _Peak._fields_])
        peaks.neutrons = [p.neutrons for p in rows]
        named = None if summary.named_offset == c.CORVAN_NO_OFFSET else summary.named_offset
        return Match(summary.charge, summary.compared, summary.matched, summary.monoisotopic_mz,
                     summary.cosine, summary.contrast_angle, summary.chi_square, summary.scale,
                     summary.mean_ppm, named, None if named is None else summary.corrected_mz, peaks)
    finally:
        _match_free(handle)


def fit_label(mz: Any, intensity: Any, molecule: str, isotope: str, kind: str = "peptide", *,
              charge: int = 0, adduct: Optional[str] = None,
              labels: Optional[Mapping[str, float]] = None, ppm: float = 10.0) -> LabelFit:
    """The enrichment of ``isotope`` ("15N", "13C", "2H", "18O") that best
    explains the envelope, with its uncertainty (charge: ``charge`` or the
    text's)."""
    spectrum, fit, error = _Spectrum(mz, intensity), _LabelFit(), _Error()
    with _Molecule(molecule, kind, charge, adduct, labels) as m:
        _check(_fit_label(m.molecule, m.options, isotope.encode(), ppm, *spectrum.args,
                          ctypes.byref(fit), ctypes.byref(error)), error)
    return LabelFit(fit.fraction, fit.uncertainty, fit.cosine)


def fit_mix(mz: Any, intensity: Any, light: str, heavy: str, kind: str = "peptide", *,
            charge: int = 0, heavy_labels: Optional[Mapping[str, float]] = None,
            ppm: float = 10.0) -> MixFit:
    """Shares of a light and a heavy state (``heavy`` a text such as
    "<15N>PEPTIDE/2", or the light text with ``heavy_labels``)."""
    spectrum, fit, error = _Spectrum(mz, intensity), _MixFit(), _Error()
    with _Molecule(light, kind, charge, None, None) as a, \
            _Molecule(heavy, kind, charge, None, heavy_labels) as b:
        _check(_fit_mix(a.molecule, a.options, b.molecule, b.options, ppm, *spectrum.args,
                        ctypes.byref(fit), ctypes.byref(error)), error)
    return MixFit(fit.light_fraction, fit.heavy_fraction, fit.cosine)


def deuterium_uptake(mz: Any, intensity: Any, molecule: str, kind: str = "peptide", *,
                     charge: int = 0, ppm: float = 10.0) -> float:
    """Mean number of exchanged sites from the centroid shift."""
    spectrum, sites, error = _Spectrum(mz, intensity), ctypes.c_double(), _Error()
    with _Molecule(molecule, kind, charge, None, None) as m:
        _check(_uptake(m.molecule, m.options, ppm, *spectrum.args, ctypes.byref(sites),
                       ctypes.byref(error)), error)
    return sites.value


def _deisotope_settings(ppm: float, charges: Tuple[int, int], min_score: float, min_peaks: int,
                        min_intensity: float, min_signal_to_noise: float = 10.0) -> _DeisotopeSettings:
    settings = _DeisotopeSettings()
    _deisotope_defaults(ctypes.byref(settings))
    settings.ppm, (settings.min_charge, settings.max_charge) = ppm, charges
    settings.min_score, settings.min_peaks, settings.min_intensity = min_score, min_peaks, min_intensity
    settings.min_signal_to_noise = min_signal_to_noise
    return settings


def deisotope(mz: Any, intensity: Any, *, ppm: float = 10.0, charges: Tuple[int, int] = (1, 6),
              min_score: float = 0.9, min_peaks: int = 2, min_intensity: float = 0.0,
              min_signal_to_noise: float = 10.0) -> Envelopes:
    """The isotope envelopes of a centroided scan (protonated positive ions);
    ``min_signal_to_noise`` drops those fitted below that multiple of the
    scan's noise level (0 keeps them)."""
    settings = _deisotope_settings(ppm, charges, min_score, min_peaks, min_intensity, min_signal_to_noise)
    spectrum, handle, error = _Spectrum(mz, intensity), _P(), _Error()
    _check(_deisotope(*spectrum.args, ctypes.byref(settings), ctypes.byref(handle), ctypes.byref(error)),
           error)
    try:
        rows = []
        for index in range(_envelopes_count(handle)):
            found = _Found()
            _envelopes_get(handle, index, ctypes.byref(found))
            rows.append(found)
    finally:
        _envelopes_free(handle)
    columns = {name: [getattr(r, name) for r in rows] for name, _ in _Found._fields_}
    return Envelopes(_column(columns["monoisotopic_mz"]), _column(columns["monoisotopic_mass"]),
                     columns["charge"], _column(columns["intensity"]), _column(columns["score"]),
                     columns["peaks"])


def check_monoisotopic(mz: Any, intensity: Any, named_mz: float, charge: int, *,
                       ppm: float = 10.0) -> Monoisotopic:
    """Whether the peak at ``named_mz`` is M of its envelope, or M+1/M+2 of
    a lighter ion (offset), and the m/z of M."""
    settings = _deisotope_settings(ppm, (1, 6), 0.9, 2, 0.0)
    spectrum, result, error = _Spectrum(mz, intensity), _Mono(), _Error()
    _check(_mono_check(*spectrum.args, named_mz, charge, ctypes.byref(settings), ctypes.byref(result),
                       ctypes.byref(error)), error)
    return Monoisotopic(result.offset, result.corrected_mz, result.score, result.named_score)


@dataclass
class Scan:
    number: int
    rt_seconds: float
    mz: Any
    intensity: Any


def read_mzml(path: str) -> Iterator[Scan]:
    """The MS1 scans of an mzML file through pymzml (Debian's
    python3-pymzml), sorted by m/z; ImportError without it."""
    try:
        import pymzml
    except ImportError as missing:
        raise ImportError("reading mzML needs pymzml (Debian package python3-pymzml)") from missing
    for index, spectrum in enumerate(pymzml.run.Reader(path)):
        if spectrum.ms_level != 1:
            continue
        pairs = sorted(zip(spectrum.mz, spectrum.i))
        time = spectrum.scan_time_in_minutes()
        yield Scan(spectrum.ID if isinstance(spectrum.ID, int) else index + 1,
                   time * 60 if time is not None and time >= 0 else -1.0,
                   _column([p[0] for p in pairs]), _column([p[1] for p in pairs]))
