// Averaging units: the mean residue of peptides, RNA and DNA, for molecules
// known only by mass.
#pragma once

#include "molecule/composition.hpp"
#include "molecule/outcome.hpp"

namespace corvan::chem {

inline constexpr double kMaxMoleculeMass = 1e9;

// Atoms of one averaging unit, fractional.
struct AveragingUnit {
    double c, h, n, o, p, s;
};

// Peptides: the averagine residue. RNA and DNA: the mean of the four
// nucleotide residues in a chain (nucleoside monophosphate less water):
// RNA A C10H12N5O6P, C C9H12N3O7P, G C10H12N5O7P, U C9H11N2O8P;
// DNA A C10H12N5O5P, C C9H12N3O6P, G C10H12N5O6P, T C10H13N2O7P.
inline constexpr AveragingUnit kPeptideUnit{4.9384, 7.7583, 1.3577, 1.4773, 0, 0.0417};
inline constexpr AveragingUnit kRnaUnit{9.5, 11.75, 3.75, 7, 1, 0};
inline constexpr AveragingUnit kDnaUnit{9.75, 12.25, 3.75, 6, 1, 0};

// `mass` (average, Da) worth of the kind's unit, fractional counts allowed.
Outcome composition_by_mass(int kind, double mass, Composition &composition);

} // namespace corvan::chem
