// RNA distributions through networks, embedded or from the caller's weight
// file: four members of the distribution family.
#include "core/family.hpp"
#include "corvan.h"
#include "rna/encoding.hpp"
#include "rna/length_rules.hpp"

namespace {

using corvan::family::Member;
using corvan::family::Request;
namespace family = corvan::family;
namespace rna = corvan::rna;

constexpr int kNucleotideInputs = 4;
constexpr int kMassInputs = 5;

// Counted (and invalid bytes reported) before the length is judged.
long long nucleotide_counts(const Request &request, float *counts) {
    return rna::add_nucleotide_counts(request.sequence, counts);
}

constexpr Member<float> kNetworkMass = {
    .accepts = family::any_input,
    .encoding_length = kMassInputs,
    .encode = family::mass_features,
    .choose = family::by_mass<rna::mass_network>,
    .compute = family::embedded_network,
    .allocation_message = nullptr,
};

constexpr Member<float> kNetworkSequence = {
    .accepts = family::has_residues,
    .encoding_length = kNucleotideInputs,
    .encode = nucleotide_counts,
    .choose = family::by_size<rna::sequence_network>,
    .compute = family::embedded_network,
    .allocation_message = nullptr,
};

constexpr Member<float> kFileSequence = {
    .accepts = family::has_residues,
    .encoding_length = kNucleotideInputs,
    .encode = nucleotide_counts,
    .choose = family::network_from_file,
    .compute = family::weight_file_network,
    .allocation_message = nullptr,
};

} // namespace

extern "C" {

float nn_rna_mass_to_dist(float *out, int n, int offset, float mass) {
    return family::run(kNetworkMass, {.mass = mass}, out, n, offset);
}

float nn_rna_seq_to_dist(const char *seq, float *out, int n, int offset) {
    return family::run(kNetworkSequence, {.sequence = seq}, out, n, offset);
}

float nn_rna_mass_to_dist_custom(float *out, int n, int offset, const char *path, float mass) {
    return family::run(family::kWeightFileByMass, {.mass = mass, .path = path}, out, n, offset);
}

float nn_rna_seq_to_dist_custom(const char *seq, float *out, int n, int offset, const char *path) {
    return family::run(kFileSequence, {.sequence = seq, .path = path}, out, n, offset);
}

} // extern "C"
