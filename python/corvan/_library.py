"""Locating and loading libcorvan.so, and the C prototypes.

The library is looked up in this order:

1. the environment variable ``CORVAN_LIBRARY`` (full path to libcorvan.so);
2. the copy inside this package, which ``pip install ./python`` puts there;
3. ``ctypes.util.find_library("corvan")`` (the dynamic loader's cache);
4. the usual install directories of ``cmake --install``.

Every exported function gets its ``argtypes`` and ``restype`` here, so that
floats, ints and pointers cross the boundary with the widths of the header.
"""

from __future__ import annotations

import ctypes
import ctypes.util
import os
from typing import Dict, List, Optional

__all__ = ["lib", "libc", "library_path", "NetWeights", "ProteinEntry", "ProteinList"]

ENV_VARIABLE = "CORVAN_LIBRARY"

_INSTALL_DIRS = (
    "/usr/local/lib",
    "/usr/local/lib/x86_64-linux-gnu",
    "/usr/local/lib64",
    "/usr/lib/x86_64-linux-gnu",
    "/usr/lib",
)
_FILE_NAMES = ("libcorvan.so", "libcorvan.so.0")

# A symbol every build of the library has; used to reject a foreign library
# that happens to be called libcorvan.so.
_PROBE_SYMBOL = "corvan_atom"


def _candidates() -> List[str]:
    """Library names/paths to try after CORVAN_LIBRARY, in order."""
    found: List[str] = []
    bundled = os.path.join(os.path.dirname(os.path.abspath(__file__)), _FILE_NAMES[0])
    if os.path.exists(bundled):
        found.append(bundled)
    name = ctypes.util.find_library("corvan")
    if name:
        found.append(name)
    for directory in _INSTALL_DIRS:
        for file_name in _FILE_NAMES:
            path = os.path.join(directory, file_name)
            if os.path.exists(path):
                found.append(path)
    return found


def _open(path: str) -> ctypes.CDLL:
    handle = ctypes.CDLL(path)
    if not hasattr(handle, _PROBE_SYMBOL):
        raise OSError(f"{path} does not export {_PROBE_SYMBOL}; not a corvan library")
    return handle


def _load() -> "tuple[ctypes.CDLL, str]":
    """Loads the library or raises ImportError that explains CORVAN_LIBRARY."""
    explicit = os.environ.get(ENV_VARIABLE)
    if explicit:
        try:
            return _open(explicit), explicit
        except OSError as error:
            raise ImportError(
                f"corvan: cannot load the library named by {ENV_VARIABLE}="
                f"{explicit!r}: {error}"
            ) from error

    failures: List[str] = []
    for candidate in _candidates():
        try:
            return _open(candidate), candidate
        except OSError as error:
            failures.append(f"{candidate}: {error}")

    detail = ("; tried " + "; ".join(failures)) if failures else ""
    raise ImportError(
        "corvan: libcorvan.so not found. Build and install the C library "
        "(cmake --build ... && cmake --install ...), or set the environment "
        f"variable {ENV_VARIABLE} to the full path of libcorvan.so{detail}."
    )


lib, library_path = _load()

# The C library itself, for fflush(NULL) after run_file.
libc = ctypes.CDLL(None)
libc.fflush.argtypes = [ctypes.c_void_p]
libc.fflush.restype = ctypes.c_int


# ----------------------------------------------------------------------
# Records of the header, field for field in the same order
# ----------------------------------------------------------------------


class NetWeights(ctypes.Structure):
    """Mirror of ``struct NetWeights`` (passed and returned by value)."""

    _fields_ = [
        ("w1", ctypes.POINTER(ctypes.c_float)),
        ("b1", ctypes.POINTER(ctypes.c_float)),
        ("w2", ctypes.POINTER(ctypes.c_float)),
        ("b2", ctypes.POINTER(ctypes.c_float)),
        ("w3", ctypes.POINTER(ctypes.c_float)),
        ("b3", ctypes.POINTER(ctypes.c_float)),
        ("input_size", ctypes.c_int),
        ("hidden1_size", ctypes.c_int),
        ("hidden2_size", ctypes.c_int),
        ("output_size", ctypes.c_int),
        ("w1_count", ctypes.c_int),
        ("w2_count", ctypes.c_int),
        ("w3_count", ctypes.c_int),
        ("total_count", ctypes.c_int),
    ]


class ProteinEntry(ctypes.Structure):
    """Mirror of ``struct protein_entry``."""

    _fields_ = [("mass", ctypes.c_double), ("sequence", ctypes.c_char_p)]


class ProteinList(ctypes.Structure):
    """Mirror of ``struct protein_list``."""

    _fields_ = [
        ("entries", ctypes.POINTER(ProteinEntry)),
        ("count", ctypes.c_uint64),
        ("capacity", ctypes.c_uint64),
    ]


# ----------------------------------------------------------------------
# Prototypes
# ----------------------------------------------------------------------

_f = ctypes.c_float
_d = ctypes.c_double
_i = ctypes.c_int
_s = ctypes.c_char_p
_pf = ctypes.POINTER(ctypes.c_float)
_pd = ctypes.POINTER(ctypes.c_double)
_pi = ctypes.POINTER(ctypes.c_int)
_complex = ctypes.c_double * 2
_pc = ctypes.POINTER(_complex)


def _family_distributions(family: str) -> Dict[str, "tuple[object, list]"]:
    """The eight distribution calls of a family ("pep" or "rna"): each
    engine by mass and by sequence, and the networks of a weight file."""
    calls: Dict[str, "tuple[object, list]"] = {}
    for engine in ("fft", "brain", "nn"):
        calls[f"{engine}_{family}_mass_to_dist"] = (_f, [_pf, _i, _i, _f])
        calls[f"{engine}_{family}_seq_to_dist"] = (_f, [_s, _pf, _i, _i])
    calls[f"nn_{family}_mass_to_dist_custom"] = (_f, [_pf, _i, _i, _s, _f])
    calls[f"nn_{family}_seq_to_dist_custom"] = (_f, [_s, _pf, _i, _i, _s])
    return calls


_PROTOTYPES: Dict[str, "tuple[object, list]"] = {
    # result frame and engines
    "normalize_isodist": (_d, [_pd, _i]),
    "fft_list_to_dist": (_f, [_pi, _i, _pf]),
    "brain_list_to_dist": (_f, [_pi, _i, _pf]),
    "setup_ft": (_i, [_i, _pc, _i, _i]),
    "construct_isotope_array": (None, [_i, _pd, _i]),
    "get_first_isotope_abundance": (_f, [_i]),
    # formulas
    "atom_formula_to_vector": (_i, [_s, _pi]),
    "fft_atom_formula_to_dist": (_f, [_s, _pf, _i, _i]),
    "corvan_atom": (_f, [_s, _pf, _i]),
    # networks
    "SetupWeights": (NetWeights, [_i, _i]),
    "LoadWeights": (NetWeights, [NetWeights, ctypes.c_void_p]),
    "LoadWeightsFromFile": (_i, [NetWeights, _s]),
    "FreeCorvanWeights": (None, [NetWeights]),
    "softsign": (_f, [_f]),
    "sigmoid": (_f, [_f]),
    "neural_net": (_i, [_pf, _pf, NetWeights]),
    "mass_to_vector": (None, [_f, _pf]),
    "corvan_model_to_dist_from_file": (_f, [_pf, _i, _pf, _i, _i, _s]),
    # peptide encoders and length rules
    "aa_to_index": (_i, [ctypes.c_char]),
    "pep_seq_to_aacount": (_i, [_s]),
    "pep_seq_to_nnvector": (_i, [_s, _pf]),
    "add_mod_to_fftlist": (None, [_s, _pi]),
    "pep_seq_to_fftlist": (_i, [_s, _pi]),
    "pep_mass_to_fftlist": (None, [_f, _pi]),
    "nn_pep_mass_to_isolen": (_i, [_f]),
    "fft_pep_mass_to_isolen": (_i, [_f]),
    "get_pep_isolen_from_seq": (_i, [_s]),
    # peptide distributions
    **_family_distributions("pep"),
    # parametric model
    "isotopealpha": (_f, [_pf, _f]),
    "isotopebeta": (_f, [_pf, _f]),
    "isotopemid": (_f, [_pf, _f]),
    "isotopesig": (_f, [_pf, _f]),
    "pep_mass_to_dist_fitting": (_f, [_pf, _i, _i, _f]),
    # RNA
    "nt_to_index": (_i, [_i]),
    "rna_seq_to_vector": (_i, [_s, _pf]),
    "rna_seq_to_fftlist": (_i, [_s, _pi]),
    "rna_mass_to_list": (None, [_f, _pi]),
    "fft_rna_mass_to_isolen": (_i, [_f]),
    "fft_rna_len_to_isolen": (_i, [_i]),
    "nn_rna_mass_to_isolen": (_i, [_f]),
    **_family_distributions("rna"),
    # list files
    "read_masses_seqs_file": (ProteinList, [_s]),
    "free_protein_list": (None, [ctypes.POINTER(ProteinList)]),
    "run_file": (None, [_s]),
}

_missing: List[str] = []
for _name, (_restype, _argtypes) in _PROTOTYPES.items():
    try:
        _function = getattr(lib, _name)
    except AttributeError:
        _missing.append(_name)
        continue
    _function.restype = _restype
    _function.argtypes = _argtypes


def function(name: str):
    """The prototyped C function `name`; NotImplementedError if this build lacks it."""
    if name in _missing or name not in _PROTOTYPES:
        raise NotImplementedError(f"corvan: {library_path} does not export {name}()")
    return getattr(lib, name)


def missing_functions() -> List[str]:
    """Names of known C functions that the loaded library does not export."""
    return list(_missing)


def variable(ctype, name: str):
    """The exported C variable `name` viewed as `ctype` (shares its memory)."""
    return ctype.in_dll(lib, name)


def optional_variable(ctype, name: str) -> Optional[object]:
    """Like :func:`variable`, or None when the library lacks the symbol."""
    try:
        return ctype.in_dll(lib, name)
    except ValueError:
        return None


def library_version() -> str:
    """corvan_version_string() of the library loaded."""
    version = lib.corvan_version_string
    version.restype = ctypes.c_char_p
    version.argtypes = []
    return version().decode()
