#include "observed/mz_index.hpp"

namespace corvan::observed {

// Peaks crowd where the ions are: kBucketsPerPeak buckets for each peak in
// the scan's m/z range leave a look-up a step or so to walk.
constexpr std::size_t kBucketsPerPeak = 2;

MzIndex::MzIndex(std::span<const double> mz) : mz_(mz) {
    if (mz.empty()) return;
    origin_ = mz.front();
    const std::size_t buckets = kBucketsPerPeak * mz.size();
    const double range = mz.back() - mz.front();
    if (range > 0) per_width_ = static_cast<double>(buckets) / range;
    start_.assign(buckets + 2, mz.size());
    std::size_t i = 0;
    for (std::size_t b = 0; b < start_.size(); ++b) {
        while (i < mz.size() && bucket_place(mz[i]) < static_cast<double>(b)) ++i;
        start_[b] = i;
    }
}

} // namespace corvan::observed
