// The result frame every distribution call hands its result back through:
// argument check, zeroing of the caller's array, placement of the private
// result, choice of the peak value and scaling to peak 1.
#pragma once

namespace corvan::frame {

enum class Placement {
    // out[i] = src[i - offset] for offset <= i < min(isolen, n): the last
    // `offset` points are dropped even when `out` has room after isolen.
    window,
    // out[offset + j] = src[j] for j < min(isolen, n - offset); with
    // isolen == n (the formula calls, the weight-file runner) that is every
    // point that fits after the offset.
    shifted,
};

enum class Peak {
    array,  // the largest placed value (0 when nothing positive was placed)
    engine, // the engine's own peak, even when its point was not placed
};

// False when `out` is null, n <= 0, offset < 0 or offset >= n: the call must
// return -1 without touching `out`. Otherwise zeroes out[0..n-1].
bool begin(float *out, int n, int offset);

void place(Placement placement, const float *src, int isolen, float *out, int n, int offset);

// Largest of out[0..n-1], scanning from 0.0 and taking strictly greater values.
float array_peak(const float *out, int n);

// Divides out[0..n-1] by `peak` when it is greater than 0; returns `peak`.
float scale(float *out, int n, float peak);

// place, take the peak from `source` (engine_peak for Peak::engine) and scale.
float finish(Placement placement, Peak source, const float *src, int isolen, float engine_peak,
             float *out, int n, int offset);

// The formula calls' frame: shifted placement of all n points and the
// engine's peak, done only when the peak is greater than 0 (nothing is
// placed otherwise); returns `peak`.
float place_divided(const float *src, float peak, float *out, int n, int offset);

} // namespace corvan::frame
