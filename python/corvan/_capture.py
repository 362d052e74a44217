"""Collecting what the C library says during one call.

The library hands the messages of a thread's calls to that thread's message
handler (``corvan_set_message_handler``) instead of printing them. A call is
run with a handler that collects them on the calling thread; the thread's
previous handler is restored afterwards, on every path (Ctrl-C included).
Nothing process-wide changes: other threads' output and the process's file
descriptors are untouched, so calls from several threads run side by side.

A library without the handler functions (an older build) runs the call
uncaptured: its messages are printed as the library prints them.
"""

from __future__ import annotations

import ctypes
import threading
from typing import Any, Callable, List, Tuple

from ._library import lib

__all__ = ["call_captured"]

_HANDLER = ctypes.CFUNCTYPE(None, ctypes.c_char_p, ctypes.c_int, ctypes.c_void_p)

# The texts of the call running on this thread; a stack, so that a call made
# from inside another one (never done today) would keep its own messages.
_local = threading.local()


def _collect(text: bytes, stream: int, context: Any) -> None:
    del stream, context
    sinks = getattr(_local, "sinks", None)
    if sinks:
        sinks[-1].append(text.decode("utf-8", errors="replace"))


_COLLECT = _HANDLER(_collect)

try:
    _set = lib.corvan_set_message_handler
    _get = lib.corvan_get_message_handler
except AttributeError:  # pragma: no cover - an older library
    _set = _get = None
else:
    _set.argtypes = [_HANDLER, ctypes.c_void_p]
    _set.restype = ctypes.c_int
    _get.argtypes = [ctypes.POINTER(_HANDLER), ctypes.POINTER(ctypes.c_void_p)]
    _get.restype = ctypes.c_int


def call_captured(func: Callable[..., Any], *args: Any, fd: int = 1) -> Tuple[Any, str]:
    """Runs ``func(*args)``; returns (result, the messages it gave).

    `fd` names the stream the messages would be printed on; messages of
    both streams are collected.
    """
    del fd
    if _set is None:
        return func(*args), ""
    saved = _HANDLER()
    saved_context = ctypes.c_void_p()
    _get(ctypes.byref(saved), ctypes.byref(saved_context))
    sink: List[str] = []
    if not hasattr(_local, "sinks"):
        _local.sinks = []
    _local.sinks.append(sink)
    try:
        _set(_COLLECT, None)
        try:
            result = func(*args)
        finally:
            _set(saved, saved_context)
    finally:
        _local.sinks.pop()
    return result, "".join(sink)
