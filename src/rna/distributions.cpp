// RNA distributions through the composition engines (FFT and BRAIN): four
// members of the distribution family. The FFT members place by shifting
// (as much of the distribution as fits after the offset); the BRAIN ones by
// window, as the peptide calls do.
#include "core/family.hpp"
#include "corvan.h"
#include "rna/encoding.hpp"

namespace {

using corvan::family::Request;
using corvan::frame::Placement;
namespace family = corvan::family;

long long rnaveragine(const Request &request, int *fftlist) {
    return corvan::rna::rnaveragine_composition(request.mass, fftlist) ? 0 : -1;
}

// The string length, invalid bytes included; -1 for a null sequence.
long long sequence_composition(const Request &request, int *fftlist) {
    return rna_seq_to_fftlist(request.sequence, fftlist);
}

// The encoded length fits in an int: rna_seq_to_fftlist returns one.
int fft_length_isolen(long long length) {
    return fft_rna_len_to_isolen(static_cast<int>(length));
}

// The BRAIN member refuses the empty text already; an encoding of length 0
// would be a failure all the same.
int brain_length_isolen(long long length) {
    return length > 0 ? fft_length_isolen(length) : -1;
}

constexpr family::CompositionKind kRna = {
    .mass_encode = rnaveragine,
    .sequence_encode = sequence_composition,
    .mass_rule = fft_rna_mass_to_isolen,
    .fft = {Placement::shifted, family::any_input, family::any_input, fft_length_isolen},
    .brain = {Placement::window, family::positive_mass, family::has_residues, brain_length_isolen},
};

} // namespace

extern "C" {
CORVAN_COMPOSITION_CALLS(rna, kRna)
} // extern "C"
