#!/usr/bin/env python3
"""Writes src/data/psimod.cpp and src/data/xlmod.cpp, the PSI-MOD and XL-MOD
term tables, from data/psi-mod.obo.gz and data/xlmod.obo.

The inputs are the ontology files of Debian's openms-common package
(/usr/share/openms/CHEMISTRY/PSI-MOD.obo, compressed with `gzip -9 -n`, and
XLMOD.obo, version 2.6.0+cleaned1-3).

Rules:
  - PSI-MOD: every term MOD:n that is not obsolete, with its name and its
    DiffFormula as an elemental formula that src/molecule's parser reads
    ("C 0 H 1 N 0 O 3 P 1" -> "HO3P"; "(13)C 6" -> "[13C6]"; a negative count
    of an element's common isotope, "(12)C -6", -> "C-6"); "none" or no
    DiffFormula gives an empty formula (the term has no composition), as
    does an isotope the library's table lacks (3H). The
    first RESID:AAnnnn of its definition's references is kept, so that RESID
    accessions resolve through PSI-MOD.
  - XL-MOD: every term with a monoisotopic mass. The file gives no
    compositions, so a term takes the delta composition of the Unimod
    entries (src/data/unimod.cpp) within 0.0002 Da of its mass when they
    all share one formula (DSS and Xlink:DSS[138]: C8H10O2); otherwise its
    formula is empty. Its mass is kept for messages.
Each table is sorted by accession.

Usage: python3 tools/gen_psimod_xlmod.py
"""
import gzip
import re
from pathlib import Path

from formula_text import formula_text

ROOT = Path(__file__).resolve().parent.parent
COMMON_ISOTOPES = {("C", 12), ("H", 1), ("N", 14), ("O", 16), ("S", 32)}
XLMOD_MASS_TOLERANCE = 0.0002


def terms(text):
    for block in text.split("[Term]")[1:]:
        block = block.split("[Typedef]")[0]
        term = {}
        for line in block.splitlines():
            key, _, value = line.partition(": ")
            term.setdefault(key.strip(), []).append(value.strip())
        yield term


def table_isotopes():
    """(element, mass number) of every isotope in src/data/isotopes.cpp: the
    rows of isotope_numbers (commented with their element) and
    isotope_masses (rounded to the mass number) in step."""
    text = (ROOT / "src/data/isotopes.cpp").read_text()

    def array(name):
        body = text[text.index(name):]
        return body[body.index("{") + 1:body.index("};")]

    elements = re.findall(r"\d+, // ([A-Z][a-z]?)", array("isotope_numbers"))
    masses = re.findall(r"([0-9.]+),", array("isotope_masses"))
    return {(element, round(float(mass))) for element, mass in zip(elements, masses)}


KNOWN_ISOTOPES = table_isotopes()


def diff_formula(text):
    """'C 0 H 1 O 3 P 1' -> 'HO3P', isotopes in brackets, C and H first;
    "" when it names an isotope the library's table lacks (3H)."""
    counts = {}
    tokens = text.split()
    if len(tokens) % 2:
        raise ValueError(f"odd formula {text!r}")
    for symbol, count in zip(tokens[::2], tokens[1::2]):
        match = re.fullmatch(r"(?:\((\d+)\))?([A-Z][a-z]?)", symbol)
        if not match:
            raise ValueError(f"unexpected symbol {symbol!r} in {text!r}")
        mass_number = int(match.group(1) or 0)
        element = match.group(2)
        number = int(count)
        if mass_number and (element, mass_number) not in KNOWN_ISOTOPES:
            return ""
        if mass_number and number < 0 and (element, mass_number) in COMMON_ISOTOPES:
            mass_number = 0  # atoms of natural abundance removed
        counts[(element, mass_number)] = counts.get((element, mass_number), 0) + number
    return formula_text(counts)


def property_value(term, name):
    for value in term.get("property_value", []):
        match = re.match(rf'{name}: "([^"]*)"', value)
        if match:
            return match.group(1)
    return None


def clean_name(name):
    name = name.strip().strip('"').strip()
    return name.replace("\\", "\\\\").replace('"', '\\"')


def psimod_terms(path):
    with gzip.open(path, "rt", encoding="utf-8") as handle:
        text = handle.read()
    rows = []
    for term in terms(text):
        ident = term.get("id", [""])[0]
        if not ident.startswith("MOD:") or term.get("is_obsolete"):
            continue
        formula_text = property_value(term, "DiffFormula")
        formula = "" if formula_text in (None, "none", "") else diff_formula(formula_text)
        resid = re.search(r"RESID:AA(\d+)", term.get("def", [""])[0])
        rows.append((int(ident[4:]), clean_name(term["name"][0]), formula,
                     int(resid.group(1)) if resid else 0))
    rows.sort()
    return rows


def unimod_masses():
    text = (ROOT / "src/data/unimod.cpp").read_text()
    return [(float(mass), formula) for formula, mass in
            re.findall(r'\{\d+, "(?:[^"\\]|\\.)*", "([^"]*)", ([-0-9.e]+)\}', text)]


def xlmod_terms(path):
    known = unimod_masses()
    rows = []
    for term in terms(path.read_text(encoding="utf-8")):
        ident = term.get("id", [""])[0]
        mass = re.match(r'monoisotopicMass: "([^"]+)"',
                        next((v for v in term.get("property_value", [])
                              if v.startswith("monoisotopicMass")), ""))
        if not ident.startswith("XLMOD:") or not mass:
            continue
        value = float(mass.group(1))
        formulas = {f for m, f in known if abs(m - value) <= XLMOD_MASS_TOLERANCE}
        formula = formulas.pop() if len(formulas) == 1 else ""
        rows.append((int(ident[6:]), clean_name(term["name"][0]), formula, value))
    rows.sort()
    return rows


HEADER = """// Generated by tools/gen_psimod_xlmod.py from {source}; do not edit.
// {notice}
#include "peptide/ontologies.hpp"

namespace corvan::ontology {{
"""


def write_table(table, rows, target, source, notice, with_mass=True):
    """`rows` as (accession, name, formula, resid, mass) into const Term `table`."""
    lines = [HEADER.format(source=source, notice=notice), f"const Term {table}[{len(rows)}] = {{"]
    for accession, name, formula, resid, mass in rows:
        fields = f'{accession}, "{name}", "{formula}", {resid}'
        # PSI-MOD states no masses: its rows leave out the field (0 by default).
        lines.append(f"    {{{fields}, {mass!r}}}," if with_mass else f"    {{{fields}}},")
    lines += ["};", f"const int {table}Count = {len(rows)};", "",
              "} // namespace corvan::ontology", ""]
    target.write_text("\n".join(lines))


def write_psimod(rows, target):
    write_table("kPsiMod", [(a, n, f, resid, 0) for a, n, f, resid in rows], target,
                "data/psi-mod.obo.gz", "PSI-MOD, the protein modification ontology of the HUPO "
                "Proteomics Standards Initiative; see data/README.md.", with_mass=False)


def write_xlmod(rows, target):
    write_table("kXlMod", [(a, n, f, 0, mass) for a, n, f, mass in rows], target,
                "data/xlmod.obo", "XL-MOD (HUPO-PSI), under CC BY 3.0; see data/XLMOD-LICENSE.txt.")


def main():
    psimod = psimod_terms(ROOT / "data/psi-mod.obo.gz")
    xlmod = xlmod_terms(ROOT / "data/xlmod.obo")
    write_psimod(psimod, ROOT / "src/data/psimod.cpp")
    write_xlmod(xlmod, ROOT / "src/data/xlmod.cpp")
    print(f"src/data/psimod.cpp: {len(psimod)} terms, "
          f"{sum(1 for r in psimod if r[2])} with a composition")
    print(f"src/data/xlmod.cpp: {len(xlmod)} terms, "
          f"{sum(1 for r in xlmod if r[2])} with a composition")


if __name__ == "__main__":
    main()
