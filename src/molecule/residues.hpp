// The amino-acid residues (amino acid less one water): the one table the
// sequence readers, the fixed calls' encodings and the exported arrays read.
#pragma once

#include <array>

namespace corvan::chem {

struct ResidueAtoms {
    char letter;
    signed char c, h, n, o, s, se;
};

// The 20 standard residues, J (leucine or isoleucine, one composition),
// selenocysteine (U) and pyrrolysine (O).
inline constexpr std::array<ResidueAtoms, 23> kAminoAcidResidues = {{
    {'A', 3, 5, 1, 1, 0, 0},   {'C', 3, 5, 1, 1, 1, 0},   {'D', 4, 5, 1, 3, 0, 0},
    {'E', 5, 7, 1, 3, 0, 0},   {'F', 9, 9, 1, 1, 0, 0},   {'G', 2, 3, 1, 1, 0, 0},
    {'H', 6, 7, 3, 1, 0, 0},   {'I', 6, 11, 1, 1, 0, 0},  {'J', 6, 11, 1, 1, 0, 0},
    {'K', 6, 12, 2, 1, 0, 0},  {'L', 6, 11, 1, 1, 0, 0},  {'M', 5, 9, 1, 1, 1, 0},
    {'N', 4, 6, 2, 2, 0, 0},   {'O', 12, 19, 3, 2, 0, 0}, {'P', 5, 7, 1, 1, 0, 0},
    {'Q', 5, 8, 2, 2, 0, 0},   {'R', 6, 12, 4, 1, 0, 0},  {'S', 3, 5, 1, 2, 0, 0},
    {'T', 4, 7, 1, 2, 0, 0},   {'U', 3, 5, 1, 1, 0, 1},   {'V', 5, 9, 1, 1, 0, 0},
    {'W', 11, 10, 2, 1, 0, 0}, {'Y', 9, 9, 1, 2, 0, 0},
}};

// The residue of `letter`, or null.
constexpr const ResidueAtoms *find_amino_acid(char letter) {
    for (const ResidueAtoms &residue : kAminoAcidResidues)
        if (residue.letter == letter) return &residue;
    return nullptr;
}

// The residue of a letter the table has; a letter it lacks fails to compile
// where a constant is needed.
constexpr const ResidueAtoms &amino_acid(char letter) {
    const ResidueAtoms *residue = find_amino_acid(letter);
    if (residue == nullptr) throw "no such residue";
    return *residue;
}

} // namespace corvan::chem
