"""Prototypes of the library's calls and the error record they fill."""

from __future__ import annotations

import ctypes
from typing import Any

from . import _constants
from ._library import lib


class Error(ctypes.Structure):
    """Mirror of ``corvan_error``."""

    _fields_ = [
        ("status", ctypes.c_int),
        ("position", ctypes.c_long),
        ("message", ctypes.c_char * _constants.CORVAN_MESSAGE_SIZE),
    ]


def declare(name: str, restype: Any, *argtypes: Any) -> Any:
    """The library function `name` with its prototype.

    ``lib[name]`` is a function object of the caller's own, so that these
    prototypes never replace those another module gives the same function.
    """
    function = lib[name]
    function.restype = restype
    function.argtypes = list(argtypes)
    return function
