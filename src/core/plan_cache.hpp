// FFTW plans kept for the life of the process, one per transform kind and
// length, so that a call executes a ready plan instead of planning afresh.
//
// FFTW's planner (plan creation and destruction) is not re-entrant, so it
// runs under one mutex; execution runs outside it on each call's own arrays,
// which is safe on any number of threads.
#pragma once

#include <utility>

#include <fftw3.h>

#include "core/lru_cache.hpp"

namespace corvan::fft {

// grid[0..N-1] -> bins[0..N/2]. False when no plan can be made.
bool forward(int N, double *grid, fftw_complex *bins);

// bins[0..N/2] -> grid[0..N-1] (unnormalised; `bins` is destroyed). False
// when no plan can be made.
bool inverse(int N, fftw_complex *bins, double *grid);

// A plan of the cache, shared by the cache and whoever runs or holds it:
// destroyed (under the planner's lock) when the last of them lets go.
struct Plan;

// A counted reference to a Plan (counted by hand: the library exports no
// standard-library type information).
class PlanRef {
  public:
    PlanRef() = default;
    explicit PlanRef(Plan *plan) noexcept : plan_(plan) {} // takes the first reference
    PlanRef(const PlanRef &other) noexcept;
    PlanRef(PlanRef &&other) noexcept : plan_(other.plan_) { other.plan_ = nullptr; }
    PlanRef &operator=(PlanRef other) noexcept {
        std::swap(plan_, other.plan_);
        return *this;
    }
    ~PlanRef();

    Plan *get() const { return plan_; }
    explicit operator bool() const { return plan_ != nullptr; }
    // Whether another reference than this one exists.
    bool shared() const;

  private:
    Plan *plan_ = nullptr;
};

// Inverse plans held by one owner that runs many transforms in a row (a
// workspace reused for many molecules): a length's plan is taken from the
// cache once and then runs without taking the cache's lock, which threads
// would otherwise contend for twice per transform. The owner holds a few
// lengths and lets go of the one it used least recently when a new length
// comes. The cache keeps held plans before others, but however many owners
// hold plans, it still takes new lengths. Not to be shared between threads.
class HeldInverses {
  public:
    // As inverse(): bins[0..N/2] -> grid[0..N-1], `bins` destroyed; the
    // result is bit-identical.
    bool run(int N, fftw_complex *bins, double *grid);

  private:
    LruSlots<int, PlanRef, 4> held_;
};

// With caching off every transform plans, executes and destroys a fresh
// plan; the results are bit-identical either way (the tests compare them).
void set_caching(bool enabled);
bool caching();

// Whether a plan of that kind and length is cached now (for the tests of
// the eviction order).
bool plan_cached(bool forward, int N);

} // namespace corvan::fft
