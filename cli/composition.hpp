// Elemental compositions and the masses of their isotope peaks, computed
// from the library's isotope tables.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "corvan.h"

namespace cli {

// Atom counts by atomic number - 1 (CORVAN_ELEMENT_COUNT entries), as atom_formula_to_vector
// writes them.
struct Composition {
    std::vector<long long> counts = std::vector<long long>(CORVAN_ELEMENT_COUNT, 0);
};

std::optional<Composition> formula_composition(const std::string &formula);
// The compositions the engines themselves use: pep_seq_to_fftlist (residues,
// modifications and one water) and rna_seq_to_fftlist (nucleotide rows).
Composition peptide_composition(const std::string &sequence);
Composition rna_composition(const std::string &sequence);

// Hill order: C, H, then the rest alphabetically ("C2H6O").
std::string hill_formula(const Composition &composition);

// Mass of peak k (k extra neutrons above the lightest isotopic composition).
struct PeakMass {
    long long nominal; // mass numbers of the lightest composition + k
    double mean;       // abundance-weighted mean exact mass in the peak; NaN if none
};

// Peaks 0..count-1. Each element's pattern is carried as (abundance,
// abundance x mass) per nominal step and raised to its count by repeated
// squaring, so peak k's mean mass is exact up to rounding.
std::vector<PeakMass> peak_masses(const Composition &composition, int count);

double monoisotopic_mass(const Composition &composition);

} // namespace cli
