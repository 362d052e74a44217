"""The formula text the generated modification tables store, as
chem::parse_formula reads it."""


def formula_text(counts):
    """{(element, mass_number): count} -> "C2H3[13C]O": C, H, then the other
    elements alphabetically, each element's isotopes in brackets after it
    (mass number 0: natural abundance); counts of 1 unwritten, 0 dropped."""
    def key(item):
        (element, mass_number), _ = item
        return ({"C": 0, "H": 1}.get(element, 2), element, mass_number)

    parts = []
    for (element, mass_number), count in sorted(counts.items(), key=key):
        if count == 0:
            continue
        shown = "" if count == 1 else str(count)
        parts.append(f"[{mass_number}{element}{shown}]" if mass_number else f"{element}{shown}")
    return "".join(parts)
