// The isotopes that formulas name by a symbol of their own: D for 2H and T
// for 3H, as the NIST list writes them (the list itself is generated into
// src/data/pure_isotopes.cpp). An atom written so is fixed to its isotope.
// 3H has no natural abundance, so the natural isotope table, and with it
// every exported table, has no row for it: this list is where its mass lives.
#pragma once

#include <string_view>

namespace corvan::chem {

struct PureIsotope {
    const char *symbol; // "D", "T"
    int element;        // element index (atomic number - 1)
    int mass_number;
    double mass; // u
};

extern const PureIsotope kPureIsotopes[];
extern const int kPureIsotopeCount;

// The pure isotope written `symbol` (exact case), or nullptr.
const PureIsotope *find_pure_isotope(std::string_view symbol);

// The pure isotope of element `element` with `mass_number`, or nullptr.
const PureIsotope *find_pure_isotope(int element, int mass_number);

} // namespace corvan::chem
