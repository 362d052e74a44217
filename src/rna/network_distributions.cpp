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
CORVAN_NETWORK_CALLS(rna, rna::mass_network, kNetworkSequence, kFileSequence)
} // extern "C"
