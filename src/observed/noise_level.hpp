// The noise level of a centroided scan, estimated from the scan itself, and
// the signal-to-noise bar of the envelopes deisotoping reports.
#pragma once

#include <span>
#include <vector>

#include "corvan.h"
#include "observed/false_hit_filter.hpp"
#include "observed/peak_list.hpp"

namespace corvan::observed {

// The noise level near `mz`: the first quartile of the centroid
// intensities within kNoiseHalfWidth of it (most centroids of a scan are
// noise or the flanks of envelopes, so a low quantile stands above the
// noise and below nearly every envelope's highest point); 0 (no estimate)
// when fewer than kNoiseLeastPeaks centroids lie there, as the quartile of
// a handful of peaks tells the envelopes' heights, not the noise.
// `buffer` is reused between calls. Throws std::bad_alloc.
inline constexpr double kNoiseHalfWidth = 50;
inline constexpr std::size_t kNoiseLeastPeaks = 40;
double noise_level(const PeakList &peaks, double mz, std::vector<double> &buffer);

// noise_level at each of `mz` (any order), the same figures in one pass:
// the window slides along the scan, its quartile kept by intensity rank
// (a scan's envelopes would each copy and partly sort about 400 peaks).
// Throws std::bad_alloc.
std::vector<double> noise_levels(const PeakList &peaks, std::span<const double> mz);

// Drops from `found` (parallel to `shares`) each envelope whose fitted
// intensity is below `min_signal_to_noise` times the noise level at its M:
// an envelope resting on what stronger neighbours left of shared peaks has
// a fitted height far below theirs, though its peaks are high. `noise`
// (the noise level at each one's M, parallel too) is filtered with them.
void drop_below_noise(double min_signal_to_noise, std::vector<corvan_found_envelope> &found,
                      std::vector<EnvelopeShare> &shares, std::vector<double> &noise);

} // namespace corvan::observed
