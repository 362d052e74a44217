// One element's transform on a grid, in the form the envelope multiplies:
// its logarithm without the linear phase of the element's mean, and its
// defect and position moments over the transform. Natural elements' bins
// are made once per grid length and shared read-only by every thread.
#pragma once

#include <cmath>

#include "envelope/polar.hpp"
#include "labels/element_pattern.hpp"

namespace corvan::envelope {

// Plain complex arithmetic: std::complex's multiplication checks for
// infinities on every call, which the bins never hold.
struct Cx {
    double re = 0, im = 0;
};
inline Cx operator*(Cx a, Cx b) {
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
inline Cx operator+(Cx a, Cx b) {
    return {a.re + b.re, a.im + b.im};
}
inline Cx operator-(Cx a, Cx b) {
    return {a.re - b.re, a.im - b.im};
}
inline Cx scaled(Cx a, double s) {
    return {a.re * s, a.im * s};
}
Cx quotient(Cx a, Cx b);
Cx complex_log(Cx z);
// Inline: the envelope takes one per bin, where a call's cost shows.
// z.re at most 700 in magnitude (the envelope zeroes a bin below -700).
inline Cx complex_exp(Cx z) {
    Lanes re, im;
    lanes_complex_exp(Lanes{z.re, z.re}, Lanes{z.im, z.im}, re, im);
    return {re[0], im[0]};
}

// Bin j of an element with pattern P (shares s, positions x, defects d,
// mean position m, mean defect e) on a grid of N points, theta = 2 pi j / N:
//   log       log P(j) + i m theta: small where P matters, so that a count
//             times it keeps its digits (the mean's phase is added once
//             for the whole molecule)
//   defect    sum s (d - e) w^x / P(j)
//   position  sum s (x - m) w^x / P(j)
//   transform P(j) = sum s w^x, w = exp(-i theta)
// A bin where P vanishes has log.re = kVanished and zero moments.
struct ElementBin {
    Cx log, defect, position, transform;
};
inline constexpr double kVanished = -1e300;

// Mean defect (mass above the lightest isotope less the position) of one atom.
double mean_defect(const labels::ElementPattern &pattern);

// Bins 0..N/2 of `pattern` on a grid of N points into bins[0..N/2], worked
// in long double: a count of 10^5 atoms multiplies the bins' round-off.
void fill_element_bins(const labels::ElementPattern &pattern, int grid, ElementBin *bins);

// Grids up to this size keep their natural elements' bins for the life of
// the process (at most 64 KB per element and length).
inline constexpr int kLongestSharedGrid = 4096;

// The smallest grid size of at least `span` points (from 4 up) whose only
// prime factors are 2, 3 and 5: sizes FFTW transforms fastest. `span` at
// most CORVAN_MAX_POINTS.
int grid_size(long long span);

// fill_element_bins of the element's natural pattern, made on first use of
// (element, length) and shared; null above kLongestSharedGrid, with the
// caches turned off (fft::set_caching) or when memory runs out.
const ElementBin *shared_natural_bins(int element, int grid);

} // namespace corvan::envelope
