// Peptides in ProForma 2.0 notation, the subset that search engines and
// spectral libraries write (include/corvan.h lists what is read and what is
// refused), plus the library's own bare-formula brackets ("PEPTIDE[C2H2O]K").
#pragma once

#include <string_view>

#include "molecule/composition.hpp"
#include "molecule/outcome.hpp"

namespace corvan::peptide {

// The peptide's atoms (residues, modifications, one water, isotope labels
// applied) into `composition` (replaced), and the charge of a "/z" suffix
// into `charge` (0 without one). Positions in the outcome are byte offsets.
Outcome parse_proforma(std::string_view text, chem::Composition &composition, int &charge);

} // namespace corvan::peptide
