"""A Python text as a C string literal, for the generated tables."""


def c_string(text: str) -> str:
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'
