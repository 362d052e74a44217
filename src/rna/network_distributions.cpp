// RNA distributions through networks, embedded or from the caller's weight
// file: four members of the distribution family.
#include "core/family.hpp"
#include "corvan.h"
#include "nn/network_family.hpp"
#include "rna/encoding.hpp"
#include "rna/length_rules.hpp"

namespace {

using corvan::family::Request;
namespace family = corvan::family;
namespace nn = corvan::nn;
namespace rna = corvan::rna;

constexpr int kNucleotideInputs = 4;

// Counted (and invalid bytes reported) before the length is judged.
long long nucleotide_counts(const Request &request, float *counts) {
    return rna::add_nucleotide_counts(request.sequence, counts);
}

constexpr auto &kNetworkSequence =
    nn::kEmbeddedBySequence<family::has_residues, kNucleotideInputs, nucleotide_counts,
                            rna::sequence_network>;
constexpr auto &kFileSequence = nn::kWeightFileBySequence<kNucleotideInputs, nucleotide_counts>;

} // namespace

extern "C" {

float nn_rna_mass_to_dist(float *out, int n, int offset, float mass) {
    return family::run(nn::kEmbeddedByMass<rna::mass_network>, {.mass = mass}, out, n, offset);
}

float nn_rna_seq_to_dist(const char *seq, float *out, int n, int offset) {
    return family::run(kNetworkSequence, {.sequence = seq}, out, n, offset);
}

float nn_rna_mass_to_dist_custom(float *out, int n, int offset, const char *path, float mass) {
    return family::run(nn::kWeightFileByMass, {.mass = mass, .path = path}, out, n, offset);
}

float nn_rna_seq_to_dist_custom(const char *seq, float *out, int n, int offset, const char *path) {
    return family::run(kFileSequence, {.sequence = seq, .path = path}, out, n, offset);
}

} // extern "C"
