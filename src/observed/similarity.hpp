// How alike an expected pattern e and observed intensities o are.
#pragma once

#include <span>

namespace corvan::observed {

// e.o / (|e| |o|); 0 when either is all zero.
double cosine(std::span<const double> expected, std::span<const double> observed);

// arccos(cosine) in degrees.
double contrast_angle(double cosine);

// e.o / e.e: the least-squares factor that brings e onto o.
double fitted_scale(std::span<const double> expected, std::span<const double> observed);

// sum (o/scale - e)^2 / e over the points with e > 0, per degree of freedom
// (points - 1); 0 for a single point, NaN when scale is 0.
double chi_square_per_dof(std::span<const double> expected, std::span<const double> observed,
                          double scale);

} // namespace corvan::observed
