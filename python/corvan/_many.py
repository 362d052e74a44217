"""Many molecules per call: ``corvan.many``.

One ctypes call computes a whole slice of rows
(``corvan_many_table_from_texts`` or ``corvan_many_table_from_masses``)
straight into numpy arrays, so the cost of
crossing from Python is paid per slice, not per molecule. ctypes releases
the GIL during the call, so big inputs are split over a thread pool and the
slices run on every core at once.

Example::

    import corvan
    rows = corvan.many(["PEPTIDE", "ELVISLIVES"], kind="peptide", charge=[2, 3])
    rows.heights            # (2, 16) float64, highest point of each row = 1
    rows.first_k            # k of each row's column 0 (0: the row starts at M)
    rows.mz, rows.monoisotopic_mz, rows.status, rows.errors
    corvan.many([1000.0, 2000.0], kind="peptide", charge=2, points=8)  # by mass
"""

from __future__ import annotations

import concurrent.futures
import ctypes
import numbers
import os
from typing import Any, Dict, List, Mapping, Optional, Sequence, Tuple

from . import _constants as c
from ._cdecl import fields
from ._library import lib
from .envelopes import KINDS, _Error, _options, _options_free

try:  # numpy is optional for the rest of the module, not for this call
    import numpy as _numpy
except ImportError:  # pragma: no cover - depends on the machine
    _numpy = None

__all__ = ["Many", "many", "ENGINES"]

# The molecule layer's exact FFT envelope, the only engine that gives every
# point's mass; "fft" is its other name here.
ENGINES = ("exact", "fft")

# Rows below this run on the calling thread: a slice must outweigh the cost
# of handing it to a pool thread.
_SMALLEST_SLICE = 2048
# Each thread gets a few slices, so that one slow slice (long peptides)
# does not leave the other threads idle at the end.
_SLICES_PER_THREAD = 4


class _Results(ctypes.Structure):
    """corvan_many_table: ``size`` tells the library which fields exist."""

    # The arrays travel as addresses (numpy's), hence void pointers.
    _fields_ = fields("""size_t size; size_t points; void *heights; void *mz;
        void *monoisotopic_mz; void *status; void *errors; void *first_neutrons""")


def _declare(name: str) -> Any:
    function = getattr(lib, name)
    function.restype = ctypes.c_int
    function.argtypes = [ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_size_t,
                         ctypes.c_void_p, ctypes.POINTER(_Results), ctypes.POINTER(ctypes.c_size_t),
                         ctypes.POINTER(_Error)]
    return function


_from_texts = _declare("corvan_many_table_from_texts")
_from_masses = _declare("corvan_many_table_from_masses")

_MEMORY, _INTERNAL = c.CORVAN_E_MEMORY, c.CORVAN_E_INTERNAL


class Many:
    """Rows computed by :func:`many`, in input order (numpy arrays):
    ``heights`` (rows x points, float64; column j is point
    M+first_k[r]+j, and every row's window holds its most abundant point,
    whose height is 1), ``first_k`` (rows, int32: the k of column 0; 0 when
    the envelope fits from M on, negative when points lighter than M come
    first), ``mz`` (rows x points: m/z of each
    point, the neutral mass for charge 0; NaN where the height is 0),
    ``monoisotopic_mz`` (rows), ``charge`` (rows, int32), ``status`` (rows,
    int32: 0 or a corvan status code) and ``errors`` (a list: None or the
    library's message for each row). Failed rows hold NaN."""

    def __init__(self, heights: Any, mz: Any, monoisotopic_mz: Any, charge: Any, status: Any,
                 errors: List[Optional[str]], first_k: Any = None) -> None:
        self.heights = heights
        self.first_k = first_k
        self.mz = mz
        self.monoisotopic_mz = monoisotopic_mz
        self.charge = charge
        self.status = status
        self.errors = errors

    @property
    def ok(self) -> Any:
        """Boolean array: True for the rows computed."""
        return self.status == 0

    def __len__(self) -> int:
        return len(self.status)

    def __repr__(self) -> str:
        failed = int((self.status != 0).sum())
        return f"Many(rows={len(self)}, points={self.heights.shape[1]}, failed={failed})"


def _need_numpy() -> None:
    if _numpy is None:
        raise ImportError("corvan.many needs numpy (Debian: python3-numpy)")


def _is_real(value: Any) -> bool:
    return isinstance(value, numbers.Real) and not isinstance(value, bool)


def _classify(inputs: Any) -> Tuple[str, Any]:
    """("texts", list of str) or ("masses", float64 array)."""
    if isinstance(inputs, (str, bytes)):
        raise TypeError("inputs must be a list, tuple or array of texts or masses, not one text")
    if isinstance(inputs, _numpy.ndarray):
        if inputs.ndim != 1:
            raise ValueError("inputs must be one-dimensional")
        if inputs.dtype.kind in "fiu":
            return "masses", _numpy.ascontiguousarray(inputs, dtype=_numpy.float64)
        inputs = inputs.tolist()
    values = list(inputs)
    if all(isinstance(value, str) for value in values):
        return "texts", values
    if all(_is_real(value) for value in values):
        return "masses", _numpy.asarray(values, dtype=_numpy.float64)
    raise TypeError("inputs must be all texts (str) or all masses (numbers)")


# Rows refused before the library is asked: their status and message.
_NO_CHARGE = (c.CORVAN_E_ARGUMENT, "the charge is missing")
_NO_UTF8 = (c.CORVAN_E_SYNTAX, "the text cannot be encoded as UTF-8")
_HAS_NUL = (c.CORVAN_E_SYNTAX, "the text holds a NUL character")


def _missing(value: Any) -> bool:
    """None, NaN, pandas' NA: no charge given for that row."""
    if value is None or type(value).__name__ in ("NAType", "NaTType"):
        return True
    return isinstance(value, float) and value != value


def _charges(charge: Any, rows: int) -> Tuple[Any, Dict[int, Tuple[int, str]]]:
    """The charges as int32 (None for one int), and the rows whose charge is
    missing (None, NaN, NA): they fail alone."""
    if isinstance(charge, numbers.Integral) and not isinstance(charge, bool):
        return None, {}
    array = _numpy.asarray(charge)
    if array.ndim != 1 or len(array) != rows:
        raise ValueError(f"charge must be an int or one int per row ({rows})")
    refused: Dict[int, Tuple[int, str]] = {}
    if array.dtype.kind not in "iu":
        if array.dtype.kind not in "fO":
            raise TypeError("charge must hold ints")
        values = array.tolist()
        refused = {row: _NO_CHARGE for row, value in enumerate(values) if _missing(value)}
        given = [value for row, value in enumerate(values) if row not in refused]
        if not all(_is_real(value) and float(value) == int(value) for value in given):
            raise TypeError("charge must hold ints")
        array = _numpy.array([0 if row in refused else int(value)
                              for row, value in enumerate(values)], dtype=_numpy.int64)
    if rows and (array.min() < -1000 or array.max() > 1000):
        raise ValueError("every charge must lie within +-1000")
    return _numpy.ascontiguousarray(array, dtype=_numpy.int32), refused


def _encodes(text: str) -> bool:
    try:
        text.encode("utf-8")
    except UnicodeEncodeError:
        return False
    return True


class _TextBlock:
    """Every text in one NUL-separated buffer, with a pointer per row: far
    cheaper than a ctypes array of separate byte strings."""

    def __init__(self, texts: Sequence[str]) -> None:
        self.refused: Dict[int, Tuple[int, str]] = {}
        for row, text in enumerate(texts):
            if "\0" in text:
                self.refused[row] = _HAS_NUL
            elif not _encodes(text):
                self.refused[row] = _NO_UTF8
        if self.refused:  # such a row is refused below; its text is left out
            texts = list(texts)
            for row in self.refused:
                texts[row] = ""
        self.buffer = ("\0".join(texts) + "\0").encode("utf-8")
        ends = _numpy.flatnonzero(_numpy.frombuffer(self.buffer, dtype=_numpy.uint8) == 0)
        starts = _numpy.concatenate(([0], ends[:-1] + 1))
        self.keep = ctypes.create_string_buffer(self.buffer, len(self.buffer))
        self.pointers = (starts + ctypes.addressof(self.keep)).astype(_numpy.uintp)


def _address(array: Optional[Any], offset: int) -> Optional[int]:
    if array is None:
        return None
    return array.ctypes.data + offset * array.strides[0]


class _Call:
    """The arguments shared by every slice of one call. Texts are encoded
    slice by slice on the pool's threads, so that one thread's encoding
    (which holds the GIL) overlaps the others' computing (which does not)."""

    def __init__(self, kind: int, source: Any, masses: bool, charges: Any, options: Any,
                 points: int, out: Tuple[Any, Any, Any, Any, Any]) -> None:
        self.kind, self.source, self.masses = kind, source, masses
        self.charges, self.options, self.points = charges, options, points
        self.heights, self.mz, self.mono, self.status, self.first = out
        self.refused: Dict[int, Tuple[int, str]] = {}  # row -> (status, message)

    def _inputs(self, first: int, count: int) -> Tuple[Optional[int], Any]:
        """The address of the slice's inputs, and what keeps them alive."""
        if self.masses:
            return _address(self.source, first), None
        block = _TextBlock(self.source[first:first + count])
        self.refused.update({first + row: why for row, why in block.refused.items()})
        return _address(block.pointers, 0), block

    def run(self, first: int, count: int, errors: Any = None) -> None:
        results = _Results(ctypes.sizeof(_Results), self.points, _address(self.heights, first),
                           _address(self.mz, first), _address(self.mono, first),
                           _address(self.status, first),
                           None if errors is None else ctypes.addressof(errors),
                           _address(self.first, first))
        function = _from_masses if self.masses else _from_texts
        inputs, keep = self._inputs(first, count)
        charges = _address(self.charges, first)
        failure = _Error()
        status = function(self.kind, inputs, charges, count, self.options, ctypes.byref(results),
                          None, ctypes.byref(failure))
        del keep  # the texts were read
        if status == _MEMORY:
            raise MemoryError("corvan: out of memory")
        if status == _INTERNAL:
            raise RuntimeError("corvan: " + failure.message.decode("utf-8", "replace"))
        if status != 0:  # the arguments were checked here; this is a bug
            raise RuntimeError(failure.message.decode("utf-8", "replace"))


def _slices(rows: int, threads: int) -> List[Tuple[int, int]]:
    if threads <= 1 or rows < 2 * _SMALLEST_SLICE:
        return [(0, rows)]
    count = max(1, min(threads * _SLICES_PER_THREAD, rows // _SMALLEST_SLICE))
    size = -(-rows // count)
    return [(first, min(size, rows - first)) for first in range(0, rows, size)]


def _run_slices(call: _Call, rows: int, threads: int) -> None:
    slices = _slices(rows, threads)
    if len(slices) == 1:
        call.run(0, rows)
        return
    with concurrent.futures.ThreadPoolExecutor(max_workers=threads) as pool:
        for done in [pool.submit(call.run, first, count) for first, count in slices]:
            done.result()


def _messages(call: _Call, status: Any) -> List[Optional[str]]:
    """None per computed row; failed rows (few, as a rule) are run again one
    by one with an error record for their messages."""
    errors: List[Optional[str]] = [None] * len(status)
    for row, (code, message) in call.refused.items():
        status[row], errors[row] = code, message
        call.heights[row] = call.mz[row] = call.mono[row] = _numpy.nan
    for row in _numpy.flatnonzero(status != 0).tolist():
        if row in call.refused:
            continue
        record = (_Error * 1)()
        call.run(row, 1, record)
        errors[row] = record[0].message.decode("utf-8", "replace")
    return errors


def _default_threads() -> int:
    try:
        return max(1, len(os.sched_getaffinity(0)))
    except AttributeError:  # pragma: no cover - not Linux
        return max(1, os.cpu_count() or 1)


def _check_arguments(kind: str, engine: str, points: int, threads: Optional[int]) -> int:
    if kind not in KINDS:
        raise ValueError(f"kind must be one of {', '.join(KINDS)}")
    if engine not in ENGINES:
        raise ValueError(
            f"engine {engine!r} is not offered by corvan.many: it computes the exact envelope "
            "with masses (engine='exact', also called 'fft'); the networks give heights only, "
            "one molecule per call: corvan.peptide or corvan.rna")
    if isinstance(points, bool) or not isinstance(points, numbers.Integral) or not 1 <= points <= 1048576:
        raise ValueError("points must be an int from 1 to 1048576")
    if threads is None:
        return _default_threads()
    if isinstance(threads, bool) or not isinstance(threads, numbers.Integral) or threads < 1:
        raise ValueError("threads must be an int >= 1 (or None: every core)")
    return int(threads)


def many(inputs: Any, kind: str = "peptide", *, charge: Any = 0, points: int = 16,
         engine: str = "exact", adduct: Optional[str] = None,
         labels: Optional[Mapping[str, float]] = None, threads: Optional[int] = None) -> Many:
    """Isotope envelopes of many molecules at once, as numpy arrays.

    ``inputs``: a list, tuple or 1-D numpy array of texts of ``kind``
    ("formula", "peptide", "rna", "dna"; read as :func:`corvan.envelope`
    reads them) or of average masses in Da (kinds peptide, rna, dna).
    ``charge``: one int for every row, or one per row (0: neutral, masses
    instead of m/z); the ``adduct`` carries it ("H+" by default, "Na+",
    "Cl-", "Fe:z+2"). ``labels`` maps isotopes to fractions ({"15N": 0.98}).
    ``points`` columns per row: M, M+1, ... when the envelope fits there,
    else the ``points`` contiguous points of largest total share around the
    most abundant one (``first_k`` tells where each row starts). ``threads``: how many threads share
    big inputs (default: every core this process may use). ``engine``:
    "exact" (or "fft"), the molecule layer's exact envelope; other engines
    are refused with ValueError.

    A row the library refuses gets its status and message and NaN values;
    the other rows are computed. Returns a :class:`Many`.
    """
    _need_numpy()
    threads = _check_arguments(kind, engine, points, threads)
    what, source = _classify(inputs)
    if what == "masses" and kind == "formula":
        raise ValueError("masses need kind peptide, rna or dna")
    rows = len(source)
    charges, refused = _charges(charge, rows)
    options = _options(0 if charges is not None else int(charge), adduct, labels, 0, 0.0)
    try:
        return _compute(KINDS[kind], what, source, charges, charge, options, int(points), threads,
                        refused)
    finally:
        _options_free(options)


def _compute(kind: int, what: str, source: Any, charges: Any, charge: Any, options: Any,
             points: int, threads: int, refused: Dict[int, Tuple[int, str]]) -> Many:
    rows = len(source)
    heights = _numpy.empty((rows, points), dtype=_numpy.float64)
    mz = _numpy.empty((rows, points), dtype=_numpy.float64)
    mono = _numpy.empty(rows, dtype=_numpy.float64)
    status = _numpy.zeros(rows, dtype=_numpy.int32)
    first = _numpy.zeros(rows, dtype=_numpy.int32)
    call = _Call(kind, source, what == "masses", charges, options, points,
                 (heights, mz, mono, status, first))
    call.refused.update(refused)
    if rows:
        _run_slices(call, rows, threads)
    errors = _messages(call, status)
    row_charges = charges if charges is not None else _numpy.full(rows, int(charge), _numpy.int32)
    return Many(heights, mz, mono, row_charges, status, errors, first)
