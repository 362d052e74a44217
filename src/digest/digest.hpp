// Protein digestion by the common proteases, for the command line's batch
// runs: cleavage sites, missed cleavages, the proline rule, the variant
// without the initiator methionine, and length limits.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "digest/enzyme.hpp"

namespace corvan::digest {

// Trypsin (after K, R; not before P), Trypsin/P, Lys-C, Lys-N, Arg-C,
// Asp-N, Glu-C (after E; not before P), Chymotrypsin, PepsinA, CNBr, ... :
// the proteases of the enzyme table. Names match without regard to case;
// nullptr if unknown.
const Enzyme *find_enzyme(std::string_view name);
// Enzyme names compare without regard to ASCII case (locale-free).
bool same_name(std::string_view a, std::string_view b);
// Every protease, for listings and messages.
const std::vector<Enzyme> &enzymes();

// Which pieces count: both ends at cleavage sites (or the protein's ends),
// at least one of them, or any piece.
enum class Specificity { full, semi, none };

struct Settings {
    Specificity specificity = Specificity::full;
    // Cleavage sites inside a piece; ignored when any piece counts.
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

// A piece of a chain: units [begin, end), 0-based.
struct Piece {
    std::size_t begin;
    std::size_t end;
};

// The pieces of a chain of cut.size() + 1 units (cut[i - 1]: a cut between
// units i - 1 and i) that the settings count, by begin, then end;
// `met_variant` lets pieces also begin at unit 1.
std::vector<Piece> pieces(const std::vector<bool> &cut, const Settings &settings, bool met_variant);

// The peptides of `protein` ordered by start, then end, each once. The
// protease "unspecific cleavage" cuts everywhere and thus gives every piece.
std::vector<Peptide> digest(std::string_view protein, const Enzyme &enzyme,
                            const Settings &settings);

} // namespace corvan::digest
