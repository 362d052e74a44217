"""ctypes types from C declarations, so that the mirrors of the header's
structures and prototypes read as the header does.

``fields("int charge; double *mz; char symbol[8]")`` gives a
``_fields_`` list; ``prototypes("float softsign(float); void f(int *)")``
gives ``{name: (restype, argtypes)}``. A type the table below does not
know (a structure) is passed by keyword: ``fields("Resolution r",
Resolution=_Resolution)``. ``char *`` is ``c_char_p``, ``void *`` is
``c_void_p``; ``const`` is read over.
"""

from __future__ import annotations

import ctypes
import re
from typing import Any, Dict, List, Tuple

_BASIC: Dict[str, Any] = {
    "void": None,
    "char": ctypes.c_char,
    "int": ctypes.c_int,
    "unsigned": ctypes.c_uint,
    "long": ctypes.c_long,
    "float": ctypes.c_float,
    "double": ctypes.c_double,
    "size_t": ctypes.c_size_t,
    "uint64_t": ctypes.c_uint64,
}

# "const char *name[8]": the words and stars, then the length.
_DECLARATION = re.compile(r"^(?P<declarator>[\w\s*]*?)\s*(?:\[(?P<length>\d+)\])?$")
_PROTOTYPE = re.compile(r"^(?P<result>.+?)\b(?P<name>\w+)\s*\((?P<arguments>.*)\)$")


def _pointer_to(base: Any) -> Any:
    if base is None:
        return ctypes.c_void_p
    if base is ctypes.c_char:
        return ctypes.c_char_p
    return ctypes.POINTER(base)


def _parse(text: str, types: Dict[str, Any]) -> Tuple[str, Any]:
    """(name, ctypes type) of one declaration; the name may be empty."""
    match = _DECLARATION.match(text.strip())
    if match is None:
        raise ValueError(f"not a C declaration: {text!r}")
    tokens = re.findall(r"\w+|\*", match["declarator"])
    words = [token for token in tokens if token not in ("const", "*")]
    name = words.pop() if len(words) > 1 else ""  # "double *mz": the last word names it
    known = {**_BASIC, **types}
    if len(words) != 1 or words[0] not in known:
        raise ValueError(f"unknown C type in {text!r}")
    result = known[words[0]]
    for _ in range(tokens.count("*")):
        result = _pointer_to(result)
    if match["length"]:
        result = result * int(match["length"])
    return name, result


def _declarations(text: str) -> List[str]:
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)  # comments group the declarations
    return [part.strip() for part in text.split(";") if part.strip()]


def fields(text: str, **types: Any) -> List[Tuple[str, Any]]:
    """The ``_fields_`` of a structure whose members `text` declares."""
    return [_parse(declaration, types) for declaration in _declarations(text)]


def prototypes(text: str, **types: Any) -> Dict[str, Tuple[Any, List[Any]]]:
    """{name: (restype, argtypes)} of the functions `text` declares."""
    result: Dict[str, Tuple[Any, List[Any]]] = {}
    for declaration in _declarations(text):
        match = _PROTOTYPE.match(declaration)
        if match is None:
            raise ValueError(f"not a C prototype: {declaration!r}")
        arguments = [part for part in match["arguments"].split(",") if part.strip() != "void"]
        result[match["name"]] = (_parse(match["result"], types)[1],
                                 [_parse(argument, types)[1] for argument in arguments if argument.strip()])
    return result
