// The twelve networks compiled into the library and the shared core that
// runs one of them for the network distribution calls.
#pragma once

namespace corvan::nn {

enum class Network {
    pep16,          // residue counts, 1..50 residues
    pep64,          // residue counts, 51..300 residues
    pep128,         // residue counts, 0 or 301..1000 residues
    averagine8,     // peptide mass < 1200
    averagine32,    // < 11000
    averagine64,    // < 55000
    averagine128,   // < 120000
    rnaveragine32,  // RNA mass < 24000
    rnaveragine64,  // < 65000
    rnaveragine128, // < 165000
    rnaseq64,       // RNA sequence length 1..200
    rnaseq128,      // 201..500
};

struct NetworkInfo {
    const unsigned char *blob; // weight blob, any alignment
    int inputs;                // 20, 5 or 4
    int outputs;               // m: units of every layer
    // A mass network serves the masses below this bound (strict, in single
    // precision) and at or above the bound of its kind's previous one (see
    // nn/mass_bands.hpp); 0 for the sequence networks.
    float mass_below = 0.0f;
};

NetworkInfo info(Network network);

// Runs `network` on `features` (its input vector) with a fresh weight set
// copied from the blob, places the m outputs into `out` by window placement
// and scales them by the array peak. `out` must already have been checked
// and zeroed (frame::begin). Returns the peak value, or -1 with `out` left
// all zero when the weight set or the output array cannot be allocated or
// the network fails. Prints nothing.
float run_embedded(Network network, const float *features, float *out, int n, int offset);

} // namespace corvan::nn
