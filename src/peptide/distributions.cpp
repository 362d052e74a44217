// Peptide distributions through the composition engines (FFT and BRAIN):
// four members of the distribution family.
#include "core/family.hpp"
#include "corvan.h"
#include "peptide/averagine.hpp"
#include "peptide/length_rules.hpp"
#include "peptide/sequence_scan.hpp"

namespace {

using corvan::family::Engine;
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

constexpr auto &kFftMass =
    family::kComposedByMass<Engine::fft, Placement::window, family::non_negative_mass, averagine,
                            fft_pep_mass_to_isolen>;
constexpr auto &kFftSequence =
    family::kComposedBySequence<Engine::fft, Placement::window, family::has_sequence,
                                sequence_composition, peptide::fft_sequence_isolen>;
constexpr auto &kBrainMass =
    family::kComposedByMass<Engine::brain, Placement::window, family::positive_mass, averagine,
                            fft_pep_mass_to_isolen>;
constexpr auto &kBrainSequence =
    family::kComposedBySequence<Engine::brain, Placement::window, family::has_residues,
                                sequence_composition, peptide::brain_sequence_isolen>;

} // namespace

extern "C" {
CORVAN_COMPOSITION_CALLS(pep, kFftMass, kFftSequence, kBrainMass, kBrainSequence)
} // extern "C"
