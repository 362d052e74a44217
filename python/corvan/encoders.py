"""Encoders and length rules: what the library makes of a molecule.

Compositions are :class:`corvan.Composition` tuples (C, H, N, O, S). A
peptide sequence's composition includes one water; a composition from a mass
(averaging unit) does not. Library messages printed while encoding (a bad
modification formula, an unexpected nucleotide) become
:class:`corvan.CorvanWarning`.
"""

from __future__ import annotations

import ctypes
from typing import Dict, List, Optional, Union

from . import _args
from ._calls import invoke_checked
from ._errors import CorvanError
from ._library import function
from .distributions import Composition, CompositionLike, as_composition
from .tables import NUMBER_OF_ELEMENTS, element_names

__all__ = [
    "residue_index",
    "residue_count",
    "residue_vector",
    "peptide_composition",
    "add_modification",
    "nucleotide_index",
    "nucleotide_vector",
    "rna_composition",
    "mass_features",
    "formula_counts",
    "peptide_points",
    "rna_points",
]

Text = Union[str, bytes]

def _never(_result: object) -> bool:
    return False


def _single_byte(character: Text, name: str) -> bytes:
    data = _args.encode_text(character, name) if character else b""
    if len(data) != 1:
        raise ValueError(f"{name} must be a single character")
    return data


# ----------------------------------------------------------------------
# Peptides
# ----------------------------------------------------------------------


def residue_index(character: Text) -> Optional[int]:
    """Index 0..19 of a residue letter in "ACDEFGHIKLMNPQRSTVWY", None otherwise."""
    index = function("aa_to_index")(_single_byte(character, "character"))
    return None if index < 0 else index


def residue_count(sequence: Text) -> int:
    """Number of residue positions: every character outside brackets counts."""
    return function("pep_seq_to_aacount")(_args.encode_text(sequence, "sequence"))


def residue_vector(sequence: Text) -> List[int]:
    """Count of each of the 20 residues, in "ACDEFGHIKLMNPQRSTVWY" order.

    This is the input vector of the peptide-sequence networks.
    """
    counts = (ctypes.c_float * 20)()
    function("pep_seq_to_nnvector")(_args.encode_text(sequence, "sequence"), counts)
    return [int(value) for value in counts]


def peptide_composition(
    sequence: Optional[Text] = None, *, mass: Optional[float] = None
) -> Composition:
    """Composition of a peptide sequence (with water) or of a mass (averagine)."""
    fftlist = (ctypes.c_int * 5)()
    if _args.one_of(sequence, mass) == "sequence":
        seq = _args.encode_text(sequence, "sequence")
        invoke_checked("pep_seq_to_fftlist", (seq, fftlist), _never, "")
    else:
        function("pep_mass_to_fftlist")(_args.check_mass(mass), fftlist)
    return Composition(*fftlist)


def add_modification(formula: Text, composition: CompositionLike = Composition()) -> Composition:
    """`composition` plus the C/H/N/O/S atoms of a modification formula (no brackets).

    Other element symbols are skipped; a malformed term stops the parse with
    a :class:`corvan.CorvanWarning` and keeps what was added before it.
    """
    base = as_composition(composition)
    fftlist = (ctypes.c_int * 5)(*base)
    invoke_checked(
        "add_mod_to_fftlist", (_args.encode_text(formula, "formula"), fftlist), _never, ""
    )
    return Composition(*fftlist)


# ----------------------------------------------------------------------
# RNA
# ----------------------------------------------------------------------


def nucleotide_index(character: Text) -> Optional[int]:
    """Index of A, C, G, U (0..3), None otherwise."""
    byte = _single_byte(character, "character")
    index = function("nt_to_index")(byte[0])
    return None if index < 0 else index


def nucleotide_vector(sequence: Text) -> List[int]:
    """Counts of A, C, G and U (the input of the RNA-sequence networks)."""
    counts = (ctypes.c_float * 4)()
    invoke_checked(
        "rna_seq_to_vector", (_args.encode_text(sequence, "sequence"), counts), _never, ""
    )
    return [int(value) for value in counts]


def rna_composition(
    sequence: Optional[Text] = None, *, mass: Optional[float] = None
) -> Composition:
    """Composition of an RNA sequence, or of a mass (averaging nucleotide).

    No phosphorus is counted. Below about 64.2 Da the oxygen count from a
    mass is negative.
    """
    fftlist = (ctypes.c_int * 5)()
    if _args.one_of(sequence, mass) == "sequence":
        seq = _args.encode_text(sequence, "sequence")
        invoke_checked("rna_seq_to_fftlist", (seq, fftlist), lambda r: r < 0, "bad argument")
    else:
        function("rna_mass_to_list")(_args.check_mass(mass), fftlist)
    return Composition(*fftlist)


# ----------------------------------------------------------------------
# Masses and formulas
# ----------------------------------------------------------------------


def mass_features(mass: float) -> List[float]:
    """The five network inputs of a mass: mass / (1e6, 1e5, 1e4, 1e3, 100), clamped to [0, 1]."""
    features = (ctypes.c_float * 5)()
    function("mass_to_vector")(_args.check_mass(mass), features)
    return list(features)


def formula_counts(
    formula: Text, *, full: bool = False
) -> Union[Dict[str, int], List[int]]:
    """Atom counts of an elemental formula such as ``"C6H12O6"``.

    Returns a dict symbol -> count of the elements present (in order of
    atomic number), or with ``full=True`` the 109 counts indexed by atomic
    number - 1. Raises CorvanError for a formula the library rejects.
    """
    text = _args.encode_text(formula, "formula")
    counts = (ctypes.c_int * NUMBER_OF_ELEMENTS)()
    if function("atom_formula_to_vector")(text, counts) != 0:
        raise CorvanError(
            f"cannot parse the formula {text.decode(errors='replace')!r}: unknown element "
            "symbol, unexpected character, count above 2147483647 or no atoms"
        )
    if full:
        return list(counts)
    return {element_names[z]: count for z, count in enumerate(counts) if count}


# ----------------------------------------------------------------------
# Length rules
# ----------------------------------------------------------------------


def _mass_points(family: str, mass: float, engine: str) -> Optional[int]:
    """A family's mass rule: the network rule for "nn" (None beyond its
    range), the FFT rule (also BRAIN's) otherwise."""
    if engine == "nn":
        result = function(f"nn_{family}_mass_to_isolen")(mass)
        return None if result < 0 else result
    if engine in ("fft", "brain"):
        return function(f"fft_{family}_mass_to_isolen")(mass)
    raise ValueError(f"engine must be 'fft', 'brain' or 'nn', got {engine!r}")


def peptide_points(
    sequence: Optional[Text] = None, *, mass: Optional[float] = None, engine: str = "fft"
) -> Optional[int]:
    """Internal length the library uses for a peptide.

    By mass: ``engine="fft"`` (also BRAIN) gives 64, 128 or 1024; ``"nn"``
    gives the output count of the chosen network (8, 32, 64, 128) or None
    when no network covers the mass. By sequence: the library's standalone
    sequence rule (16, 64 or 128; `engine` is ignored).
    """
    if _args.one_of(sequence, mass) == "sequence":
        return function("get_pep_isolen_from_seq")(_args.encode_text(sequence, "sequence"))
    return _mass_points("pep", _args.check_mass(mass), engine)


def rna_points(
    *, mass: Optional[float] = None, length: Optional[int] = None, engine: str = "fft"
) -> Optional[int]:
    """Internal length the library uses for an RNA.

    ``mass=`` with ``engine="fft"`` (also BRAIN): 64, 128 or 1024; with
    ``"nn"``: 32, 64 or 128, or None beyond the networks' range.
    ``length=`` (sequence length, FFT/BRAIN rule): 64, 128 or 1024.
    """
    if (mass is None) == (length is None):
        raise ValueError("give exactly one of mass= or length=")
    if length is not None:
        return function("fft_rna_len_to_isolen")(_args.check_int(length, "length"))
    return _mass_points("rna", _args.check_mass(mass), engine)
