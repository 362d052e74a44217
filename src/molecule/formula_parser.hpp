// Elemental formulas with isotope atoms and negative counts:
// "C6H12O6", "[13C6]H12O6", "C2[2H3]H3O", "H-1", "C12 H20 O2"; groups in
// parentheses with counts, nested ("Ca(OH)2", "Al2(SO4)3"); hydrates after
// '.', '*' or a middle dot, with an optional count ("C6H12O6.H2O",
// "CuSO4*5H2O"); D and T for 2H and 3H ("CD3OD").
#pragma once

#include <string_view>

#include "molecule/composition.hpp"
#include "molecule/outcome.hpp"

namespace corvan::chem {

inline constexpr long long kMaxTermCount = 1000000000;

// Adds the formula's atoms to `composition`. `what` names the text in
// messages ("formula", "adduct"); `base` is added to reported positions, for
// formulas inside a longer text. Element totals are not checked here.
Outcome parse_formula(std::string_view text, Composition &composition,
                      std::string_view what = "formula", long base = 0);

// parse_formula into a fresh composition, with fractional counts ("C4.9384",
// as molecules by mass write them), then: not empty, no element below zero.
Outcome parse_molecule_formula(std::string_view text, Composition &composition);

// A plain formula ("C6H12O6": element symbols, each with an optional whole
// count, nothing else) into `composition`, replacing what it held. True when the text is one,
// has an atom and names only elements of natural composition: its molecule
// then passes every check of a molecule read from text. False otherwise,
// with part of the text read over what it held (clear() empties it).
bool read_plain_molecule(std::string_view text, Composition &composition);

} // namespace corvan::chem
