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

from ._cdecl import fields, prototypes

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

    _fields_ = fields("""float *w1; float *b1; float *w2; float *b2; float *w3; float *b3;
        int input_size; int hidden1_size; int hidden2_size; int output_size;
        int w1_count; int w2_count; int w3_count; int total_count""")


class ProteinEntry(ctypes.Structure):
    """Mirror of ``struct protein_entry``."""

    _fields_ = fields("double mass; char *sequence")


class ProteinList(ctypes.Structure):
    """Mirror of ``struct protein_list``."""

    _fields_ = fields("ProteinEntry *entries; uint64_t count; uint64_t capacity",
                      ProteinEntry=ProteinEntry)


# ----------------------------------------------------------------------
# Prototypes
# ----------------------------------------------------------------------


def _family_distributions(family: str) -> str:
    """The eight distribution calls of a family ("pep" or "rna"): each
    engine by mass and by sequence, and the networks of a weight file."""
    calls = [f"""float {engine}_{family}_mass_to_dist(float *, int, int, float);
        float {engine}_{family}_seq_to_dist(const char *, float *, int, int);"""
             for engine in ("fft", "brain", "nn")]
    return "".join(calls) + f"""
        float nn_{family}_mass_to_dist_custom(float *, int, int, const char *, float);
        float nn_{family}_seq_to_dist_custom(const char *, float *, int, int, const char *);"""


_PROTOTYPES: Dict[str, "tuple[object, list]"] = prototypes(
    """
    /* result frame and engines */
    double normalize_isodist(double *, int);
    float fft_list_to_dist(int *, int, float *);
    float brain_list_to_dist(int *, int, float *);
    int setup_ft(int, complex *, int, int);
    void construct_isotope_array(int, double *, int);
    float get_first_isotope_abundance(int);
    /* formulas */
    int atom_formula_to_vector(const char *, int *);
    float fft_atom_formula_to_dist(const char *, float *, int, int);
    float corvan_atom(const char *, float *, int);
    /* networks */
    NetWeights SetupWeights(int, int);
    NetWeights LoadWeights(NetWeights, void *);
    int LoadWeightsFromFile(NetWeights, const char *);
    void FreeCorvanWeights(NetWeights);
    float softsign(float);
    float sigmoid(float);
    int neural_net(float *, float *, NetWeights);
    void mass_to_vector(float, float *);
    float corvan_model_to_dist_from_file(float *, int, float *, int, int, const char *);
    /* peptide encoders and length rules */
    int aa_to_index(char);
    int pep_seq_to_aacount(const char *);
    int pep_seq_to_nnvector(const char *, float *);
    void add_mod_to_fftlist(const char *, int *);
    int pep_seq_to_fftlist(const char *, int *);
    void pep_mass_to_fftlist(float, int *);
    int nn_pep_mass_to_isolen(float);
    int fft_pep_mass_to_isolen(float);
    int get_pep_isolen_from_seq(const char *);
    """ + _family_distributions("pep") + """
    /* parametric model */
    float isotopealpha(float *, float);
    float isotopebeta(float *, float);
    float isotopemid(float *, float);
    float isotopesig(float *, float);
    float pep_mass_to_dist_fitting(float *, int, int, float);
    /* RNA */
    int nt_to_index(int);
    int rna_seq_to_vector(const char *, float *);
    int rna_seq_to_fftlist(const char *, int *);
    void rna_mass_to_list(float, int *);
    int fft_rna_mass_to_isolen(float);
    int fft_rna_len_to_isolen(int);
    int nn_rna_mass_to_isolen(float);
    """ + _family_distributions("rna") + """
    /* list files */
    ProteinList read_masses_seqs_file(const char *);
    void free_protein_list(ProteinList *);
    void run_file(const char *);
    """,
    NetWeights=NetWeights, ProteinList=ProteinList, complex=ctypes.c_double * 2)

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
