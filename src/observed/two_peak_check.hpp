// Envelopes of two peaks read where one peak (often an ion's M whose other
// rungs went elsewhere) stands beside a much smaller one a rung away: the
// cosine of two points, one holding nearly all the pattern, is close to 1
// however small the other is, so their height ratio is checked instead.
#pragma once

#include <vector>

#include "corvan.h"
#include "observed/false_hit_filter.hpp"
#include "observed/peak_list.hpp"

namespace corvan::observed {

// Drops from `found` (parallel to `shares`) each envelope of two matched
// peaks whose weaker fitted rung holds less than kTwoPeakLeastRatio of
// what the stronger rung's intensity and the pattern's ratio put there,
// by more than kTwoPeakNoiseLevels times the noise level (noise_level) at
// its M. The stronger rung counts its peak's intensity less what other
// envelopes fitted there, the weaker one its whole peak: a neighbour may
// fill a rung, never empty it.
inline constexpr double kTwoPeakLeastRatio = 0.5;
inline constexpr double kTwoPeakNoiseLevels = 2;
// `noise` holds the noise level at each one's M (parallel to `found`).
void drop_unlike_two_peaks(const PeakList &peaks, std::vector<corvan_found_envelope> &found,
                           std::vector<EnvelopeShare> &shares, const std::vector<double> &noise);

} // namespace corvan::observed
