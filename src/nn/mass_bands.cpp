#include "nn/mass_bands.hpp"

#include "core/messages.hpp"

namespace corvan::nn {

const MassBand *mass_band(std::span<const MassBand> bands, float mass) {
    for (const MassBand &band : bands)
        if (mass < band.below) return &band;
    return nullptr;
}

std::optional<Network> mass_network(std::span<const MassBand> bands, float mass) {
    if (const MassBand *band = mass_band(bands, mass)) return band->network;
    messages::print(messages::Stream::out, "Error: Mass outside of allowed NN mass range: %f\n",
                    static_cast<double>(mass));
    return std::nullopt;
}

int mass_network_outputs(std::span<const MassBand> bands, float mass) {
    const MassBand *band = mass_band(bands, mass);
    return band != nullptr ? info(band->network).outputs : -1;
}

} // namespace corvan::nn
