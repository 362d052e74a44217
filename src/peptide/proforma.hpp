// Peptides in ProForma 2.0 notation, the subset that search engines and
// spectral libraries write (include/corvan.h lists what is read and what is
// refused), plus the library's own bare-formula brackets ("PEPTIDE[C2H2O]K").
#pragma once

#include <string_view>
#include <vector>

#include "molecule/composition.hpp"
#include "molecule/outcome.hpp"

namespace corvan::peptide {

// The peptide's atoms (residues, modifications, one water, isotope labels
// applied) into `composition` (replaced), and the charge of a "/z" suffix
// into `charge` (0 without one). Positions in the outcome are byte offsets.
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
