#include "observed/false_hit_filter.hpp"

#include <cassert>

namespace corvan::observed {

namespace {

// A peak is an envelope's own when it puts at least this share of what all
// kept envelopes put there. What a stronger neighbour leaves of a shared
// peak (the errors of its fit, centroid noise) is a few per cent of it; a
// true envelope overlapping another still holds a fifth or more of the
// shared peak.
constexpr double kOwnShare = 0.1;

std::size_t own_peaks(const EnvelopeShare &share, const std::vector<double> &total) {
    std::size_t own = 0;
    for (std::size_t k = 0; k < share.peak.size(); ++k)
        own += share.height[k] > 0 && share.height[k] >= kOwnShare * total[share.peak[k]];
    return own;
}

void add(const EnvelopeShare &share, double sign, std::vector<double> &total) {
    for (std::size_t k = 0; k < share.peak.size(); ++k)
        total[share.peak[k]] += sign * share.height[k];
}

} // namespace

void drop_borrowed(std::size_t peak_count, std::size_t min_peaks,
                   std::vector<corvan_found_envelope> &found, std::vector<EnvelopeShare> &shares) {
    assert(found.size() == shares.size());
    std::vector<double> total(peak_count, 0.0);
    for (const EnvelopeShare &share : shares) add(share, 1, total);
    for (std::size_t i = found.size(); i-- > 0;) {
        if (own_peaks(shares[i], total) >= min_peaks) continue;
        add(shares[i], -1, total);
        found.erase(found.begin() + static_cast<std::ptrdiff_t>(i));
        shares.erase(shares.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

} // namespace corvan::observed
