"""Mass/sequence list files: one mass and one sequence per line, '#' comments."""

from __future__ import annotations

import ctypes
import os
from typing import List, Tuple

from . import _args
from ._capture import call_captured
from ._errors import CorvanError
from ._library import function, libc

__all__ = ["read_list", "run_file"]


def read_list(path: _args.PathLike) -> List[Tuple[float, str]]:
    """Reads a list file into ``[(mass, sequence), ...]`` in file order.

    Lines without a number followed by a sequence are skipped by the
    library. Raises CorvanError (with the library's message) when the file
    cannot be read.
    """
    name = _args.encode_path(path)
    plist, text = call_captured(function("read_masses_seqs_file"), name, fd=2)
    try:
        if not plist.entries:
            message = " ".join(text.split()) or "the file could not be read"
            raise CorvanError(f"{message} (read_masses_seqs_file: {os.fsdecode(name)!r})")
        entries = [
            (plist.entries[i].mass, plist.entries[i].sequence.decode("utf-8", "surrogateescape"))
            for i in range(plist.count)
        ]
    finally:
        function("free_protein_list")(ctypes.byref(plist))
    if text.strip():
        # The list was read only partly (an allocation failed part-way).
        raise CorvanError(f"{' '.join(text.split())} (read_masses_seqs_file: list incomplete)")
    return entries


def run_file(path: _args.PathLike) -> None:
    """Runs the library's batch driver over a list file (results are discarded).

    Whatever the library prints goes straight to the process's streams.
    """
    function("run_file")(_args.encode_path(path))
    libc.fflush(None)
