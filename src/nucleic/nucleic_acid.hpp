// RNA and DNA sequences as real molecules: nucleosides joined by
// phosphodiester bonds, with the chain ends and modified nucleosides that
// include/corvan.h lists ("p-ACGU", "ppp-ACGU", "ACGU-p", "ACGU>p",
// "A[m6A]C[Psi]G").
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "molecule/composition.hpp"
#include "molecule/outcome.hpp"

namespace corvan::nucleic {

// `rna` chooses ribonucleosides (A, C, G, U) or deoxyribonucleosides (A, C,
// G, T). The chain's atoms go into `composition` (replaced).
Outcome parse_nucleic_acid(std::string_view text, bool rna, chem::Composition &composition);

// A chain's parts, for its fragment ions: each nucleoside as a free
// nucleoside with the name the text gave it ("A", "m7G"), and the groups
// of the two ends (empty for 5'-OH and 3'-OH).
struct ChainParts {
    struct Unit {
        std::string name;
        chem::Composition atoms;
    };
    std::vector<Unit> units;
    chem::Composition five_prime;  // the 5' phosphates, HPO3 each
    chem::Composition three_prime; // HPO3, less H2O when cyclic
};

// parse_nucleic_acid, and the chain's parts into `parts` (replaced).
Outcome parse_nucleic_chain(std::string_view text, bool rna, chem::Composition &composition,
                            ChainParts &parts);

} // namespace corvan::nucleic
