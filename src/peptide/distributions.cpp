// Peptide distributions through the composition engines (FFT and BRAIN):
// four members of the distribution family.
#include "core/family.hpp"
#include "corvan.h"
#include "peptide/averagine.hpp"
#include "peptide/length_rules.hpp"
#include "peptide/sequence_scan.hpp"

namespace {

using corvan::family::compose;
using corvan::family::Engine;
using corvan::family::Member;
using corvan::family::Request;
using corvan::family::ResultLength;
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

constexpr Member<int, ResultLength> kFftMass = {
    .accepts = family::non_negative_mass,
    .encoding_length = 5,
    .encode = averagine,
    .choose = family::length_by_mass<fft_pep_mass_to_isolen>,
    .compute = compose<Engine::fft, Placement::window>,
    .allocation_message = nullptr,
};

constexpr Member<int, ResultLength> kFftSequence = {
    .accepts = family::has_sequence,
    .encoding_length = 5,
    .encode = sequence_composition,
    .choose = family::length_by_size<peptide::fft_sequence_isolen>,
    .compute = compose<Engine::fft, Placement::window>,
    .allocation_message = family::kFormulalistMessage,
};

constexpr Member<int, ResultLength> kBrainMass = {
    .accepts = family::positive_mass,
    .encoding_length = 5,
    .encode = averagine,
    .choose = family::length_by_mass<fft_pep_mass_to_isolen>,
    .compute = compose<Engine::brain, Placement::window>,
    .allocation_message = nullptr,
};

constexpr Member<int, ResultLength> kBrainSequence = {
    .accepts = family::has_residues,
    .encoding_length = 5,
    .encode = sequence_composition,
    .choose = family::length_by_size<peptide::brain_sequence_isolen>,
    .compute = compose<Engine::brain, Placement::window>,
    .allocation_message = family::kFormulalistMessage,
};

} // namespace

extern "C" {

float fft_pep_mass_to_dist(float *out, int n, int offset, float mass) {
    return family::run(kFftMass, {.mass = mass}, out, n, offset);
}

float fft_pep_seq_to_dist(const char *seq, float *out, int n, int offset) {
    return family::run(kFftSequence, {.sequence = seq}, out, n, offset);
}

float brain_pep_mass_to_dist(float *out, int n, int offset, float mass) {
    return family::run(kBrainMass, {.mass = mass}, out, n, offset);
}

float brain_pep_seq_to_dist(const char *seq, float *out, int n, int offset) {
    return family::run(kBrainSequence, {.sequence = seq}, out, n, offset);
}

} // extern "C"
