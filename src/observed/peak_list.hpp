// A measured spectrum as the caller owns it: m/z ascending, intensities >= 0.
#pragma once

#include <algorithm>
#include <cstddef>
#include <span>

#include "molecule/outcome.hpp"
#include "observed/mz_index.hpp"

namespace corvan::observed {

inline constexpr double kMaxPpm = 1e4;

struct PeakList {
    std::span<const double> mz;
    std::span<const double> intensity;
    // Set by callers that search one scan many times (deisotoping).
    const MzIndex *index = nullptr;
    std::size_t size() const { return mz.size(); }
};

inline constexpr std::size_t kNoPeak = static_cast<std::size_t>(-1);

// Checks the arrays (present, non-empty, sorted, finite, intensities >= 0)
// and wraps them.
Outcome read_peaks(const double *mz, const double *intensity, std::size_t count, PeakList &peaks);

// The tolerance window of `ppm` around `centre`, as half its width.
inline double tolerance(double centre, double ppm) {
    return centre * ppm * 1e-6;
}

// Index of the most intense peak with m/z in [low, high] whose weight (the
// intensity, or `weights` when given) is > 0, or kNoPeak. Inline: a scan's
// deisotoping searches over a hundred thousand windows, most of them empty.
inline std::size_t strongest_in(const PeakList &peaks, double low, double high,
                                std::span<const double> weights = {}) {
    const std::span<const double> weight = weights.empty() ? peaks.intensity : weights;
    std::size_t i =
        peaks.index != nullptr
            ? peaks.index->first_at_least(low)
            : static_cast<std::size_t>(std::lower_bound(peaks.mz.begin(), peaks.mz.end(), low) -
                                       peaks.mz.begin());
    std::size_t best = kNoPeak;
    for (; i < peaks.size() && peaks.mz[i] <= high; ++i)
        if (weight[i] > 0 && (best == kNoPeak || weight[i] > weight[best])) best = i;
    return best;
}

// Same within `ppm` of `centre`.
inline std::size_t strongest_near(const PeakList &peaks, double centre, double ppm,
                                  std::span<const double> weights = {}) {
    const double half = tolerance(centre, ppm);
    return strongest_in(peaks, centre - half, centre + half, weights);
}

Outcome check_ppm(double ppm);

} // namespace corvan::observed
