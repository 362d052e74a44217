// FFTW plans kept for the life of the process, one per transform kind and
// length, so that a call executes a ready plan instead of planning afresh.
//
// FFTW's planner (plan creation and destruction) is not re-entrant, so it
// runs under one mutex; execution runs outside it on each call's own arrays,
// which is safe on any number of threads.
#pragma once

#include <fftw3.h>

namespace corvan::fft {

// grid[0..N-1] -> bins[0..N/2]. False when no plan can be made.
bool forward(int N, double *grid, fftw_complex *bins);

// bins[0..N/2] -> grid[0..N-1] (unnormalised; `bins` is destroyed). False
// when no plan can be made.
bool inverse(int N, fftw_complex *bins, double *grid);

// With caching off every transform plans, executes and destroys a fresh
// plan; the results are bit-identical either way (the tests compare them).
void set_caching(bool enabled);
bool caching();

// Whether a plan of that kind and length is cached now (for the tests of
// the eviction order).
bool plan_cached(bool forward, int N);

} // namespace corvan::fft
