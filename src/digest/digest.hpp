// Protein digestion by the common proteases, for the command line's batch
// runs: cleavage sites, missed cleavages, the proline rule, the variant
// without the initiator methionine, and length limits.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvan::digest {

// Where an enzyme cuts: after (C-terminal side of) or before (N-terminal
// side of) any of `residues`; with `proline_rule`, not where the residue
// after the cut is P.
struct Enzyme {
    const char *name; // as the command line names it ("trypsin", "Lys-C")
    const char *residues;
    bool cuts_after;
    bool proline_rule;
};

// Trypsin (after K, R; not before P), trypsin/P (after K, R), Lys-C (after
// K; not before P), Lys-N (before K), Arg-C (after R; not before P), Asp-N
// (before D), Glu-C (after E; not before P), chymotrypsin (after F, W, Y,
// L; not before P). Names match without regard to case; nullptr if unknown.
const Enzyme *find_enzyme(std::string_view name);
// Every enzyme, for listings and messages.
const std::vector<Enzyme> &enzymes();

struct Settings {
    int missed_cleavages = 0;
    // Also give the peptides of the protein without its first residue when
    // that is a methionine (both forms are kept).
    bool initiator_methionine_variants = true;
    std::size_t min_length = 1;
    std::size_t max_length = static_cast<std::size_t>(-1);
};

struct Peptide {
    std::size_t start; // 1-based position of the first residue in the protein
    std::size_t end;   // 1-based position of the last residue (inclusive)
    std::string sequence;
};

// The peptides of `protein` ordered by start, then end, each once.
std::vector<Peptide> digest(std::string_view protein, const Enzyme &enzyme,
                            const Settings &settings);

} // namespace corvan::digest
