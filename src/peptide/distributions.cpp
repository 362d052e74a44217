// Peptide distributions through the composition engines (FFT and BRAIN):
// four members of the distribution family.
#include "core/family.hpp"
#include "corvan.h"
#include "peptide/averagine.hpp"
#include "peptide/length_rules.hpp"
#include "peptide/sequence_scan.hpp"

namespace {

using corvan::family::Request;
using corvan::frame::Placement;
namespace family = corvan::family;
namespace peptide = corvan::peptide;

long long averagine(const Request &request, int *fftlist) {
    return peptide::averagine_composition(request.mass, fftlist) ? 0 : -1;
}

// The composition is built before the residues are counted, so formula
// messages come before the residue-limit message.
long long sequence_composition(const Request &request, int *fftlist) {
    return static_cast<long long>(peptide::build_composition(request.sequence, fftlist));
}

constexpr family::CompositionKind kPeptide = {
    .mass_encode = averagine,
    .sequence_encode = sequence_composition,
    .mass_rule = fft_pep_mass_to_isolen,
    .fft = {Placement::window, family::non_negative_mass, family::has_sequence,
            peptide::fft_sequence_isolen},
    .brain = {Placement::window, family::positive_mass, family::has_residues,
              peptide::brain_sequence_isolen},
};

} // namespace

extern "C" {
CORVAN_COMPOSITION_CALLS(pep, kPeptide)
} // extern "C"
