"""Fragment ions of peptides and nucleic acids with their isotope envelopes,
and the envelopes they show when the precursor was isolated with only some
of its isotope peaks.

    import corvan
    ions = corvan.fragments("PEPTIDE/2", types="by", charges="1-2",
                            isolation="M+1,M+2")
    [(f.name, f.charge, f.monoisotopic_mz) for f in ions]
    ions[0].shares, ions[0].conditioned       # envelope, and given the isolation
    corvan.fragments("ACGU", kind="rna", charges=-1)   # a-B, c, w and y ions

The ion types, charges and isolated peaks are read by the library, so they
are accepted and refused as the command ``corvan fragments`` takes them.
"""

from __future__ import annotations

import ctypes
from dataclasses import dataclass
from typing import Any, List, Optional, Sequence, Tuple, Union

from . import _args
from . import _constants as c
from .envelopes import KINDS, _check, _declare, _doubles, _Error, _ints

__all__ = ["Fragment", "fragments"]

_SERIES = {c.CORVAN_ION_A: "a", c.CORVAN_ION_B: "b", c.CORVAN_ION_C: "c", c.CORVAN_ION_X: "x",
           c.CORVAN_ION_Y: "y", c.CORVAN_ION_Z: "z", c.CORVAN_ION_IMMONIUM: "immonium",
           c.CORVAN_ION_A_BASE: "a-B", c.CORVAN_ION_W: "w"}
_LOSSES = {"H2O": c.CORVAN_LOSS_H2O, "NH3": c.CORVAN_LOSS_NH3, "H3PO4": c.CORVAN_LOSS_H3PO4}


class _Settings(ctypes.Structure):
    _fields_ = [("types", ctypes.c_uint), ("min_charge", ctypes.c_int),
                ("max_charge", ctypes.c_int), ("losses", ctypes.c_uint),
                ("precursor_charge", ctypes.c_int), ("isolated_peaks", ctypes.c_char_p),
                ("window_low", ctypes.c_double), ("window_high", ctypes.c_double)]


_D = ctypes.POINTER(ctypes.c_double)


class _Fragment(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char_p), ("series", ctypes.c_uint),
                ("number", ctypes.c_size_t), ("loss", ctypes.c_uint), ("charge", ctypes.c_int),
                ("formula", ctypes.c_char_p), ("monoisotopic_mass", ctypes.c_double),
                ("monoisotopic_mz", ctypes.c_double), ("count", ctypes.c_size_t),
                ("neutrons", ctypes.POINTER(ctypes.c_int)), ("shares", _D),
                ("conditioned", _D), ("masses", _D), ("mz", _D)]


_P = ctypes.c_void_p
_E = ctypes.POINTER(_Error)
_defaults = _declare("corvan_fragment_defaults", ctypes.c_int, ctypes.POINTER(_Settings))
_types = _declare("corvan_fragment_types_parse", ctypes.c_int, ctypes.c_char_p,
                  ctypes.POINTER(ctypes.c_uint), _E)
_charges = _declare("corvan_fragment_charges_parse", ctypes.c_int, ctypes.c_char_p,
                    ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int), _E)
_compute = _declare("corvan_fragments", ctypes.c_int, ctypes.c_int, ctypes.c_char_p,
                    ctypes.POINTER(_Settings), ctypes.POINTER(_P), _E)
_count = _declare("corvan_fragment_list_count", ctypes.c_size_t, _P)
_get = _declare("corvan_fragment_list_get", ctypes.c_int, _P, ctypes.c_size_t,
                ctypes.POINTER(_Fragment))
_free = _declare("corvan_fragment_list_free", None, _P)


@dataclass(frozen=True)
class Fragment:
    """One fragment ion. ``neutrons``, ``mz``, ``masses`` and ``shares`` are
    its envelope's points (numpy arrays, or ``array.array``; m/z and masses
    NaN where a share is 0); ``conditioned`` the shares given the isolation
    (None without one). ``formula`` and ``monoisotopic_mass`` are of the
    neutral fragment, ``loss`` is "H2O", "NH3", "H3PO4" or None."""

    name: str
    series: str
    number: int
    loss: Optional[str]
    charge: int
    formula: str
    monoisotopic_mass: float
    monoisotopic_mz: float
    neutrons: Any
    mz: Any
    masses: Any
    shares: Any
    conditioned: Any


def _parse_types(types: str, settings: _Settings) -> None:
    error, parsed = _Error(), ctypes.c_uint()
    _check(_types(_args.encode_text(types, "types"), ctypes.byref(parsed), ctypes.byref(error)),
           error)
    settings.types = parsed.value


def _parse_charges(charges: Union[int, str, Tuple[int, int]], settings: _Settings) -> None:
    if isinstance(charges, tuple):
        low, high = (_args.check_int(z, "charges") for z in charges)
        charges = f"{low}..{high}"
    elif not isinstance(charges, str):
        charges = str(_args.check_int(charges, "charges"))
    error, low, high = _Error(), ctypes.c_int(), ctypes.c_int()
    _check(_charges(charges.encode(), ctypes.byref(low), ctypes.byref(high), ctypes.byref(error)),
           error)
    settings.min_charge, settings.max_charge = low.value, high.value


def _loss_bits(losses: Union[bool, Sequence[str]]) -> int:
    if isinstance(losses, bool):
        return sum(_LOSSES.values()) if losses else 0
    bits = 0
    for name in losses:
        if name not in _LOSSES:
            raise ValueError(f"losses must be among {', '.join(_LOSSES)}, got {name!r}")
        bits |= _LOSSES[name]
    return bits


def _fragment(raw: _Fragment) -> Fragment:
    n = raw.count
    return Fragment(
        name=raw.name.decode(), series=_SERIES[raw.series], number=raw.number,
        loss=next((k for k, v in _LOSSES.items() if v == raw.loss), None), charge=raw.charge,
        formula=raw.formula.decode(), monoisotopic_mass=raw.monoisotopic_mass,
        monoisotopic_mz=raw.monoisotopic_mz, neutrons=_ints(raw.neutrons, n),
        mz=_doubles(raw.mz, n), masses=_doubles(raw.masses, n), shares=_doubles(raw.shares, n),
        conditioned=_doubles(raw.conditioned, n) if raw.conditioned else None)


def fragments(text: str, *, kind: str = "peptide", types: Optional[str] = None,
              charges: Union[int, str, Tuple[int, int], None] = None,
              losses: Union[bool, Sequence[str]] = False,
              isolation: Union[str, Sequence[int], None] = None,
              window: Optional[Tuple[float, float]] = None,
              precursor_charge: Optional[int] = None) -> List[Fragment]:
    """The fragment ions of `text` (ProForma peptide, or RNA/DNA with
    ``kind``), in the library's order (series, number, loss, charge).

    Args:
        types: ion series as the command line writes them ("by", "a-B,c,w,y",
            "immonium"); default "by" for peptides, "a-B,c,w,y" for nucleic acids.
        charges: 2, "1-3", "-3..-1" or (low, high); default 1 (nucleic: -1).
        losses: True for every loss, or a list of "H2O", "NH3", "H3PO4".
        isolation: the precursor's isolated peaks, "M+0,M+1" or [0, 1].
        window: or an isolation window (low, high) in m/z.
        precursor_charge: the precursor's charge for the isolation (default:
            the text's "/z", else the largest fragment charge).

    Raises :class:`corvan.EnvelopeError` for input the library refuses.
    """
    if kind not in ("peptide", "rna", "dna"):
        raise ValueError(f"kind must be 'peptide', 'rna' or 'dna', got {kind!r}")
    nucleic = kind != "peptide"
    settings = _Settings()
    _defaults(ctypes.byref(settings))
    if types is None:
        types = "a-B,c,w,y" if nucleic else "by"
    _parse_types(types, settings)
    _parse_charges((-1 if nucleic else 1) if charges is None else charges, settings)
    settings.losses = _loss_bits(losses)
    if precursor_charge is not None:
        settings.precursor_charge = _args.check_int(precursor_charge, "precursor_charge")
    peaks = None
    if isolation is not None:
        peaks = (isolation if isinstance(isolation, str)
                 else ",".join(str(_args.check_int(k, "isolation")) for k in isolation))
        settings.isolated_peaks = _args.encode_text(peaks, "isolation")
    if window is not None:
        low, high = window
        settings.window_low = _args.check_real(low, "window")
        settings.window_high = _args.check_real(high, "window")
    handle, error = _P(), _Error()
    _check(_compute(KINDS[kind], _args.encode_text(text, "text"), ctypes.byref(settings),
                    ctypes.byref(handle), ctypes.byref(error)), error)
    try:
        raw, found = _Fragment(), []
        for index in range(_count(handle)):
            _get(handle, index, ctypes.byref(raw))
            found.append(_fragment(raw))
        return found
    finally:
        _free(handle)
