// RNA distributions through networks, embedded or from the caller's weight
// file: four members of the distribution family.
#include "corvan.h"
#include "nn/network_family.hpp"
#include "rna/encoding.hpp"
#include "rna/length_rules.hpp"

namespace {

// Counted (and invalid bytes reported) before the length is judged.
long long nucleotide_counts(const corvan::family::Request &request, float *counts) {
    return corvan::rna::add_nucleotide_counts(request.sequence, counts);
}

} // namespace

extern "C" {
CORVAN_NETWORK_CALLS(rna, corvan::family::has_residues, corvan::rna::kNucleotideColumns,
                     nucleotide_counts, corvan::rna::sequence_network, corvan::rna::mass_network)
} // extern "C"
