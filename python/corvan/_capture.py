"""Capture of what the C library prints during a call.

The library has no error state: its few messages go to the C streams. To
hand them to Python, a call is run with its file descriptor (1 for standard
output, 2 for standard error) redirected into a temporary file; the C stdio
buffers are flushed with ``fflush(NULL)`` before the descriptor is restored.
The descriptor is restored on every path. Redirection is process-wide, so
captured calls are serialised by a lock.

If the descriptor cannot be duplicated (for example because it is closed)
or no temporary file can be made, the call simply runs uncaptured.
"""

from __future__ import annotations

import os
import sys
import tempfile
import threading
from typing import Any, Callable, Tuple

from ._library import libc

__all__ = ["call_captured"]

_lock = threading.RLock()


def _flush_python(fd: int) -> None:
    stream = sys.stdout if fd == 1 else sys.stderr if fd == 2 else None
    if stream is None:
        return
    try:
        stream.flush()
    except (AttributeError, OSError, ValueError):
        pass


def call_captured(func: Callable[..., Any], *args: Any, fd: int = 1) -> Tuple[Any, str]:
    """Runs ``func(*args)`` with `fd` captured; returns (result, printed text)."""
    with _lock:
        _flush_python(fd)
        libc.fflush(None)
        try:
            saved = os.dup(fd)
        except OSError:
            return func(*args), ""
        try:
            try:
                sink = tempfile.TemporaryFile()
            except OSError:
                return func(*args), ""
            with sink:
                os.dup2(sink.fileno(), fd)
                try:
                    result = func(*args)
                finally:
                    libc.fflush(None)
                    os.dup2(saved, fd)
                sink.seek(0)
                text = sink.read().decode("utf-8", errors="replace")
        finally:
            os.close(saved)
    return result, text
