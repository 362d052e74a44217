// Ions: a charge carried by adducts ("H+", "Na+", "NH4+", "Cl-",
// "Fe:z+2"), added to or removed from the molecule.
#pragma once

#include <string_view>

#include "molecule/composition.hpp"
#include "molecule/outcome.hpp"

namespace corvan::ion {

inline constexpr int kMaxCharge = 1000;

struct Carrier {
    chem::Composition atoms;
    int charge = 1;
};

// The proton, H+: the carrier of a charge no adduct names.
Carrier proton();

// "" means the proton, H+.
Outcome parse_carrier(std::string_view text, Carrier &carrier);

// molecule + (charge / carrier.charge) carriers; the count must be whole
// and no element may fall below zero (a loss of protons from a molecule
// without hydrogen, say).
Outcome ion_composition(const chem::Composition &molecule, int charge, const Carrier &carrier,
                        chem::Composition &ion);

} // namespace corvan::ion
