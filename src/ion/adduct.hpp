// Ions: a charge carried by adducts ("H+", "Na+", "NH4+", "Cl-",
// "Fe:z+2"), added to or removed from the molecule.
#pragma once

#include <string_view>

#include "ion/charge.hpp"
#include "molecule/composition.hpp"
#include "molecule/outcome.hpp"

namespace corvan::ion {

struct Carrier {
    chem::Composition atoms; // gained with each carrier
    int charge = 1;
    // A whole ion written as "[M+H+Na]2+", "[M-H2O+H]+", "[M]+.": `atoms`
    // gained, `lost` removed from the molecule, exactly once.
    chem::Composition lost;
    bool whole_ion = false;
};

// The proton, H+: the carrier of a charge no adduct names.
Carrier proton();

// "" means the proton, H+. Besides single carriers ("Na+", "Fe:z+2"), a
// whole ion in the usual notation: "[M+H+Na]2+", "[M-4H+Na]3-",
// "[M-H2O+H]+", "[M]+." (a radical cation: one electron less).
Outcome parse_carrier(std::string_view text, Carrier &carrier);

// An ion as two parts: the molecule's own atoms, which carry the sample's
// labels, and the carriers it gained, which come from the solvent and keep
// natural abundance. Carriers lost (charge and carrier of opposite signs,
// [M-H]-) leave from the molecule's own atoms.
struct Ion {
    chem::Composition molecule;
    chem::Composition carriers;
};

// molecule + (charge / carrier.charge) carriers; the count must be whole
// and no element may fall below zero (a loss of protons from a molecule
// without hydrogen, say).
Outcome ion_composition(const chem::Composition &molecule, int charge, const Carrier &carrier,
                        Ion &ion);

// As ion_composition, without copying the molecule where the ion's own
// atoms are its atoms unchanged (no carrier lost from them, as in
// [M+2H]2+): `own` then points at `molecule` and ion.molecule keeps what it
// held, else at ion.molecule.
Outcome ion_parts(const chem::Composition &molecule, int charge, const Carrier &carrier, Ion &ion,
                  const chem::Composition *&own);

} // namespace corvan::ion
