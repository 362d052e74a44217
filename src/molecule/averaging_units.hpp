// Averaging units: the mean residue of peptides, RNA and DNA, for molecules
// known only by mass.
#pragma once

#include "molecule/composition.hpp"
#include "molecule/outcome.hpp"

namespace corvan::chem {

inline constexpr double kMaxMoleculeMass = 1e9;

// `mass` (average, Da) worth of the kind's unit, fractional counts allowed.
Outcome composition_by_mass(int kind, double mass, Composition &composition);

} // namespace corvan::chem
