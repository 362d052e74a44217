#!/usr/bin/env python3
"""Doxygen input filter for include/corvan.h.

The header is written as plain C comments for people reading it; this turns
them into Doxygen comments without touching the file: a comment block that
stands directly above a declaration documents it, verbatim (its examples
and lists keep their layout); a comment after a member or macro on the same
line documents that member; the opening comment describes the file. Banners
followed by a blank line stay plain comments.

Usage (Doxygen calls it with the file name): doxygen_filter.py FILE
"""

import re
import sys

BLOCK = re.compile(r"/\*(.*?)\*/", re.DOTALL)
SPECIAL = re.compile(r"([\\@<>&#%$])")


DECORATION = re.compile(r"\n[ \t]*\*(?: |$)", re.MULTILINE)


def _verbatim(body: str, prefix: str) -> str:
    # The leading " * " of each line is decoration, not text to show verbatim.
    return f"/**{prefix} \\verbatim{DECORATION.sub(chr(10), body)}\\endverbatim */"


def _trailing(body: str) -> str:
    return "/**< " + SPECIAL.sub(r"\\\1", body.strip()) + " */"


def _rewrite(text: str) -> str:
    pieces, last, seen_first = [], 0, False
    for match in BLOCK.finditer(text):
        start, end = match.span()
        line_start = text.rfind("\n", 0, start) + 1
        before = text[line_start:start]
        after_end = text[end:]
        next_line = after_end.split("\n", 2)[1] if after_end.startswith("\n") else ""
        body = match.group(1)
        if not seen_first:
            replacement = _verbatim(body, "\n \\file corvan.h\n")
            seen_first = True
        elif before.strip():
            replacement = _trailing(body)
        elif next_line.strip() and not next_line.lstrip().startswith(("/*", "#ifndef", "#endif")):
            replacement = _verbatim(body, "")
        else:
            replacement = match.group(0)
        pieces.append(text[last:start])
        pieces.append(replacement)
        last = end
    pieces.append(text[last:])
    return "".join(pieces)


if __name__ == "__main__":
    with open(sys.argv[1], encoding="utf-8") as source:
        sys.stdout.write(_rewrite(source.read()))
