// What the outputs show of a fixed engine's molecule (its formula, its
// monoisotopic mass and the masses of its peaks), asked of the library for
// the composition the engine itself uses.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// Atoms of C, H, N, O and S, as pep_seq_to_fftlist and rna_seq_to_fftlist
// write them.
using FixedCounts = std::array<int, 5>;

FixedCounts peptide_counts(const std::string &sequence);
FixedCounts rna_counts(const std::string &sequence);

// Mass of peak M+k of a fixed engine's grid.
struct PeakMass {
    long long nominal; // mass numbers of the monoisotopic composition + k
    double mean;       // abundance-weighted mean exact mass in the peak; NaN if none
};

struct FixedChemistry {
    std::string formula; // Hill order
    double monoisotopic_mass = 0;
    std::vector<PeakMass> peaks; // M, M+1, ...: as many as asked for
};

// Nothing when the library refuses the composition (no atoms at all).
std::optional<FixedChemistry> fixed_chemistry(const FixedCounts &counts, int peaks);

} // namespace cli
