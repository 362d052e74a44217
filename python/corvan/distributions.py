"""Isotope distributions: formulas, peptides, RNA, compositions, networks.

Every function returns the distribution as an array of `points` float32
values (``numpy.ndarray`` when numpy is installed, else ``array.array('f')``)
with the monoisotopic peak at index `offset` and index ``offset + k`` holding
the peak with k extra neutrons. Unless said otherwise the values are scaled
so that the highest placed point is 1. With ``return_peak=True`` the result
is the pair ``(array, peak)``, where `peak` is the height of the highest
point before scaling (for the FFT and BRAIN engines its share of the whole
distribution).
"""

from __future__ import annotations

import ctypes
from typing import Any, Iterable, Mapping, NamedTuple, Optional, Sequence, Union

from . import _args
from .envelopes import check_fixed_sequence, check_positive_mass, envelope
from ._arrays import float_buffer, float_input, to_result
from ._calls import invoke_distribution

__all__ = [
    "Composition",
    "formula",
    "peptide",
    "rna",
    "composition_distribution",
    "model_from_file",
    "custom_network_file_size",
]

PEPTIDE_ENGINES = ("exact", "fft", "brain", "nn", "fit")
RNA_ENGINES = ("exact", "fft", "brain", "nn")
COMPOSITION_ENGINES = ("fft", "brain")

# Inputs of the network families: residue counts, mass features, nucleotides.
PEPTIDE_SEQUENCE_FEATURES = 20
MASS_FEATURES = 5
RNA_SEQUENCE_FEATURES = 4


class Composition(NamedTuple):
    """Atom counts in the library's fixed order C, H, N, O, S."""

    C: int = 0
    H: int = 0
    N: int = 0
    O: int = 0  # noqa: E741 - the element symbol
    S: int = 0


CompositionLike = Union[Composition, Sequence[int], Mapping[str, int]]


def _result(buffer: Any, peak: float, return_peak: bool) -> Any:
    array = to_result(buffer)
    return (array, float(peak)) if return_peak else array


def custom_network_file_size(inputs: int, points: int) -> int:
    """Bytes of a weight file for `inputs` inputs and `points` units per layer."""
    return 4 * (3 * points + points * inputs + 2 * points * points)


def _custom_reason(path: bytes, inputs: int, points: int) -> str:
    return (
        f"weight file {path.decode(errors='replace')!r} is missing, unreadable or "
        f"not a network with {inputs} inputs and {points} outputs "
        f"(expected {custom_network_file_size(inputs, points)} bytes)"
    )


# ----------------------------------------------------------------------
# Elemental formulas
# ----------------------------------------------------------------------


def formula(
    formula: Union[str, bytes], points: int = 64, offset: int = 0, *, return_peak: bool = False
) -> Any:
    """Isotope distribution of an elemental formula such as ``"C6H12O6"``.

    The distribution is computed on a grid of `points` points and placed at
    `offset` (its last `offset` points are dropped).

    >>> formula("H2O", 8)[0]
    1.0
    """
    n, k = _args.check_frame(points, offset)
    text = _args.encode_text(formula, "formula")
    buffer = float_buffer(n)
    peak = invoke_distribution(
        "fft_atom_formula_to_dist",
        (text, buffer, n, k),
        f"cannot compute the formula {text.decode(errors='replace')!r} (unknown element "
        "symbol, unexpected character, count too large or no atoms)",
    )
    return _result(buffer, peak, return_peak)


# ----------------------------------------------------------------------
# Peptides and RNA: one path through the library's calls
# ----------------------------------------------------------------------


class _Molecule(NamedTuple):
    """The calls and messages of one molecule kind (peptide or RNA)."""

    kind: str  # as corvan_check_fixed_sequence names it
    engines: Sequence[str]
    sequence_calls: Mapping[str, str]  # engine -> call
    mass_calls: Mapping[str, str]
    reasons: Mapping[str, str]  # call -> why it failed
    sequence_features: int  # inputs of a custom sequence network
    custom_sequence_call: str
    custom_mass_call: str


class _Ion(NamedTuple):
    """What the exact engine adds: the ion and its labels."""

    charge: int = 0
    adduct: Optional[str] = None
    labels: Any = None


def _exact_distribution(
    kind: str, sequence: Any, mass: Any, n: int, k: int, ion: _Ion, return_peak: bool
) -> Any:
    """The molecule layer's envelope placed on the fixed calls' grid: index
    ``k + j`` holds M+j, scaled to the highest peak; the peak value is that
    peak's share of the whole."""
    if isinstance(sequence, (bytes, bytearray)):
        sequence = _args.encode_text(sequence, "sequence").decode("utf-8")
    result = envelope(sequence, kind, mass=mass, charge=ion.charge, adduct=ion.adduct,
                      labels=ion.labels)
    buffer = float_buffer(n)
    for neutrons, intensity in zip(result.neutrons, result.intensities):
        if k + int(neutrons) < n:
            buffer[k + int(neutrons)] = float(intensity)
    return _result(buffer, float(result.shares[result.most_abundant]), return_peak)


def _molecule_distribution(
    molecule: _Molecule,
    sequence: Optional[Union[str, bytes]],
    mass: Optional[float],
    engine: Optional[str],
    points: int,
    offset: int,
    weights: Optional[_args.PathLike],
    return_peak: bool,
    ion: _Ion = _Ion(),
) -> Any:
    kind = _args.one_of(sequence, mass)
    engine = _args.check_engine(engine, weights, molecule.engines, default="exact")
    n, k = _args.check_frame(points, offset)
    if engine == "exact":
        return _exact_distribution(molecule.kind, sequence, mass, n, k, ion, return_peak)
    if ion != _Ion():
        raise ValueError(f"charge, adduct and labels need the exact engine (the {engine} "
                         "engine computes the neutral molecule without labels)")
    buffer = float_buffer(n)

    if kind == "sequence":
        if engine not in molecule.sequence_calls:
            raise ValueError(f"engine {engine!r} works from a mass only")
        seq = _args.encode_text(sequence, "sequence")
        check_fixed_sequence(molecule.kind, seq)
        if weights is not None:
            path = _args.encode_path(weights, "weights")
            peak = invoke_distribution(
                molecule.custom_sequence_call,
                (seq, buffer, n, k, path),
                "the sequence is empty or "
                + _custom_reason(path, molecule.sequence_features, n),
            )
        else:
            name = molecule.sequence_calls[engine]
            peak = invoke_distribution(name, (seq, buffer, n, k), molecule.reasons[name])
    else:
        value = check_positive_mass(_args.check_mass(mass))
        if weights is not None:
            path = _args.encode_path(weights, "weights")
            peak = invoke_distribution(
                molecule.custom_mass_call,
                (buffer, n, k, path, value),
                _custom_reason(path, MASS_FEATURES, n),
            )
        else:
            name = molecule.mass_calls[engine]
            peak = invoke_distribution(name, (buffer, n, k, value), molecule.reasons[name])
    return _result(buffer, peak, return_peak)


# ----------------------------------------------------------------------
# Peptides
# ----------------------------------------------------------------------

def _fixed_family(
    kind: str,
    family: str,
    engines: Sequence[str],
    reasons: Mapping[str, str],
    sequence_features: int,
    extra_mass_calls: Mapping[str, str],
) -> _Molecule:
    """A family's fixed calls follow one naming scheme: ENGINE_FAMILY_seq_to_dist,
    ENGINE_FAMILY_mass_to_dist and nn_FAMILY_*_to_dist_custom."""
    fixed = ("fft", "brain", "nn")
    return _Molecule(
        kind=kind,
        engines=engines,
        sequence_calls={engine: f"{engine}_{family}_seq_to_dist" for engine in fixed},
        mass_calls={
            **{engine: f"{engine}_{family}_mass_to_dist" for engine in fixed},
            **extra_mass_calls,
        },
        reasons=reasons,
        sequence_features=sequence_features,
        custom_sequence_call=f"nn_{family}_seq_to_dist_custom",
        custom_mass_call=f"nn_{family}_mass_to_dist_custom",
    )


_PEPTIDE_REASONS = {
    "fft_pep_seq_to_dist": "the FFT engine failed on this sequence",
    # check_fixed_sequence has refused a text without residues before the call.
    "brain_pep_seq_to_dist": "the BRAIN engine failed: the molecule is so large that the "
    "engine's recursion overflows",
    "nn_pep_seq_to_dist": "the network failed on this sequence",
    "fft_pep_mass_to_dist": "the FFT engine failed for this mass",
    "brain_pep_mass_to_dist": "the BRAIN engine needs a positive, finite mass, and not one so "
    "large that its recursion overflows",
    "nn_pep_mass_to_dist": "no network covers this mass",
    "pep_mass_to_dist_fitting": "the parametric model failed for this mass",
}
_PEPTIDE = _fixed_family(
    "peptide",
    "pep",
    PEPTIDE_ENGINES,
    _PEPTIDE_REASONS,
    PEPTIDE_SEQUENCE_FEATURES,
    {"fit": "pep_mass_to_dist_fitting"},
)


def _family_function(molecule: _Molecule, name: str, doc: str) -> Any:
    """The public call of one molecule family: the peptide and RNA calls take
    the same arguments and differ only in their family's engines and calls."""

    def call(
        sequence: Optional[Union[str, bytes]] = None,
        *,
        mass: Optional[float] = None,
        engine: Optional[str] = None,
        points: int = 64,
        offset: int = 0,
        weights: Optional[_args.PathLike] = None,
        return_peak: bool = False,
        charge: int = 0,
        adduct: Optional[str] = None,
        labels: Any = None,
    ) -> Any:
        return _molecule_distribution(
            molecule, sequence, mass, engine, points, offset, weights, return_peak,
            _Ion(charge, adduct, labels),
        )

    call.__name__ = call.__qualname__ = name
    call.__module__ = __name__
    call.__doc__ = doc
    return call


peptide = _family_function(
    _PEPTIDE,
    "peptide",
    """Isotope distribution of a peptide given by sequence or by mass.

    Args:
        sequence: ProForma 2.0, as :func:`corvan.envelope` reads it
            (``"EM[Oxidation]EVEES[Phospho]PEK"``, ``"PEPTIDE[C2H2O]K/2"``);
            for the fixed engines one-letter residues with modification
            formulas in square brackets, e.g. ``"PEPT[H3PO3]IDE"``.
        mass: the peptide mass in daltons (averaging residue composition).
        engine: ``"exact"`` (default: the molecule layer, the real
            molecule), or the fixed calls ``"fft"``, ``"brain"``, ``"nn"``
            (embedded networks) or ``"fit"`` (parametric model, mass only;
            its values are the raw model heights, not scaled to 1).
        charge, adduct, labels: the ion and its isotope labels, as for
            :func:`corvan.envelope` (exact engine only; labels also as a text
            ``"15N=0.98, 13C=0.5"``).
        points: length of the returned array.
        offset: index that receives the monoisotopic peak.
        weights: path of a network weight file; selects ``engine="nn"`` with
            that network (it must have `points` outputs).
        return_peak: also return the peak value.
    """,
)


# ----------------------------------------------------------------------
# RNA
# ----------------------------------------------------------------------

_RNA_REASONS = {
    "fft_rna_seq_to_dist": "the FFT engine failed on this sequence",
    "brain_rna_seq_to_dist": "the BRAIN engine failed: the molecule is so large that the "
    "engine's recursion overflows",
    "nn_rna_seq_to_dist": "the network needs a non-empty sequence of at most 500 nucleotides",
    "fft_rna_mass_to_dist": "the FFT engine failed for this mass",
    "brain_rna_mass_to_dist": "the BRAIN engine needs a finite mass above about 64.2 Da, and "
    "not one so large that its recursion overflows",
    "nn_rna_mass_to_dist": "no network covers this mass",
}
_RNA = _fixed_family("rna", "rna", RNA_ENGINES, _RNA_REASONS, RNA_SEQUENCE_FEATURES, {})


rna = _family_function(
    _RNA,
    "rna",
    """Isotope distribution of an RNA given by sequence or by mass.

    Arguments as for :func:`peptide`; the engines are ``"exact"`` (default:
    the real linear chain as :func:`corvan.envelope` reads it, with ends and
    modified nucleosides), ``"fft"``, ``"brain"`` and ``"nn"`` (A/C/G/U
    counts of the library's nucleotide rows).
    """,
)


# ----------------------------------------------------------------------
# Compositions and custom networks
# ----------------------------------------------------------------------


def as_composition(counts: CompositionLike) -> Composition:
    """Accepts a Composition, five counts (C, H, N, O, S) or a mapping by symbol."""
    if isinstance(counts, Mapping):
        unknown = set(counts) - set(Composition._fields)
        if unknown:
            raise ValueError(
                f"composition symbols must be among C, H, N, O, S; got {sorted(unknown)}"
            )
        values = [counts.get(symbol, 0) for symbol in Composition._fields]
    else:
        values = list(counts)
        if len(values) != 5:
            raise ValueError(f"a composition has 5 counts (C, H, N, O, S), got {len(values)}")
    return Composition(
        *(_args.check_int(v, f"count of {s}") for s, v in zip(Composition._fields, values))
    )


def composition_distribution(
    counts: CompositionLike,
    points: int = 64,
    engine: str = "fft",
    *,
    return_peak: bool = False,
) -> Any:
    """Isotope distribution of a C/H/N/O/S composition straight from an engine.

    Unlike the other calls the values are normalised to sum 1 (not scaled to
    peak 1) and there is no offset. The FFT grid is cyclic: mass beyond
    ``points - 1`` folds back to the start; a negative FFT count divides that
    element out. The BRAIN engine truncates to `points` and renormalises; it
    refuses negative counts.
    """
    composition = as_composition(counts)
    n = _args.check_int(points, "points", 1)
    if not isinstance(engine, str) or engine.lower() not in COMPOSITION_ENGINES:
        raise ValueError(f"engine must be 'fft' or 'brain', got {engine!r}")
    engine = engine.lower()
    if engine == "brain" and min(composition) < 0:
        raise ValueError("the BRAIN engine needs non-negative counts")
    fftlist = (ctypes.c_int * 5)(*composition)
    buffer = float_buffer(n)
    name = "fft_list_to_dist" if engine == "fft" else "brain_list_to_dist"
    peak = invoke_distribution(
        name, (fftlist, n, buffer), f"the {engine} engine failed for {tuple(composition)}"
    )
    return _result(buffer, peak, return_peak)


def model_from_file(
    features: Iterable[float],
    path: _args.PathLike,
    points: int,
    offset: int = 0,
    *,
    return_peak: bool = False,
) -> Any:
    """Runs the network in weight file `path` on `features` and places its outputs.

    The network has ``len(features)`` inputs and `points` units in each layer
    (the file holds exactly :func:`custom_network_file_size` bytes). Its
    `points` outputs are placed at `offset` (the last `offset` are dropped)
    and scaled to peak 1.
    """
    n, k = _args.check_frame(points, offset)
    vector = float_input(features, name="features")
    if len(vector) < 1:
        raise ValueError("features must not be empty")
    file_name = _args.encode_path(path)
    buffer = float_buffer(n)
    peak = invoke_distribution(
        "corvan_model_to_dist_from_file",
        (vector, len(vector), buffer, n, k, file_name),
        _custom_reason(file_name, len(vector), n),
    )
    return _result(buffer, peak, return_peak)

