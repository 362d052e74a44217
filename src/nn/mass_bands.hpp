// The mass rules of the network calls: each molecule kind lists its
// networks by ascending upper mass bound, and these functions read any such
// list, so that the band search, the range message and the network sizes
// (from the catalogue) are written once.
#pragma once

#include <optional>
#include <span>

#include "nn/catalogue.hpp"

namespace corvan::nn {

// A kind lists its mass networks by ascending bound (NetworkInfo::mass_below);
// the first has no lower bound.

// The first network whose bound lies above `mass`; nothing for a mass at or
// above the last bound, or NaN.
std::optional<Network> mass_band(std::span<const Network> networks, float mass);

// The network of `mass`; nothing, after the range message, outside the bands.
std::optional<Network> mass_network(std::span<const Network> networks, float mass);

// The output count of the network of `mass`, or -1 outside the bands
// (silently): the exported *_mass_to_isolen rules.
int mass_network_outputs(std::span<const Network> networks, float mass);

} // namespace corvan::nn
