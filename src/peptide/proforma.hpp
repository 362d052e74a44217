// Peptides in ProForma 2.0 notation: every construct whose atoms are known
// (include/corvan.h lists them and what is refused), plus the library's own
// bare-formula brackets ("PEPTIDE[C2H2O]K").
#pragma once

#include <string_view>
#include <vector>

#include "ion/adduct.hpp"
#include "molecule/composition.hpp"
#include "molecule/outcome.hpp"

namespace corvan::peptide {

// One peptidoform ion: its chains (joined by "//" and cross-links) as one
// molecule, and the charge of a "/z" suffix (0 without one), carried by
// protons unless adduct ions are written ("/2[+2Na+]": has_adducts).
struct Peptidoform {
    chem::Composition composition;
    int charge = 0;
    bool has_adducts = false;
    ion::Carrier adducts;
    std::size_t start = 0;      // byte offset of the ion in the text
    std::size_t adducts_at = 0; // of its "[" of adduct ions
};

// Every peptidoform ion of the text, in order ("A+B": a chimera gives two);
// global blocks ("<13C>") apply to each. Positions in the outcome are byte
// offsets.
Outcome parse_peptidoforms(std::string_view text, std::vector<Peptidoform> &ions);

// A text of exactly one peptidoform ion without adduct ions: its atoms
// (residues, modifications, one water per chain, isotope labels applied)
// into `composition` (replaced), and its charge into `charge`.
Outcome parse_proforma(std::string_view text, chem::Composition &composition, int &charge);

// One residue of a peptide, for its fragment ions: the atoms of the residue
// (less its water), of the modifications written on it and of the fixed ones
// that apply to it, the N-terminal ones on the first residue and the
// C-terminal ones on the last, with the global isotope labels applied.
struct ResidueAtoms {
    char letter;
    chem::Composition atoms;
};

// parse_proforma, and the peptide's residues into `residues` (replaced):
// they sum to the molecule less one water.
Outcome parse_proforma_residues(std::string_view text, chem::Composition &composition, int &charge,
                                std::vector<ResidueAtoms> &residues);

} // namespace corvan::peptide
