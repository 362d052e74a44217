// A molecule's atoms: per element, the atoms of natural (or labelled)
// abundance, and separately the atoms fixed to one isotope. Counts are
// reals, so that averaging units can be scaled continuously.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "molecule/elements.hpp"

namespace corvan::chem {

struct FixedIsotope {
    int element;     // element index
    int mass_number; // which isotope
    double count;
};

struct Composition {
    std::array<double, kElementCount> natural{};
    std::vector<FixedIsotope> fixed; // kept sorted by (element, mass number)

    void add_natural(int element, double count) {
        natural[static_cast<std::size_t>(element)] += count;
    }
    void add_fixed(int element, int mass_number, double count);
    // this += times * other
    void add(const Composition &other, double times);

    // Every atom of the element, natural and fixed.
    double element_total(int element) const;
    // The first element whose total is below zero, or -1.
    int first_negative_element() const;
    bool empty() const;
};

// `times` waters (H2O), natural.
void add_water(Composition &composition, double times);

// Masses from the isotope table, without labels: every atom its fixed or
// lightest isotope.
double monoisotopic_mass(const Composition &composition);

// Sum of the mass numbers of the monoisotopic composition (every atom of
// natural abundance its element's most abundant isotope, fixed atoms their
// own); nothing for fractional counts, an element without a natural
// composition, or a sum beyond 10^15.
std::optional<long long> nominal_mass(const Composition &composition);

// Hill order text that the formula parser reads back ("C6H12O6",
// "[13C6]H12O6"); fractional counts with up to 4 decimals.
std::string hill_formula(const Composition &composition);

struct AtomEntry {
    std::string symbol; // "C" or "13C"
    double count;
};
std::vector<AtomEntry> hill_atoms(const Composition &composition);

} // namespace corvan::chem
