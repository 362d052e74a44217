// How the RNA network calls pick their network; the exported rules
// (fft_rna_mass_to_isolen, fft_rna_len_to_isolen, nn_rna_mass_to_isolen)
// serve the composition calls directly.
#pragma once

namespace corvan::rna {

// nn::Network of nn_rna_mass_to_dist; -1 after the range message for masses
// of 165000 and more and NaN.
int mass_network(float mass);

// nn::Network of nn_rna_seq_to_dist: 64 outputs up to 200 bytes, 128 up to
// 500; -1 after the length message above.
int sequence_network(long long length);

} // namespace corvan::rna
