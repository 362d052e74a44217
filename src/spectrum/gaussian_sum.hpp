// A Gaussian added onto a uniform grid without an exponential per point.
#pragma once

namespace corvan::spectrum {

// Adds height * exp(-4 ln2 ((low + k step - centre) / fwhm)^2) to out[k]
// for the `reach` points either side of the grid point nearest the centre,
// as far as they lie in 0 .. last. From that point outwards each value is
// the previous one times a ratio that itself changes by a fixed factor, so
// a point costs two products; both sides run together, and every kReseed
// points the recurrence restarts from exact exponentials, so its rounding
// (k^2/2 units in the last place after k points) stays below 1e-12 of the
// height however wide the run.
void add_gaussian(double low, double step, long last, double centre, double fwhm, double height,
                  long reach, double *out);

inline constexpr long kReseed = 64;

} // namespace corvan::spectrum
