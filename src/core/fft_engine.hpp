// Internal steps of the FFT engine shared with the formula calls.
#pragma once

#include <fftw3.h>

namespace corvan::fft {

// Inverse-transforms `product` (N/2 + 1 bins, destroyed) into grid[0..N-1],
// clips and normalises it to sum 1, converts it to floats in out[0..N-1] and
// returns the largest normalised value; -1 when the plan cannot be made
// (then `out` is not written).
float inverse_to_distribution(fftw_complex *product, int N, double *grid, float *out);

} // namespace corvan::fft
