#include "observed/mz_index.hpp"

namespace corvan::observed {

// About one peak a bucket: the scan's m/z range cut into as many buckets as
// it has peaks.
MzIndex::MzIndex(std::span<const double> mz) : mz_(mz) {
    if (mz.empty()) return;
    origin_ = mz.front();
    const double range = mz.back() - mz.front();
    if (range > 0) per_width_ = static_cast<double>(mz.size()) / range;
    start_.assign(mz.size() + 2, mz.size());
    std::size_t i = 0;
    for (std::size_t b = 0; b < start_.size(); ++b) {
        while (i < mz.size() && bucket_place(mz[i]) < static_cast<double>(b)) ++i;
        start_[b] = i;
    }
}

} // namespace corvan::observed
