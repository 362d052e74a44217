// Computed element transforms kept per (atomic number, length), so that a
// call at a length without a precomputed table copies instead of laying the
// isotope grid and transforming it again.
#pragma once

#include <fftw3.h>

namespace corvan::fft {

// Copies the cached transform of (atomic_number, N) into bins[0..N/2];
// false when it is not cached (or caching is off).
bool cached_transform(int atomic_number, int N, fftw_complex *bins);

// Keeps a copy of bins[0..N/2] for (atomic_number, N) when there is room
// for it; lengths above a bound are never kept.
void keep_transform(int atomic_number, int N, const fftw_complex *bins);

} // namespace corvan::fft
