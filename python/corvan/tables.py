"""The library's exported tables as Python values.

Read-only tables are copied once into tuples. The tables the library lets a
host change between calls (FFT table switches, averaging unit, parametric
model constants) are reached through :data:`settings`, whose properties read
and write the library's own memory.
"""

from __future__ import annotations

import contextlib
import ctypes
from typing import Any, Callable, Dict, Iterator, List, Sequence, Tuple

from ._library import variable

__all__ = [
    "element_names",
    "elements",
    "isotope_numbers",
    "isotope_masses",
    "isotope_abundances",
    "isotopes",
    "aa_order",
    "pep_order",
    "aa_names",
    "aa_vectors",
    "amino_acid_names",
    "amino_acid_vectors",
    "pep_encoding_elements",
    "rna_order",
    "rna_vectors",
    "dna_vectors",
    "rnaveragine_mass",
    "rnaveragine_composition",
    "rnaveragine_coeff",
    "brain_constants",
    "fft_table",
    "EMBEDDED_NETWORKS",
    "embedded_network",
    "settings",
    "Settings",
]

NUMBER_OF_ELEMENTS = variable(ctypes.c_int, "numelements").value
NUMBER_OF_ISOTOPES = variable(ctypes.c_int, "dlen").value


def _strings(name: str, count: int) -> Tuple[str, ...]:
    return tuple(s.decode() for s in variable(ctypes.c_char_p * count, name))


def _chars(name: str, count: int) -> str:
    return bytes(variable(ctypes.c_char * count, name)).split(b"\0", 1)[0].decode()


def _rows(ctype, name: str, rows: int, columns: int) -> Tuple[Tuple, ...]:
    table = variable(ctype * columns * rows, name)
    return tuple(tuple(row) for row in table)


def _values(ctype, name: str, count: int) -> Tuple:
    return tuple(variable(ctype * count, name))


# ----------------------------------------------------------------------
# Elements and isotopes
# ----------------------------------------------------------------------

#: Element symbols by atomic number - 1: "H" ... "Mt".
element_names: Tuple[str, ...] = _strings("element_names", NUMBER_OF_ELEMENTS)
#: The same symbols, two-letter ones first (the parser's matching order).
elements: Tuple[str, ...] = _strings("elements", NUMBER_OF_ELEMENTS)
#: Isotope rows, sorted by atomic number, lightest isotope first.
isotope_numbers: Tuple[int, ...] = _values(ctypes.c_int, "isotope_numbers", NUMBER_OF_ISOTOPES)
isotope_masses: Tuple[float, ...] = _values(ctypes.c_double, "isotope_masses", NUMBER_OF_ISOTOPES)
isotope_abundances: Tuple[float, ...] = _values(
    ctypes.c_double, "isotope_abundances", NUMBER_OF_ISOTOPES
)
#: The isotope rows as (atomic number, mass, abundance) triples.
isotopes: Tuple[Tuple[int, float, float], ...] = tuple(
    zip(isotope_numbers, isotope_masses, isotope_abundances)
)

# ----------------------------------------------------------------------
# Residues, nucleotides, averaging units (columns C, H, N, O, S unless noted)
# ----------------------------------------------------------------------

aa_order: str = _chars("aaorder", 21)
pep_order: str = _chars("pepOrder", 21)
aa_names: Tuple[str, ...] = _strings("aa_names", 20)
#: Residue compositions (amino acid less one water) in `aa_order` order.
aa_vectors: Tuple[Tuple[int, ...], ...] = _rows(ctypes.c_int, "aa_vectors", 20, 5)
#: Extended residue set: 23 names; the vectors have columns H, C, N, O, S.
amino_acid_names: Tuple[str, ...] = _strings(
    "amino_acid_names", variable(ctypes.c_int, "numaminoacids").value
)
amino_acid_vectors: Tuple[Tuple[int, ...], ...] = _rows(
    ctypes.c_int, "amino_acid_vectors", 24, 5
)
pep_encoding_elements: Tuple[str, ...] = _strings(
    "pep_encoding_elements", variable(ctypes.c_int, "num_simp_elements").value
)
rna_order: str = _chars("rnaOrder", 5)
#: Nucleotide compositions, rows A, C, G, U (no phosphorus).
rna_vectors: Tuple[Tuple[int, ...], ...] = _rows(ctypes.c_int, "rna_vectors", 4, 5)
#: DNA compositions, rows A, C, G, T; columns H, C, N, O, S.
dna_vectors: Tuple[Tuple[int, ...], ...] = _rows(ctypes.c_int, "dna_vectors", 4, 5)
rnaveragine_mass: float = variable(ctypes.c_float, "rnaveragine_mass").value
rnaveragine_composition: Tuple[float, ...] = _values(
    ctypes.c_double, "rnaveragine_comp_numerical", 5
)
rnaveragine_coeff: Tuple[float, ...] = _values(ctypes.c_double, "rnaveragine_coeff", 5)

# ----------------------------------------------------------------------
# BRAIN constants
# ----------------------------------------------------------------------

_BRAIN_NAMES = (
    "c12_abundance",
    "h1_abundance",
    "n14_abundance",
    "o16_abundance",
    "s32_abundance",
    "c_root",
    "h_root",
    "n_root",
    "rho_o",
    "theta_o",
    "s_root",
    "rho_s",
    "theta_s",
)
#: The BRAIN root and abundance constants by name (single-precision values).
brain_constants: Dict[str, float] = {
    name: variable(ctypes.c_float, name).value for name in _BRAIN_NAMES
}

# ----------------------------------------------------------------------
# Precomputed FFT table
# ----------------------------------------------------------------------

_FFT_ROW = 33


def fft_table() -> List[List[complex]]:
    """The precomputed element transforms at N = 64: 109 rows of 33 complex values.

    Row ``Z - 1`` belongs to atomic number Z.
    """
    length = variable(ctypes.c_int, "arraylen").value
    flat = variable(ctypes.c_double * 2 * length, "fftarray")
    values = [complex(re, im) for re, im in flat]
    return [values[i : i + _FFT_ROW] for i in range(0, length, _FFT_ROW)]


# ----------------------------------------------------------------------
# Embedded networks
# ----------------------------------------------------------------------

#: The exported network blobs (weight blobs, see corvan.Network).
EMBEDDED_NETWORKS: Tuple[str, ...] = (
    "corvanpep_model_64",
    "corvanpep_model_128",
    "corvan_rnaveragine_model32",
    "corvan_rnaveragine_model64",
    "corvan_rnaveragine_model128",
)


def embedded_network(name: str) -> bytes:
    """A copy of an exported network blob, e.g. ``embedded_network("corvanpep_model_64")``."""
    if name not in EMBEDDED_NETWORKS:
        raise ValueError(f"unknown network {name!r}; one of {', '.join(EMBEDDED_NETWORKS)}")
    length = variable(ctypes.c_uint, f"{name}_bin_len").value
    return bytes(variable(ctypes.c_ubyte * length, f"{name}_bin"))


# ----------------------------------------------------------------------
# Writable tables
# ----------------------------------------------------------------------


def _scalar_table(
    name: str, ctype: Any, to_library: Callable[[Any], Any], from_library: Callable[[Any], Any],
    doc: str,
) -> property:
    """A writable number of the library as a property, converted on the way
    in and out."""

    def read(_self: object) -> Any:
        return from_library(variable(ctype, name).value)

    def write(_self: object, value: Any) -> None:
        variable(ctype, name).value = to_library(value)

    return property(read, write, doc=doc)


def _array_table(name: str, ctype: Any, count: int, doc: str) -> property:
    """A writable array of the library as a property: read as a tuple,
    written whole (exactly `count` numbers)."""

    def read(_self: object) -> Tuple[float, ...]:
        return tuple(variable(ctype * count, name))

    def write(_self: object, values: Sequence[float]) -> None:
        values = [float(v) for v in values]
        if len(values) != count:
            raise ValueError(f"{name} takes {count} values, got {len(values)}")
        variable(ctype * count, name)[:] = values

    return property(read, write, doc=doc)


class Settings:
    """Live view of the library's writable tables.

    Changes affect every later call in the process; change them only while
    no library call runs. :meth:`temporarily` restores the old values.
    """

    fft_len = _scalar_table(
        "fft_len", ctypes.c_int, int, int, "Row length of the precomputed FFT table (33)."
    )
    use_precomputed_fft = _scalar_table(
        "use_precomputed_fft",
        ctypes.c_int,
        lambda value: 1 if value else 0,
        lambda stored: stored != 0,
        "Whether the precomputed element transforms are used at N = 64.",
    )
    massavgine = _scalar_table(
        "massavgine", ctypes.c_double, float, float, "Mass of one peptide averaging unit (111.1254)."
    )
    avgine = _array_table(
        "avgine", ctypes.c_double, 5, "Atoms C, H, N, O, S of one peptide averaging unit."
    )
    averagine_coeffs = _array_table(
        "averagine_coeffs", ctypes.c_double, 5, "Atoms per dalton of the averaging unit."
    )
    isoparams = _array_table(
        "isoparams", ctypes.c_float, 10, "The ten constants of the parametric peptide model."
    )

    _NAMES = (
        "fft_len",
        "use_precomputed_fft",
        "massavgine",
        "avgine",
        "averagine_coeffs",
        "isoparams",
    )

    def as_dict(self) -> Dict[str, object]:
        """All current values by name."""
        return {name: getattr(self, name) for name in self._NAMES}

    @contextlib.contextmanager
    def temporarily(self, **values: object) -> Iterator["Settings"]:
        """Sets some values for the duration of a ``with`` block."""
        unknown = set(values) - set(self._NAMES)
        if unknown:
            raise ValueError(f"unknown settings: {sorted(unknown)}")
        saved = {name: getattr(self, name) for name in values}
        try:
            for name, value in values.items():
                setattr(self, name, value)
            yield self
        finally:
            for name, value in saved.items():
                setattr(self, name, value)

    def __repr__(self) -> str:
        return f"corvan.Settings({self.as_dict()!r})"


#: The library's writable tables.
settings = Settings()
