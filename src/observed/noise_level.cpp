#include "observed/noise_level.hpp"

#include <algorithm>
#include <cassert>

namespace corvan::observed {

double noise_level(const PeakList &peaks, double mz, std::vector<double> &buffer) {
    const auto first = std::lower_bound(peaks.mz.begin(), peaks.mz.end(), mz - kNoiseHalfWidth);
    const auto last = std::upper_bound(first, peaks.mz.end(), mz + kNoiseHalfWidth);
    const auto begin = peaks.intensity.begin() + (first - peaks.mz.begin());
    const auto count = static_cast<std::size_t>(last - first);
    if (count < kNoiseLeastPeaks) return 0;
    buffer.assign(begin, begin + static_cast<std::ptrdiff_t>(count));
    const auto quartile = buffer.begin() + static_cast<std::ptrdiff_t>(count / 4);
    std::nth_element(buffer.begin(), quartile, buffer.end());
    return *quartile;
}

void drop_below_noise(const PeakList &peaks, double min_signal_to_noise,
                      std::vector<corvan_found_envelope> &found,
                      std::vector<EnvelopeShare> &shares) {
    assert(found.size() == shares.size());
    if (!(min_signal_to_noise > 0)) return;
    std::vector<double> buffer;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < found.size(); ++i) {
        const double noise = noise_level(peaks, found[i].monoisotopic_mz, buffer);
        if (found[i].intensity < min_signal_to_noise * noise) continue;
        if (kept != i) found[kept] = found[i], shares[kept] = std::move(shares[i]);
        ++kept;
    }
    found.resize(kept), shares.resize(kept);
}

} // namespace corvan::observed
