"""Isotope envelopes over the partitions of a Dask DataFrame.

Each partition is one :func:`corvan.many` call on the worker that holds it,
so a cluster computes a proteome (or many) with no more Python per molecule
than the single-machine call. Needs Debian's python3-dask,
python3-distributed (for a cluster) and python3-pandas; ``import corvan``
works without them, ``import corvan.dask`` does not.

Example::

    import dask.dataframe as dd
    import pandas as pd
    import corvan.dask
    peptides = dd.from_pandas(pd.DataFrame({"formula": ["C6H12O6", "C2H6O"]}),
                              npartitions=2)
    table = corvan.dask.distributions(peptides, "formula", kind="formula", charge=1)
    table.compute()   # formula, monoisotopic_mz, error, p0 ... p15
"""

from __future__ import annotations

from typing import Any, Mapping, Optional, Union

import numpy
import pandas

from ._many import many

__all__ = ["distributions", "point_columns"]


def point_columns(points: int) -> list:
    """Names of the point columns: p0 (point M+first_k), p1, ..."""
    return [f"p{j}" for j in range(points)]


def _columns(frame: Any, column: str, charge: Union[int, str], points: int) -> pandas.DataFrame:
    """The empty frame Dask is told the result looks like."""
    columns = {column: pandas.Series([], dtype=frame[column].dtype)}
    if isinstance(charge, str):
        columns[charge] = pandas.Series([], dtype=frame[charge].dtype)
    columns["monoisotopic_mz"] = pandas.Series([], dtype="float64")
    columns["first_k"] = pandas.Series([], dtype="int32")
    columns["error"] = pandas.Series([], dtype="object")
    for name in point_columns(points):
        columns[name] = pandas.Series([], dtype="float64")
    return pandas.DataFrame(columns)


def partition_distributions(part: pandas.DataFrame, column: str, kind: str,
                            charge: Union[int, str], points: int, adduct: Optional[str],
                            labels: Optional[Mapping[str, float]], threads: int) -> pandas.DataFrame:
    """One partition (a pandas DataFrame) into its result rows, index kept.
    Also the function a Spark pandas UDF can call (docs/scale.md)."""
    inputs = part[column].to_numpy()
    if inputs.dtype == object:
        inputs = inputs.tolist()
    charges = part[charge].to_numpy() if isinstance(charge, str) else charge
    rows = many(inputs, kind, charge=charges, points=points, adduct=adduct, labels=labels,
                threads=threads)
    result = {column: part[column].to_numpy()}
    if isinstance(charge, str):
        result[charge] = part[charge].to_numpy()
    result["monoisotopic_mz"] = rows.monoisotopic_mz
    result["first_k"] = rows.first_k
    result["error"] = numpy.array(rows.errors, dtype=object)
    for j, name in enumerate(point_columns(points)):
        result[name] = rows.heights[:, j]
    return pandas.DataFrame(result, index=part.index)


def distributions(frame: Any, column: str, kind: str = "peptide", *,
                  charge: Union[int, str] = 0, points: int = 16, adduct: Optional[str] = None,
                  labels: Optional[Mapping[str, float]] = None, threads: int = 1) -> Any:
    """A Dask DataFrame with, per row of ``frame``: the input ``column``
    (texts of ``kind`` or masses in Da, as :func:`corvan.many` takes them),
    the charge column when ``charge`` names one (else ``charge`` is one int
    for every row), ``monoisotopic_mz`` (the neutral monoisotopic mass for
    charge 0), ``first_k`` (the k of the row's first point column: 0 when
    its envelope fits from M on), ``error`` (None, or why the row failed:
    its points are then NaN) and ``p0`` ... ``p{points-1}``, the heights of
    points M+first_k ... (each row's window holds its most abundant point,
    of height 1). The partitions and index of
    ``frame`` are kept. ``threads`` per partition: 1 suits a cluster whose
    workers already run a partition per core."""
    if column not in frame.columns:
        raise KeyError(f"no column {column!r}")
    if isinstance(charge, str) and charge not in frame.columns:
        raise KeyError(f"no charge column {charge!r}")
    meta = _columns(frame, column, charge, points)
    return frame.map_partitions(partition_distributions, column, kind, charge, points, adduct,
                                labels, threads, meta=meta)
