// Element and isotope look-ups over the isotope table: symbols, each
// element's isotope rows, and the mass numbers that name single isotopes.
#pragma once

#include <span>
#include <string_view>

#include "corvan.h"

namespace corvan::chem {

inline constexpr int kElementCount = CORVAN_ELEMENT_COUNT;

// Element indices (atomic number - 1) of the elements the code names.
namespace element {
inline constexpr int H = 0, C = 5, N = 6, O = 7, P = 14, S = 15, Se = 33;
} // namespace element

// One isotope of an element, as the table lists it.
struct Isotope {
    int row;          // index into isotope_numbers/masses/abundances
    int mass_number;  // the mass rounded to an integer
    double mass;      // u
    double abundance; // natural amount fraction
};

// The isotopes of element `index` (atomic number - 1), lightest first.
std::span<const Isotope> isotopes_of(int index);

// Element index of `symbol` (exact case), or -1.
int element_index(std::string_view symbol);

// Element index of the symbol of capital `first` and small `second` ('\0'
// for a one-letter symbol), or -1; the caller has checked both letters'
// ranges (A-Z; a-z or '\0').
int element_index(char first, char second);

// Length of the element symbol at the start of `text` (1 or 2 letters: an
// upper-case letter and an optional lower-case one), 0 when none starts there.
int symbol_length(std::string_view text);

const char *element_symbol(int index);

// Mass of the element's lightest isotope (u).
double lightest_mass(int index);

// False for the elements without a natural isotopic composition (no stable
// isotope and none of characteristic terrestrial abundance: Tc, Pm, Po to
// Ac, Np and beyond): the table's single row of such an element is one
// long-lived isotope, not what a sample holds.
constexpr bool has_natural_composition(int index) {
    const int z = index + 1;
    const bool unstable = z == 43 || z == 61 || (z >= 84 && z <= 89) || z >= 93;
    return index >= 0 && index < kElementCount && !unstable;
}

// The isotope of element `index` with `mass_number` in the natural table,
// or nullptr.
const Isotope *find_isotope(int index, int mass_number);

// The isotope an atom of element `index` can be fixed to: a row of the
// natural table, or else a pure isotope without natural abundance (3H: row
// -1, abundance 0); nullptr when neither knows it. Labels, which reweigh an
// element's natural isotopes, keep to find_isotope.
const Isotope *fixed_isotope(int index, int mass_number);

} // namespace corvan::chem
