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

// One element of the molecule: `whole` atoms of `pattern`, plus one more
// with probability `fraction` (a fractional count's mixture atom).
struct DirectTerm {
    const labels::ElementPattern *pattern;
    double whole, fraction;
};

// Doubles of working space direct_sum needs per point of `length`.
inline constexpr int kDirectWorkPerPoint = 3;

// Points k = 0..length-1 above the lightest composition into total[k] (the
// share) and moment[k] (the share times the mean mass above the lightest
// composition less k). `work` holds kDirectWorkPerPoint x length doubles.
void direct_sum(const DirectTerm *terms, std::size_t count, int length, double *work, double *total,
                double *moment);

// Whether direct_sum can take the term: its lightest isotope holds at least
// 90 % of the atoms (natural H, C, N, O, S, lightly labelled ones).
bool direct_suits(const DirectTerm &term);

} // namespace corvan::envelope
