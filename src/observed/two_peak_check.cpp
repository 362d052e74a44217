#include "observed/two_peak_check.hpp"

#include <algorithm>
#include <cassert>

namespace corvan::observed {

namespace {

// The two rungs of `share` with the highest fitted heights (first the higher).
std::pair<std::size_t, std::size_t> two_highest(const EnvelopeShare &share) {
    std::size_t first = 0, second = 1;
    if (share.height[second] > share.height[first]) std::swap(first, second);
    for (std::size_t k = 2; k < share.height.size(); ++k)
        if (share.height[k] > share.height[first])
            second = first, first = k;
        else if (share.height[k] > share.height[second])
            second = k;
    return {first, second};
}

// Whether the envelope's weaker rung falls short of the pattern's ratio.
bool unlike_pattern(const PeakList &peaks, const EnvelopeShare &share,
                    const std::vector<double> &total, double noise) {
    if (share.peak.size() < 2) return false;
    const auto [strong, weak] = two_highest(share);
    auto own = [&](std::size_t k) {
        const std::size_t at = share.peak[k];
        return std::max(0.0, peaks.intensity[at] - (total[at] - share.height[k]));
    };
    if (!(share.height[strong] > 0)) return false;
    const double expected = own(strong) * share.height[weak] / share.height[strong];
    const double seen = peaks.intensity[share.peak[weak]];
    return seen < kTwoPeakLeastRatio * expected && expected - seen > kTwoPeakNoiseLevels * noise;
}

} // namespace

void drop_unlike_two_peaks(const PeakList &peaks, std::vector<corvan_found_envelope> &found,
                           std::vector<EnvelopeShare> &shares, const std::vector<double> &noise) {
    assert(found.size() == shares.size() && found.size() == noise.size());
    std::vector<double> total(peaks.size(), 0.0);
    for (const EnvelopeShare &share : shares)
        for (std::size_t k = 0; k < share.peak.size(); ++k) total[share.peak[k]] += share.height[k];
    std::vector<bool> drop(found.size(), false);
    for (std::size_t i = 0; i < found.size(); ++i)
        drop[i] = found[i].peaks == 2 && unlike_pattern(peaks, shares[i], total, noise[i]);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (drop[i]) continue;
        if (kept != i) found[kept] = found[i], shares[kept] = std::move(shares[i]);
        ++kept;
    }
    found.resize(kept), shares.resize(kept);
}

} // namespace corvan::observed
