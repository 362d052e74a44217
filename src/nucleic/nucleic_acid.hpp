// RNA and DNA sequences as real molecules: nucleosides joined by
// phosphodiester bonds, with the chain ends and modified nucleosides that
// include/corvan.h lists ("p-ACGU", "ppp-ACGU", "ACGU-p", "ACGU>p",
// "A[m6A]C[Psi]G").
#pragma once

#include <string_view>

#include "molecule/composition.hpp"
#include "molecule/outcome.hpp"

namespace corvan::nucleic {

// `rna` chooses ribonucleosides (A, C, G, U) or deoxyribonucleosides (A, C,
// G, T). The chain's atoms go into `composition` (replaced).
Outcome parse_nucleic_acid(std::string_view text, bool rna, chem::Composition &composition);

} // namespace corvan::nucleic
