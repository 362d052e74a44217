// Peptide distributions through networks, embedded or from the caller's
// weight file: four members of the distribution family.
#include "core/family.hpp"
#include "corvan.h"
#include "nn/network_family.hpp"
#include "peptide/length_rules.hpp"
#include "peptide/sequence_scan.hpp"

namespace {

using corvan::family::Request;
namespace family = corvan::family;
namespace nn = corvan::nn;
namespace peptide = corvan::peptide;

constexpr int kResidueInputs = 20;

long long residue_counts(const Request &request, float *counts) {
    return static_cast<long long>(peptide::add_residue_counts(request.sequence, counts));
}

constexpr auto &kNetworkSequence =
    nn::kEmbeddedBySequence<family::has_sequence, kResidueInputs, residue_counts,
                            peptide::sequence_network>;
constexpr auto &kFileSequence = nn::kWeightFileBySequence<kResidueInputs, residue_counts>;

} // namespace

extern "C" {

float nn_pep_mass_to_dist(float *out, int n, int offset, float mass) {
    return family::run(nn::kEmbeddedByMass<peptide::mass_network>, {.mass = mass}, out, n, offset);
}

float nn_pep_seq_to_dist(const char *seq, float *out, int n, int offset) {
    return family::run(kNetworkSequence, {.sequence = seq}, out, n, offset);
}

float nn_pep_mass_to_dist_custom(float *out, int n, int offset, const char *path, float mass) {
    return family::run(nn::kWeightFileByMass, {.mass = mass, .path = path}, out, n, offset);
}

float nn_pep_seq_to_dist_custom(const char *seq, float *out, int n, int offset, const char *path) {
    return family::run(kFileSequence, {.sequence = seq, .path = path}, out, n, offset);
}

} // extern "C"
