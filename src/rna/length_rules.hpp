// How the RNA network calls pick their network; the exported rules
// (fft_rna_mass_to_isolen, fft_rna_len_to_isolen, nn_rna_mass_to_isolen)
// serve the composition calls directly.
#pragma once

#include <optional>

#include "nn/catalogue.hpp"

namespace corvan::rna {

// Network of nn_rna_mass_to_dist; none, after the range message, for masses
// of 165000 and more and NaN.
std::optional<nn::Network> mass_network(float mass);

// Network of nn_rna_seq_to_dist: 64 outputs up to 200 bytes, 128 up to
// 500; none after the length message above.
std::optional<nn::Network> sequence_network(long long length);

} // namespace corvan::rna
