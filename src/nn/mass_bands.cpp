#include "nn/mass_bands.hpp"

#include "core/messages.hpp"

namespace corvan::nn {

std::optional<Network> mass_band(std::span<const Network> networks, float mass) {
    for (const Network network : networks)
        if (mass < info(network).mass_below) return network;
    return std::nullopt;
}

std::optional<Network> mass_network(std::span<const Network> networks, float mass) {
    if (const std::optional<Network> network = mass_band(networks, mass)) return network;
    messages::print(messages::Stream::out, "Error: Mass outside of allowed NN mass range: %f\n",
                    static_cast<double>(mass));
    return std::nullopt;
}

int mass_network_outputs(std::span<const Network> networks, float mass) {
    const std::optional<Network> network = mass_band(networks, mass);
    return network ? info(*network).outputs : -1;
}

} // namespace corvan::nn
