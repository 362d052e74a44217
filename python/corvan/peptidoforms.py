"""Chimeric ProForma texts ("EMEVEESPEK/2+ELVISLIVER/3"): one envelope per
peptidoform, through corvan_peptidoform_count and corvan_peptidoform_parse."""

from __future__ import annotations

import ctypes
from typing import List, Mapping, Optional

from . import _constants as c
from .envelopes import (
    MAX_TEXT,
    Envelope,
    EnvelopeError,
    _check,
    _compute,
    _declare,
    _distribution_free,
    _Error,
    _molecule_free,
    _options,
    _options_free,
    _P,
)

_count = _declare("corvan_peptidoform_count", ctypes.c_int, ctypes.c_char_p,
                  ctypes.POINTER(ctypes.c_size_t), ctypes.POINTER(_Error))
_parse_one = _declare("corvan_peptidoform_parse", ctypes.c_int, ctypes.c_char_p, ctypes.c_size_t,
                      ctypes.POINTER(_P), ctypes.POINTER(_Error))


def peptidoforms(text: str, *, charge: int = 0, adduct: Optional[str] = None,
                 labels: Optional[Mapping[str, float]] = None, points: int = 0,
                 min_intensity: float = 0.0) -> List[Envelope]:
    """The envelope of each peptidoform of a ProForma text, in order: one for
    a plain peptide, one per part of a chimera joined by '+'. Each takes its
    own charge ("/2") unless ``charge`` gives one; the other options are as
    for :func:`corvan.envelope`.

    >>> [e.charge for e in peptidoforms("EMEVEESPEK/2+ELVISLIVER/3")]
    [2, 3]
    """
    if not isinstance(text, str):
        raise TypeError(f"text must be a str, got {type(text).__name__}")
    encoded = text.encode("utf-8")
    if len(encoded) > MAX_TEXT or "\0" in text:
        raise EnvelopeError(c.CORVAN_E_RANGE if len(encoded) > MAX_TEXT else c.CORVAN_E_SYNTAX,
                            None, "the text is longer than 1000000 bytes"
                            if len(encoded) > MAX_TEXT else "the text holds a NUL character")
    error = _Error()
    count = ctypes.c_size_t(0)
    _check(_count(encoded, ctypes.byref(count), ctypes.byref(error)), error)
    envelopes = []
    for index in range(count.value):
        options = _options(charge, adduct, labels, points, min_intensity)
        molecule, result = _P(), _P()
        try:
            _check(_parse_one(encoded, index, ctypes.byref(molecule), ctypes.byref(error)), error)
            _check(_compute(molecule, options, ctypes.byref(result), ctypes.byref(error)), error)
            envelopes.append(Envelope(result, molecule))
        finally:
            _distribution_free(result)
            _molecule_free(molecule)
            _options_free(options)
    return envelopes
