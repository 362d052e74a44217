#include "observed/split_ion.hpp"

#include <algorithm>
#include <cmath>

#include "observed/mz_index.hpp"

namespace corvan::observed {

namespace {

// Whether an envelope found before took part of a peak within `half` of
// `mz`: most places have none, which is cheaper to tell than a walk through
// the envelopes (an envelope's M is its peak's m/z, and it took a share).
bool taken_near(const PeakList &peaks, std::span<const double> remaining, double mz, double half) {
    const std::size_t first =
        peaks.index != nullptr
            ? peaks.index->first_at_least(mz - half)
            : static_cast<std::size_t>(
                  std::lower_bound(peaks.mz.begin(), peaks.mz.end(), mz - half) - peaks.mz.begin());
    for (std::size_t i = first; i < peaks.size() && peaks.mz[i] <= mz + half; ++i)
        if (remaining[i] < peaks.intensity[i]) return true;
    return false;
}

} // namespace

const corvan_found_envelope *found_at(const PeakList &peaks, const FoundBefore &found, double mz,
                                      int charge, double ppm) {
    const double half = tolerance(mz, ppm);
    if (!taken_near(peaks, found.remaining, mz, half)) return nullptr;
    for (const corvan_found_envelope &envelope : found.envelopes)
        if (envelope.charge == charge && std::abs(envelope.monoisotopic_mz - mz) <= half)
            return &envelope;
    return nullptr;
}

} // namespace corvan::observed
