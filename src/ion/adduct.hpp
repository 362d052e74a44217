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

// The first half of ion_parts: how many carriers make an ion of `charge`
// (negative: lost). False when the charge or the count is refused, which
// count_carriers_refused() words. Inline: every ion asks it.
inline bool count_carriers(int charge, const Carrier &carrier, int &carriers) {
    if (!charge_in_range(charge) || (carrier.charge != 1 && charge % carrier.charge != 0) ||
        (carrier.whole_ion && charge != carrier.charge))
        return false;
    carriers = charge / carrier.charge;
    return true;
}
Outcome count_carriers_refused(int charge, const Carrier &carrier);

// Whether an ion of `carriers` carriers has the molecule's own atoms
// unchanged: none lost from them (as in [M+2H]2+, unlike [M-H]-).
inline bool keeps_molecule(int carriers, const Carrier &carrier) {
    return carriers == 0 ||
           (carriers > 0 && carrier.lost.touched.empty() && carrier.lost.fixed.empty());
}

// The second half: ion_parts for `carriers` counted by count_carriers.
// `carriers_kept` says ion.carriers already holds what this call would
// write there (the same carrier and count as the last call), as it does
// from row to row of a table with one charge and adduct.
Outcome ion_parts_counted(const chem::Composition &molecule, int charge, int carriers,
                          const Carrier &carrier, bool carriers_kept, Ion &ion,
                          const chem::Composition *&own);

} // namespace corvan::ion
