#include "rna/length_rules.hpp"

#include <cstdio>

#include "core/messages.hpp"
#include "corvan.h"
#include "nn/catalogue.hpp"

namespace corvan::rna {

namespace {

using nn::Network;

// The RNA-mass networks by ascending upper bound (strict, single precision);
// there is no lower bound.
struct MassBand {
    float below;
    Network network;
    int outputs;
};
constexpr MassBand kMassBands[] = {
    {24000.0f, Network::rnaveragine32, 32},
    {65000.0f, Network::rnaveragine64, 64},
    {165000.0f, Network::rnaveragine128, 128},
};

const MassBand *mass_band(float mass) {
    for (const MassBand &band : kMassBands)
        if (mass < band.below) return &band;
    return nullptr;
}

} // namespace

int mass_network(float mass) {
    if (const MassBand *band = mass_band(mass)) return static_cast<int>(band->network);
    corvan::messages::print(corvan::messages::Stream::out,
                            "Error: Mass outside of allowed NN mass range: %f\n",
                            static_cast<double>(mass));
    return -1;
}

int sequence_network(long long length) {
    if (length <= 200) return static_cast<int>(Network::rnaseq64);
    if (length <= 500) return static_cast<int>(Network::rnaseq128);
    corvan::messages::print(corvan::messages::Stream::out,
                            "Error: Sequence length outside of allowed NN range: %i\n",
                            static_cast<int>(length));
    return -1;
}

} // namespace corvan::rna

extern "C" {

int fft_rna_mass_to_isolen(float mass) {
    if (mass < 65000.0f) return 64;
    return mass < 165000.0f ? 128 : 1024;
}

int fft_rna_len_to_isolen(int length) {
    if (length < 200) return 64;
    return length <= 500 ? 128 : 1024;
}

int nn_rna_mass_to_isolen(float mass) {
    const corvan::rna::MassBand *band = corvan::rna::mass_band(mass);
    return band != nullptr ? band->outputs : -1;
}

} // extern "C"
