#include "observed/mz_index.hpp"

#include <cmath>

namespace corvan::observed {

// About one peak a bucket: the scan's m/z range cut into as many buckets as
// it has peaks.
MzIndex::MzIndex(std::span<const double> mz) : mz_(mz) {
    if (mz.empty()) return;
    origin_ = mz.front();
    const double range = mz.back() - mz.front();
    if (range > 0) width_ = range / static_cast<double>(mz.size());
    start_.assign(mz.size() + 2, mz.size());
    std::size_t i = 0;
    for (std::size_t b = 0; b < start_.size(); ++b) {
        while (i < mz.size() && bucket(mz[i]) < static_cast<long>(b)) ++i;
        start_[b] = i;
    }
}

// Monotonic in m/z, so a lower bucket holds only lower m/z.
long MzIndex::bucket(double mz) const {
    return static_cast<long>(std::floor((mz - origin_) / width_));
}

std::size_t MzIndex::first_at_least(double low) const {
    const long b = bucket(low);
    if (b < 0 || start_.empty()) return 0;
    if (b >= static_cast<long>(start_.size())) return mz_.size();
    std::size_t i = start_[static_cast<std::size_t>(b)];
    while (i < mz_.size() && mz_[i] < low) ++i;
    return i;
}

} // namespace corvan::observed
