// How the peptide calls size their result or pick their network. The
// exported rules (nn_pep_mass_to_isolen, fft_pep_mass_to_isolen,
// get_pep_isolen_from_seq) are in length_rules.cpp beside these; the
// sequence rules of the distribution calls differ from the exported one on
// purpose (see there).
#pragma once

#include <optional>

#include "nn/catalogue.hpp"

namespace corvan::peptide {

constexpr long long kMostResidues = 1000;

// isolen of fft_pep_seq_to_dist: 64 up to 300 residues, 128 up to 1000;
// above, prints the residue message and returns -1.
int fft_sequence_isolen(long long residues);

// isolen of brain_pep_seq_to_dist: -1 without residues (formulas only), 64
// up to 300, 128 up to 1000, 1024 above (no limit).
int brain_sequence_isolen(long long residues);

// Network of nn_pep_seq_to_dist: 16 outputs for 1..50 residues, 64 for
// 51..300, 128 for none or 301..1000; above, the residue message and none.
std::optional<nn::Network> sequence_network(long long residues);

// Network of nn_pep_mass_to_dist; none, after the range message, for masses
// of 120000 and more and NaN.
std::optional<nn::Network> mass_network(float mass);

} // namespace corvan::peptide
