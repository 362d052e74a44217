// FFTW plans kept for the life of the process, one per transform kind and
// length, so that a call executes a ready plan instead of planning afresh.
//
// FFTW's planner (plan creation and destruction) is not re-entrant, so it
// runs under one mutex; execution runs outside it on each call's own arrays,
// which is safe on any number of threads.
#pragma once

#include <array>

#include <fftw3.h>

namespace corvan::fft {

// grid[0..N-1] -> bins[0..N/2]. False when no plan can be made.
bool forward(int N, double *grid, fftw_complex *bins);

// bins[0..N/2] -> grid[0..N-1] (unnormalised; `bins` is destroyed). False
// when no plan can be made.
bool inverse(int N, fftw_complex *bins, double *grid);

// Inverse plans held by one owner that runs many transforms in a row (a
// workspace reused for many molecules): a length's plan is taken from the
// cache once and then runs without taking the cache's lock, which threads
// would otherwise contend for twice per transform. A held plan is never
// evicted; the owner holds a few lengths and lets go of the one it used
// least recently when a new length comes. Releases everything it holds when
// destroyed. Not to be shared between threads.
class HeldInverses {
  public:
    HeldInverses() = default;
    ~HeldInverses();
    HeldInverses(const HeldInverses &) = delete;
    HeldInverses &operator=(const HeldInverses &) = delete;

    // As inverse(): bins[0..N/2] -> grid[0..N-1], `bins` destroyed; the
    // result is bit-identical.
    bool run(int N, fftw_complex *bins, double *grid);

  private:
    struct Held {
        void *slot = nullptr;
        fftw_plan plan = nullptr;
        int n = 0;
        unsigned long long last_use = 0;
    };
    Held *find_or_hold(int N, fftw_complex *bins, double *grid);

    std::array<Held, 4> held_{};
    unsigned long long clock_ = 0;
};

// With caching off every transform plans, executes and destroys a fresh
// plan; the results are bit-identical either way (the tests compare them).
void set_caching(bool enabled);
bool caching();

// Whether a plan of that kind and length is cached now (for the tests of
// the eviction order).
bool plan_cached(bool forward, int N);

} // namespace corvan::fft
