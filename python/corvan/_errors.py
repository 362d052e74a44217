"""Exceptions and warnings of the corvan package."""

from __future__ import annotations

__all__ = ["CorvanError", "CorvanWarning"]


class CorvanError(RuntimeError):
    """A library call failed (it returned -1 or an empty record).

    The text carries the library's own message when it printed one.
    """


class CorvanWarning(UserWarning):
    """The library reported a problem but still produced a result.

    Examples: an unexpected nucleotide that was skipped, or a modification
    formula whose remaining text was ignored.
    """
