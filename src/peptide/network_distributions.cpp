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
CORVAN_NETWORK_CALLS(pep, peptide::mass_network, kNetworkSequence, kFileSequence)
} // extern "C"
