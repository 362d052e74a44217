#include "rna/length_rules.hpp"

#include <cstdio>

#include "core/messages.hpp"
#include "corvan.h"
#include "nn/catalogue.hpp"
#include "nn/mass_bands.hpp"

namespace corvan::rna {

namespace {

using nn::Network;

// The RNA-mass networks by ascending bound (in the catalogue); there is no
// lower bound.
constexpr Network kMassNetworks[] = {Network::rnaveragine32, Network::rnaveragine64,
                                     Network::rnaveragine128};

} // namespace

std::optional<nn::Network> mass_network(float mass) {
    return nn::mass_network(kMassNetworks, mass);
}

std::optional<nn::Network> sequence_network(long long length) {
    if (length <= 200) return Network::rnaseq64;
    if (length <= 500) return Network::rnaseq128;
    corvan::messages::print(corvan::messages::Stream::out,
                            "Error: Sequence length outside of allowed NN range: %i\n",
                            static_cast<int>(length));
    return std::nullopt;
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
    return corvan::nn::mass_network_outputs(corvan::rna::kMassNetworks, mass);
}

} // extern "C"
