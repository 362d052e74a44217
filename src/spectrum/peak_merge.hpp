// Fine peaks that lie too close to tell apart on the profile's grid, drawn
// as one: fewer shapes to sum, within a stated bound of the exact sum.
#pragma once

#include <cstddef>

#include "spectrum/fine_structure.hpp"
#include "spectrum/resolving_power.hpp"

namespace corvan::spectrum {

// Gaussians of probabilities p_i at m_i drawn as one of their sum P at
// their mean m (same FWHM w) differ from their sum by at most
// a sum p_i (m_i - m)^2 anywhere, a = 4 ln 2 / w^2: the first-order terms
// cancel about the mean and |g''| <= 2 a. The error a run may add.
double merge_error(const double *mz, const double *probability, std::size_t count, double fwhm);

// Replaces `peaks` (ascending m/z) by the same peaks where runs that fall
// on one cell (nearest point of low + k step / kCellsPerStep) are merged into one at
// their weighted mean, as long as the merged runs' errors within each
// isolated group (peaks closer than kIsolatingFwhm FWHM to a neighbour)
// add up to at most `budget`. Runs of one peak are kept exactly as they
// are. Whatever the grid, the profile then stays within `budget` (plus a
// share below 1e-9 of it) of the unmerged sum at every point.
void merge_close_peaks(FinePeaks &peaks, const ResolvingPower &power, double low, double step,
                       double budget);

// Cells of half a grid step: wider ones merge more peaks but, their error
// growing with the square of the width, exhaust the budget sooner.
inline constexpr double kCellsPerStep = 2;

// Groups this many FWHM apart affect each other's errors by less than 1e-9
// of the budget: |g''| at 3 FWHM is 7e-10 of its peak.
inline constexpr double kIsolatingFwhm = 6;

} // namespace corvan::spectrum
