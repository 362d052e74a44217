// The distribution of a small molecule summed directly, point by point, as
// power series in the extra neutrons: the elements' logarithms summed, one
// exponential by recurrence, the mass moment by the product rule. No
// transform, no grid, nothing wraps; with every element's lightest isotope
// far above the others the series' terms cancel little, so each point
// keeps most of its relative accuracy down to the smallest reported share.
#pragma once

#include <cstddef>

#include "labels/element_pattern.hpp"

namespace corvan::envelope {

// Above this many points from the lightest composition the direct sum is
// never taken: its work grows as the square of the length.
inline constexpr int kLongestDirectSum = 160;

// One atom's series, divided by its lightest isotope's share U (1 at k = 0):
// log U (term k times k, as the exponential's recurrence takes it) and
// D / U, D the shares times the defects (mass above the lightest isotope
// less position), to kLongestDirectSum terms, term k of both side by side
// (the direct sum reads them together, two lanes from one aligned load).
struct DirectSeries {
    double log_lightest = 0;                        // log of the lightest isotope's share
    alignas(16) double terms[kLongestDirectSum][2]; // {k log_k, moment_k}
};

// One element of the molecule: `whole` atoms of `pattern`, plus one more
// with probability `fraction` (a fractional count's mixture atom). `series`
// is the pattern's, when shared (natural elements), else null.
struct DirectTerm {
    const labels::ElementPattern *pattern;
    double whole, fraction;
    const DirectSeries *series;
};

// Doubles of working space direct_sum needs per point of `length`.
inline constexpr int kDirectWorkPerPoint = 4;

// Points k = 0..length-1 above the lightest composition into total[k] (the
// share) and moment[k] (the share times the mean mass above the lightest
// composition less k); 0 from the point on where what is left of the whole
// is too little for any later point to reach CORVAN_ACCURACY. `work` holds
// kDirectWorkPerPoint x length doubles, 16-byte aligned (as malloc and new
// give); length at most kLongestDirectSum.
void direct_sum(const DirectTerm *terms, std::size_t count, int length, double *work, double *total,
                double *moment);

// Whether direct_sum can take the pattern: its lightest isotope holds at
// least 90 % of the atoms (natural H, C, N, O, S, lightly labelled ones).
bool direct_suits(const labels::ElementPattern &pattern);

// The natural pattern's series of `element`, made once and shared; null
// when the element does not suit.
const DirectSeries *natural_direct_series(int element);

} // namespace corvan::envelope
