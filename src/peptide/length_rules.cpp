#include "peptide/length_rules.hpp"

#include <cstdio>

#include "core/messages.hpp"
#include "corvan.h"
#include "nn/catalogue.hpp"
#include "peptide/sequence_scan.hpp"

namespace corvan::peptide {

namespace {

using nn::Network;

// The peptide-mass networks by ascending upper bound (strict, in single
// precision); a mass at or above the last bound, or NaN, has no network.
struct MassBand {
    float below;
    Network network;
    int outputs;
};
constexpr MassBand kMassBands[] = {
    {1200.0f, Network::averagine8, 8},
    {11000.0f, Network::averagine32, 32},
    {55000.0f, Network::averagine64, 64},
    {120000.0f, Network::averagine128, 128},
};

const MassBand *mass_band(float mass) {
    for (const MassBand &band : kMassBands)
        if (mass < band.below) return &band;
    return nullptr;
}

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

int sequence_network(long long residues) {
    if (residues > kMostResidues) return too_many_residues();
    if (residues == 0 || residues > 300) return static_cast<int>(Network::pep128);
    return static_cast<int>(residues <= 50 ? Network::pep16 : Network::pep64);
}

int mass_network(float mass) {
    if (const MassBand *band = mass_band(mass)) return static_cast<int>(band->network);
    corvan::messages::print(corvan::messages::Stream::out,
                            "Error: Mass outside of allowed NN mass range: %f\n",
                            static_cast<double>(mass));
    return -1;
}

} // namespace corvan::peptide

extern "C" {

int nn_pep_mass_to_isolen(float mass) {
    const corvan::peptide::MassBand *band = corvan::peptide::mass_band(mass);
    return band != nullptr ? band->outputs : -1;
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
