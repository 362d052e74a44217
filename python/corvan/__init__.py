"""corvan: theoretical isotope distributions for mass spectrometry.

Python bindings (ctypes) for the C library libcorvan.so. Set the environment
variable ``CORVAN_LIBRARY`` to the full path of libcorvan.so when it is not
installed in a standard location.

Quick start::

    import corvan
    corvan.formula("C6H12O6", points=16)          # glucose, scaled to peak 1
    corvan.peptide("PEPTIDE", engine="brain")      # by sequence
    corvan.peptide(mass=1500.0, engine="nn")       # by mass
    corvan.rna("ACGUACGU", return_peak=True)       # (array, peak)
    ion = corvan.envelope("C50H71N13O12", charge=2, labels={"15N": 0.98})
    ion.mz, ion.intensities, ion.masses            # every point with its m/z
    rows = corvan.many(["C6H12O6", "C2H6O"], kind="formula", charge=1)
    rows.heights, rows.monoisotopic_mz             # many molecules per call
    corvan.centroids("SAMPLER", kind="peptide", charge=2, resolution="360000@200")

Results are ``numpy.ndarray`` (float32) when numpy is installed, otherwise
``array.array('f')``. Failures raise :class:`CorvanError` with the library's
message; messages of calls that still succeed become :class:`CorvanWarning`.
"""

from __future__ import annotations

from ._arrays import HAVE_NUMPY, numpy_enabled
from ._errors import CorvanError, CorvanWarning
from ._library import NetWeights, library_path, library_version as _library_version
from .distributions import (
    Composition,
    composition_distribution,
    custom_network_file_size,
    formula,
    model_from_file,
    peptide,
    rna,
)
from .envelopes import Envelope, EnvelopeError, envelope
from .peptidoforms import peptidoforms
from .spectrum import Spectrum, SpectrumError, centroids, fine_structure, profile
from .observed import check_monoisotopic, deisotope, deuterium_uptake, fit_label, fit_mix, match, read_mzml
from ._many import Many, many
from .digestion import Piece, digest, enzymes
from .fragments import Fragment, fragments
from .encoders import (
    add_modification,
    formula_counts,
    mass_features,
    nucleotide_index,
    nucleotide_vector,
    peptide_composition,
    peptide_points,
    residue_count,
    residue_index,
    residue_vector,
    rna_composition,
    rna_points,
)
from .listfile import read_list, run_file
from .lowlevel import (
    element_transform,
    first_isotope_abundance,
    isotope_pattern,
    normalize,
    parametric_parameters,
)
from .network import Network, sigmoid, softsign
from . import distributions, encoders, tables
from .tables import EMBEDDED_NETWORKS, embedded_network, settings

# The package is the version of the library it binds (the header's
# CORVAN_VERSION_STRING, which also names the wheel).
__version__ = _library_version()

__all__ = [
    "CorvanError",
    "CorvanWarning",
    "HAVE_NUMPY",
    "numpy_enabled",
    "library_path",
    "Composition",
    "Envelope",
    "EnvelopeError",
    "envelope",
    "peptidoforms",
    "Spectrum",
    "SpectrumError",
    "fine_structure",
    "profile",
    "centroids",
    "match", "fit_label", "fit_mix", "deuterium_uptake", "deisotope", "check_monoisotopic", "read_mzml",
    "Many",
    "Piece",
    "digest",
    "enzymes",
    "Fragment",
    "fragments",
    "many",
    *(name for name in distributions.__all__ if name != "Composition"),
    *encoders.__all__,
    "read_list",
    "run_file",
    "normalize",
    "element_transform",
    "isotope_pattern",
    "first_isotope_abundance",
    "parametric_parameters",
    "Network",
    "NetWeights",
    "softsign",
    "sigmoid",
    "tables",
    "settings",
    "EMBEDDED_NETWORKS",
    "embedded_network",
]
