"""Digestion of proteins and RNA into pieces with their positions.

The enzymes are the library's tables (proteases and RNases of OpenMS);
``corvan.enzymes("peptide")`` lists them. Every piece's text is a molecule
the rest of the module takes, so a digest feeds ``corvan.many`` directly::

    import corvan
    pieces = corvan.digest("MPEKTIDEKPRAGRK", "Trypsin", missed_cleavages=1)
    [(p.start, p.end, p.text) for p in pieces]
    rows = corvan.many([p.text for p in pieces], kind="peptide", charge=2)
    corvan.digest("ppp-AUGCGGAU", "RNase_T1", kind="rna")   # "ppp-AUG-p", ...
"""

from __future__ import annotations

import ctypes
import operator
from typing import List, NamedTuple, Optional

from . import _constants as c
from .envelopes import KINDS, _check, _declare, _Error

__all__ = ["Piece", "digest", "enzymes"]

_SPECIFICITY = {"full": 0, "semi": c.CORVAN_DIGEST_SEMI, "unspecific": c.CORVAN_DIGEST_UNSPECIFIC}


class _Piece(ctypes.Structure):
    _fields_ = [("start", ctypes.c_size_t), ("end", ctypes.c_size_t), ("text", ctypes.c_char_p)]


_P = ctypes.c_void_p
_digest = _declare("corvan_digest", ctypes.c_int, ctypes.c_int, ctypes.c_char_p, ctypes.c_char_p,
                   ctypes.c_int, ctypes.c_size_t, ctypes.c_size_t, ctypes.c_uint,
                   ctypes.POINTER(_P), ctypes.POINTER(_Error))
_count = _declare("corvan_pieces_count", ctypes.c_size_t, _P)
_get = _declare("corvan_pieces_get", ctypes.c_int, _P, ctypes.c_size_t, ctypes.POINTER(_Piece))
_free = _declare("corvan_pieces_free", None, _P)
_enzyme_name = _declare("corvan_enzyme_name", ctypes.c_char_p, ctypes.c_int, ctypes.c_size_t)


class Piece(NamedTuple):
    """A piece: 1-based first and last position (inclusive) and its text."""

    start: int
    end: int
    text: str


def _kind(kind: str) -> int:
    if kind not in ("peptide", "rna"):
        raise ValueError(f"kind must be 'peptide' or 'rna', got {kind!r}")
    return KINDS[kind]


def _count_argument(name: str, value, least: int) -> int:
    try:
        number = operator.index(value)
    except TypeError:
        raise TypeError(f"{name} must be a whole number, got {type(value).__name__}") from None
    if number < least:
        raise ValueError(f"{name} must be at least {least}, got {number}")
    return number


def enzymes(kind: str = "peptide") -> List[str]:
    """The enzyme names of a kind: proteases ("peptide") or RNases ("rna")."""
    code, names = _kind(kind), []
    while True:
        name = _enzyme_name(code, len(names))
        if name is None:
            return names
        names.append(name.decode())


def digest(sequence: str, enzyme: str = "Trypsin", *, kind: str = "peptide",
           missed_cleavages: int = 0, specificity: str = "full", min_length: int = 1,
           max_length: Optional[int] = None, methionine_variants: bool = False,
           cyclic_phosphate: bool = False) -> List[Piece]:
    """The pieces of a protein (upper-case residues) or an RNA (as
    :func:`corvan.envelope` reads it) cut by `enzyme`, by start, then end.

    Args:
        specificity: ``"full"`` (both ends at cleavage sites), ``"semi"`` (one
            end suffices) or ``"unspecific"`` (any piece).
        min_length, max_length: bounds on the residues of a piece (None: no
            upper bound).
        methionine_variants: also the pieces of the protein without its
            initiator methionine.
        cyclic_phosphate: RNA pieces end in a 2',3'-cyclic phosphate (``>p``)
            where the enzyme leaves a 3'-phosphate.

    Raises :class:`corvan.EnvelopeError` for input the library refuses (an
    unknown enzyme: the message lists the kind's enzymes).
    """
    if specificity not in _SPECIFICITY:
        raise ValueError(f"specificity must be one of {sorted(_SPECIFICITY)}, got {specificity!r}")
    flags = _SPECIFICITY[specificity]
    flags |= c.CORVAN_DIGEST_METHIONINE_VARIANTS if methionine_variants else 0
    flags |= c.CORVAN_DIGEST_CYCLIC_PHOSPHATE if cyclic_phosphate else 0
    most = 0 if max_length is None else _count_argument("max_length", max_length, 1)
    handle, error = _P(), _Error()
    status = _digest(_kind(kind), str(sequence).encode(), str(enzyme).encode(),
                     _count_argument("missed_cleavages", missed_cleavages, 0),
                     _count_argument("min_length", min_length, 0), most, flags,
                     ctypes.byref(handle), ctypes.byref(error))
    _check(status, error)
    try:
        piece, found = _Piece(), []
        for index in range(_count(handle)):
            _get(handle, index, ctypes.byref(piece))
            found.append(Piece(piece.start, piece.end, piece.text.decode()))
        return found
    finally:
        _free(handle)
