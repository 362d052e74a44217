"""Running a C call: message capture, failure test, warnings."""

from __future__ import annotations

import os
import sys
import warnings
from typing import Any, Callable, Dict, List, Tuple

from ._capture import call_captured
from ._errors import CorvanError, CorvanWarning
from ._library import function

__all__ = ["invoke", "invoke_distribution", "FAILED"]

# What every distribution call returns on failure.
FAILED = -1.0


_PACKAGE_DIR = os.path.dirname(os.path.abspath(__file__))


def _caller_stacklevel() -> int:
    """The warnings stacklevel of the first frame outside this package."""
    level = 1
    frame = sys._getframe(1)
    while frame is not None and os.path.dirname(
        os.path.abspath(frame.f_code.co_filename)
    ) == _PACKAGE_DIR:
        frame = frame.f_back
        level += 1
    return level


def _summarise(text: str) -> List[str]:
    """The distinct non-blank lines of `text` in order, repeats counted."""
    counts: Dict[str, int] = {}
    for line in text.splitlines():
        line = line.strip()
        if line:
            counts[line] = counts.get(line, 0) + 1
    return [line if n == 1 else f"{line} ({n} times)" for line, n in counts.items()]


def _warn(lines: List[str]) -> None:
    """Turns each message of a successful call into a CorvanWarning."""
    for line in lines:
        warnings.warn(line, CorvanWarning, stacklevel=_caller_stacklevel())


def invoke(name: str, *args: Any, fd: int = 1) -> Tuple[Any, str]:
    """Calls C function `name` with its messages captured; returns (result, text)."""
    return call_captured(function(name), *args, fd=fd)


def invoke_checked(
    name: str,
    args: Tuple[Any, ...],
    failed: Callable[[Any], bool],
    reason: str,
    fd: int = 1,
) -> Any:
    """Calls `name`; raises CorvanError when `failed(result)`, else warns about messages.

    The exception text is the library's message when it printed one (with
    the C function's name), otherwise the function's name and `reason`.
    """
    result, text = invoke(name, *args, fd=fd)
    lines = _summarise(text)
    message = " ".join(lines)
    if failed(result):
        if message:
            raise CorvanError(f"{message} ({name})")
        raise CorvanError(f"{name}: {reason}")
    if lines:
        _warn(lines)
    return result


def invoke_distribution(name: str, args: Tuple[Any, ...], reason: str) -> float:
    """Runs a distribution call; returns its peak value or raises CorvanError."""
    return invoke_checked(name, args, lambda peak: peak == FAILED, reason)
