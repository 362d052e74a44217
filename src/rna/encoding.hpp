// RNA encodings shared by the exported encoders and the distribution calls.
#pragma once

namespace corvan::rna {

// Nucleotide index of 'A', 'C', 'G', 'U' (0..3), -1 for every other byte.
int nucleotide_index(int c);

// Overwrites fftlist with the rnaveragine composition of `mass`. Returns
// false, with fftlist all zero, when the mass is not finite or a count does
// not fit in an int. Small masses (below about 64.19) give a negative
// oxygen count, which is returned as it is.
bool rnaveragine_composition(float mass, int *fftlist);

// The nucleotides a count vector counts (A, C, G, U), one column each.
inline constexpr int kNucleotideColumns = 4;

// Adds the nucleotide counts of `sequence` to counts[0..3], reporting each
// other byte on standard output; returns the length in bytes.
int add_nucleotide_counts(const char *sequence, float *counts);

} // namespace corvan::rna
