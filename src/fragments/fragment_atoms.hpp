// The neutral fragments of a peptide or a nucleic acid: for each series,
// number and loss asked for, the atoms of the fragment.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "molecule/composition.hpp"
#include "molecule/outcome.hpp"

namespace corvan::fragments {

struct FragmentAtoms {
    unsigned series = 0; // CORVAN_ION_*
    std::size_t number = 0;
    unsigned loss = 0; // CORVAN_LOSS_* or 0
    std::string name;  // "b3", "y5-H2O", "imm(Y)"
    chem::Composition atoms;
};

// The molecule the fragments come from: its atoms and the text's charge.
struct Precursor {
    chem::Composition atoms;
    int charge = 0;
};

// Fragments of the series in `types` (peptide series only) with the losses
// in `losses`, ordered by series, number, then loss.
Outcome peptide_fragments(std::string_view text, unsigned types, unsigned losses,
                          Precursor &precursor, std::vector<FragmentAtoms> &fragments);

// Fragments of an RNA (`rna`) or DNA chain, of the nucleic series in `types`.
Outcome nucleic_fragments(std::string_view text, bool rna, unsigned types, Precursor &precursor,
                          std::vector<FragmentAtoms> &fragments);

} // namespace corvan::fragments
