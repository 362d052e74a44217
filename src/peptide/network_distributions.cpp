// Peptide distributions through networks, embedded or from the caller's
// weight file: four members of the distribution family.
#include "corvan.h"
#include "nn/network_family.hpp"
#include "peptide/length_rules.hpp"
#include "peptide/sequence_scan.hpp"

namespace {

long long residue_counts(const corvan::family::Request &request, float *counts) {
    return static_cast<long long>(corvan::peptide::add_residue_counts(request.sequence, counts));
}

} // namespace

extern "C" {
CORVAN_NETWORK_CALLS(pep, corvan::family::has_sequence, corvan::peptide::kResidueColumns,
                     residue_counts, corvan::peptide::sequence_network,
                     corvan::peptide::mass_network)
} // extern "C"
