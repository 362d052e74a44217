#include "peptide/length_rules.hpp"

#include <cstdio>

#include "core/messages.hpp"
#include "corvan.h"
#include "nn/catalogue.hpp"
#include "nn/mass_bands.hpp"
#include "peptide/sequence_scan.hpp"

namespace corvan::peptide {

namespace {

using nn::Network;

// The peptide-mass networks by ascending bound (in the catalogue); a mass at
// or above the last bound, or NaN, has no network.
constexpr Network kMassNetworks[] = {Network::averagine8, Network::averagine32,
                                     Network::averagine64, Network::averagine128};

int too_many_residues() {
    corvan::messages::print(corvan::messages::Stream::out,
                            "Sequence contains too many amino acids (>1000).");
    return -1;
}

} // namespace

int fft_sequence_isolen(long long residues) {
    if (residues > kMostResidues) return too_many_residues();
    return residues <= 300 ? 64 : 128;
}

int brain_sequence_isolen(long long residues) {
    if (residues <= 0) return -1;
    if (residues <= 300) return 64;
    return residues <= kMostResidues ? 128 : 1024;
}

std::optional<nn::Network> sequence_network(long long residues) {
    if (residues > kMostResidues) {
        too_many_residues();
        return std::nullopt;
    }
    if (residues == 0 || residues > 300) return Network::pep128;
    return residues <= 50 ? Network::pep16 : Network::pep64;
}

std::optional<nn::Network> mass_network(float mass) {
    return nn::mass_network(kMassNetworks, mass);
}

} // namespace corvan::peptide

extern "C" {

int nn_pep_mass_to_isolen(float mass) {
    return corvan::nn::mass_network_outputs(corvan::peptide::kMassNetworks, mass);
}

int fft_pep_mass_to_isolen(float mass) {
    if (mass < 50000.0f) return 64;
    return mass < 120000.0f ? 128 : 1024;
}

// A rule of its own, kept for callers: 16 up to 49 residues, 64 up to 299,
// 128 from 300. None of the distribution calls uses it.
int get_pep_isolen_from_seq(const char *seq) {
    const std::size_t residues = corvan::peptide::count_residues(seq);
    if (residues <= 49) return 16;
    return residues <= 299 ? 64 : 128;
}

} // extern "C"
